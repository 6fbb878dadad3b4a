// What the reference rules decide about one value for one sensor: refused
// with a reason, or taken after questions the operator must answer Yes. The
// rules themselves are in ui/reference_rules.h; each front end settles a
// verdict its own way (the window with boxes, gvc-cli at the prompt or by its
// options) but never takes a value the rules refused or a question it did not
// get a Yes to.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "util/operator.h"

namespace gvc {

enum class ReferenceQuestionKind {
    kRounding,    // the value has more decimals than the sensor shows: rounded
    kAboveRange,  // the value lies above the sensor type's measuring range
};

struct ReferenceQuestion {
    ReferenceQuestionKind kind = ReferenceQuestionKind::kAboveRange;
    std::string text;  // Windows-1251, ends with the question itself
};

struct ReferenceVerdict {
    // The value in thousandths that the run computes with and the certificate
    // prints; nothing when refused.
    std::optional<std::int32_t> value;
    std::string refusal;                       // why it is refused (Windows-1251)
    std::vector<ReferenceQuestion> questions;  // in the order they are asked
};

// The window's way: a refusal is shown as an error, then each question is
// asked as a warning until one is answered No. True when the value stands.
bool SettleReference(const ReferenceVerdict& verdict, Operator& op);

}  // namespace gvc
