#include "util/text_format.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace gvc {

namespace {

// Decimal digits of a non-negative 64-bit magnitude.
std::string Digits(std::uint64_t magnitude) {
    std::string digits;
    do {
        digits.push_back(static_cast<char>('0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    std::reverse(digits.begin(), digits.end());
    return digits;
}

std::string ZeroPad(std::string digits, int width) {
    if (width > 0 && digits.size() < static_cast<std::size_t>(width)) {
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    }
    return digits;
}

}  // namespace

std::string FormatIntZero(std::int32_t value, int width) {
    const bool negative = value < 0;
    const auto wide = static_cast<std::int64_t>(value);
    std::string text =
        ZeroPad(Digits(static_cast<std::uint64_t>(negative ? -wide : wide)), negative ? width - 1 : width);
    if (negative) text.insert(0, 1, '-');
    return text;
}

std::string PadLeftSpaces(std::string_view text, int count) {
    std::string out;
    if (count > 0) out.assign(static_cast<std::size_t>(count), ' ');
    out.append(text);
    return out;
}

std::string PadRightSpaces(std::string_view text, int width) {
    std::string out(text);
    if (width > 0 && out.size() < static_cast<std::size_t>(width))
        out.resize(static_cast<std::size_t>(width), ' ');
    return out;
}

std::string FormatSerial(std::uint32_t serial) {
    const auto group = [](std::uint32_t v, int width) { return ZeroPad(Digits(v), width); };
    return group(serial / 1000000, 2) + "." + group((serial % 1000000) / 1000, 3) + "." +
           group(serial % 1000, 3);
}

std::string FormatPowerOfTwo(int exponent) {
    if (exponent < 0) return "00";
    // Gains are small codes; doubling a digit string keeps any exponent exact.
    std::string digits = "1";  // least significant digit first
    for (int step = 0; step < std::min(exponent, 4096); ++step) {
        int carry = 0;
        for (char& d : digits) {
            const int v = (d - '0') * 2 + carry;
            d = static_cast<char>('0' + v % 10);
            carry = v / 10;
        }
        if (carry != 0) digits.push_back(static_cast<char>('0' + carry));
    }
    std::reverse(digits.begin(), digits.end());
    return ZeroPad(digits, 2);
}

std::string FormatTenths(std::int32_t tenths) {
    const std::int32_t whole = tenths / 10;
    const std::int32_t fraction = tenths % 10 < 0 ? -(tenths % 10) : tenths % 10;
    std::string text = (tenths < 0 && whole == 0) ? std::string("-0") : std::to_string(whole);
    text += '.';
    text += static_cast<char>('0' + fraction);
    return PadLeftSpaces(text, 5 - static_cast<int>(text.size()));
}

std::int32_t RoundHalfAway(double x) {
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    if (std::isnan(x)) return 0;
    if (x >= static_cast<double>(kMax)) return kMax;
    if (x <= static_cast<double>(kMin)) return kMin;
    std::int32_t t = static_cast<std::int32_t>(x);  // in range: truncates toward zero
    const double rest = x - static_cast<double>(t);
    if (rest >= 0.5 && t < kMax) ++t;
    if (rest <= -0.5 && t > kMin) --t;
    return t;
}

std::string TrimTrailingSpaces(std::span<char> buffer) {
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    auto length = static_cast<std::size_t>(end - buffer.begin());
    while (length > 1 && buffer[length - 1] == ' ') {
        buffer[length - 1] = '\0';
        --length;
    }
    return std::string(buffer.data(), length);
}

std::string_view TrimRight(std::string_view text) {
    const auto last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

}  // namespace gvc
