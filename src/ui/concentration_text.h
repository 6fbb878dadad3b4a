// Concentrations in thousandths of the display unit as texts, and the
// operator's typed reference value back into thousandths.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gvc {

// Decimals a multiplier code stands for: codes 0, 1 and 2 give that many,
// every code from 3 up gives three (all the thousandths there are).
unsigned ConcentrationDecimals(unsigned multiplierCode);

// The display text of a concentration: at least four integer digits, a point
// and the decimals of the multiplier code; further digits are dropped, not
// rounded. 1400 gives "0001." (code 0), "0001.4", "0001.40", "0001.400" (code 3
// and above).
// Values of 10000 units and more keep all their integer digits.
std::string FormatConcentration(std::int32_t thousandths, unsigned multiplierCode);

// The reference concentration typed by the operator, in thousandths, exactly as
// typed: blanks around it are ignored, "." (or ",") is the decimal point
// whatever the locale says, at most four integer digits and three decimals.
// No value when the text is not such a number (no digit at all, a sign, a
// stray character, a second point, too many digits).
std::optional<std::int32_t> ParseStdText(std::string_view text);

}  // namespace gvc
