// The reference gas cylinders the reference dialog offers: those of the
// sensor's gas, each with the value it would set (in thousandths, rounded to
// the decimals the multiplier code shows) and the questions choosing it asks,
// or the reason it cannot be chosen (expired, another unit, a concentration
// the display cannot hold). The rules are those of ui/reference_rules.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/reference_choice.h"
#include "ui/reference_verdict.h"
#include "util/calendar.h"

namespace gvc {

// The reference dialog's modal result when a cylinder's value was chosen
// (beside 6 for a typed and 7 for the standard value).
inline constexpr int kReferenceResultCylinder = 8;

// A cylinder as the dialog needs it. Texts are Windows-1251.
struct ReferenceCylinder {
    std::int64_t id = 0;
    int gasCode = 0;
    double concentration = 0.0;  // certified, in unitText
    std::string unitText;
    std::string lot;  // lot or serial number
    CivilDate expiry;
};

struct CylinderOffer {
    ReferenceCylinder cylinder;
    bool selectable = false;
    std::int32_t thousandths = 0;  // the reference value it sets, when selectable
    std::string text;              // the line of the list
    std::string reason;            // why it cannot be chosen; empty when selectable
    // Asked when it is chosen (a rounded value, a value above the range);
    // each must be answered Yes.
    std::vector<ReferenceQuestion> questions;
};

// The concentration in thousandths of the unit, with the decimals the
// multiplier code shows (the rest rounded). Nothing for a value that is not a
// finite number from 0 to 9999.999.
std::optional<std::int32_t> CylinderThousandths(double concentration, unsigned multiplierCode);

// The cylinders of `gasCode` from `cylinders`, in their order, each judged by
// CheckCylinderReference for the connected sensor on `today`: one that is
// refused is offered but not selectable, with its reason.
std::vector<CylinderOffer> OfferCylinders(const std::vector<ReferenceCylinder>& cylinders, int gasCode,
                                          const ReferenceRange& sensor, const CivilDate& today);

}  // namespace gvc
