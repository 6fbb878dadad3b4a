#include <cmath>

#include "cli/store_access.h"
#include "records/report_timestamp.h"
#include "store/run_texts.h"
#include "util/cp1251.h"

namespace gvc::cli {

using namespace gvc::literals;

std::optional<std::int32_t> CylinderReference(std::int64_t id, unsigned gasCode, CommandIo io, Operator& op) {
    const auto store = OpenStoreOrSay(io, true);
    if (!store) return std::nullopt;
    const auto found = store->FindCylinder(id);
    const std::string number = std::to_string(id);
    auto refuse = [&op](const std::string& text) {
        op.Show(MessageKind::kError, text);
        return std::nullopt;
    };
    if (!found.ok) return refuse(found.message);
    if (!found.value) return refuse(std::string("Нет баллона с номером "_cp) + number);
    const Cylinder& c = *found.value;
    if (c.retired) return refuse(std::string("Баллон "_cp) + number + std::string(" списан"_cp));
    if (IsExpired(c, LocalDateToday()))
        return refuse(std::string("Срок годности баллона "_cp) + number + std::string(" истёк "_cp) +
                      DotDateText(c.expiry));
    if (static_cast<unsigned>(c.gasCode) != gasCode)
        return refuse(std::string("Баллон "_cp) + number + std::string(" не для газа Датчика: "_cp) +
                      CylinderText(c));
    const double thousandths = std::round(c.concentration * 1000.0);
    if (!std::isfinite(thousandths) || thousandths <= 0 || thousandths > 2147483647.0)
        return refuse(std::string("Концентрация баллона вне допустимого диапазона: "_cp) + CylinderText(c));
    return static_cast<std::int32_t>(thousandths);
}

}  // namespace gvc::cli
