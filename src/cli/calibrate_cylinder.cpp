#include "cli/calibrate_reference.h"
#include "cli/store_access.h"
#include "util/cp1251.h"

namespace gvc::cli {

using namespace gvc::literals;

std::optional<ReferenceCylinder> DatabaseCylinder(std::int64_t id, CommandIo io, Operator& op) {
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
    // Expiry, gas, unit, decimals and range are the reference rules' to judge.
    return ReferenceCylinder{c.id, c.gasCode, c.concentration, c.unitText, c.lot, c.expiry};
}

}  // namespace gvc::cli
