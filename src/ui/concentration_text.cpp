#include "ui/concentration_text.h"

#include "util/text_format.h"

namespace gvc {

unsigned ConcentrationDecimals(unsigned multiplierCode) {
    // The text deletes from the character after the m-th decimal: from code 3
    // up nothing is deleted, so all three decimals stay.
    constexpr unsigned kMaxDecimals = 3;
    return multiplierCode < kMaxDecimals ? multiplierCode : kMaxDecimals;
}

std::string FormatConcentration(std::int32_t thousandths, unsigned multiplierCode) {
    // Seven digits put the point before the fifth character (0001400 becomes
    // 0001.400). Longer texts keep the point before the last three digits so
    // that a large value is not shown ten times smaller.
    const std::string digits = FormatIntZero(thousandths, 7);
    const std::size_t point = digits.size() - 3;
    std::string text = digits.substr(0, point);
    text += '.';
    text += digits.substr(point, ConcentrationDecimals(multiplierCode));
    return text;
}

std::optional<std::int32_t> ParseStdText(std::string_view text) {
    constexpr int kMaxIntegerDigits = 4;
    constexpr int kMaxDecimals = 3;
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);

    std::int32_t whole = 0;
    std::int32_t fraction = 0;
    int integerDigits = 0;
    int decimals = 0;
    bool seenPoint = false;
    for (const char c : text) {
        if (c == '.' || c == ',') {
            if (seenPoint) return std::nullopt;
            seenPoint = true;
        } else if (c >= '0' && c <= '9') {
            const int digit = c - '0';
            if (seenPoint) {
                if (++decimals > kMaxDecimals) return std::nullopt;
                fraction = fraction * 10 + digit;
            } else {
                if (++integerDigits > kMaxIntegerDigits) return std::nullopt;
                whole = whole * 10 + digit;
            }
        } else {
            return std::nullopt;
        }
    }
    if (integerDigits + decimals == 0) return std::nullopt;
    for (int d = decimals; d < kMaxDecimals; ++d)
        fraction *= 10;
    return whole * 1000 + fraction;
}

}  // namespace gvc
