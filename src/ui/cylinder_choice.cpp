#include "ui/cylinder_choice.h"

#include <cmath>

#include "ui/concentration_text.h"
#include "ui/reference_rules.h"
#include "util/cp1251.h"

namespace gvc {

using namespace gvc::literals;

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<std::int32_t> CylinderThousandths(double concentration, unsigned multiplierCode) {
    constexpr std::int64_t kLargest = 9999999;  // 9999.999 in thousandths
    if (!std::isfinite(concentration) || concentration < 0.0 || concentration > 1e7) return std::nullopt;
    // Thousandths first, so that a certified "12.345" is 12345 and not the
    // 12344.99... its binary double gives; then half up to the shown digit.
    const auto thousandths = static_cast<std::int64_t>(std::llround(concentration * 1000.0));
    std::int64_t step = 1000;  // thousandths per shown digit
    for (unsigned d = ConcentrationDecimals(multiplierCode); d > 0; --d)
        step /= 10;
    const std::int64_t rounded = (thousandths + step / 2) / step * step;
    if (rounded > kLargest) return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

std::vector<CylinderOffer> OfferCylinders(const std::vector<ReferenceCylinder>& cylinders, int gasCode,
                                          const ReferenceRange& sensor, const CivilDate& today) {
    std::vector<CylinderOffer> offers;
    for (const ReferenceCylinder& c : cylinders) {
        if (c.gasCode != gasCode) continue;
        CylinderOffer offer;
        offer.cylinder = c;
        const std::optional<std::int32_t> value = CylinderThousandths(c.concentration, sensor.multiplierCode);
        const std::string shown =
            value ? FormatConcentration(*value, sensor.multiplierCode) : std::string("?");
        const bool expired = c.expiry < today;
        offer.text = std::string("Баллон "_cp) + c.lot + ": " + shown + " " +
                     std::string(Trimmed(c.unitText)) +
                     (expired ? std::string(", срок годности истек "_cp) : std::string(", годен до "_cp)) +
                     DotDateText(c.expiry);
        ReferenceVerdict verdict = CheckCylinderReference(c, gasCode, sensor, today);
        offer.selectable = verdict.value.has_value();
        offer.thousandths = verdict.value.value_or(0);
        offer.reason = std::move(verdict.refusal);
        offer.questions = std::move(verdict.questions);
        offers.push_back(std::move(offer));
    }
    return offers;
}

}  // namespace gvc
