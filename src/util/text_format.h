// Fixed-width number and text helpers for the screen, the report log, the
// certificate and the table parser. Texts are Windows-1251; widths count bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace gvc {

// Decimal digits of |value| zero-padded to `width` (one less for a negative
// value), with "-" in front of a negative value. Never cut: 123 at width 2 is 123.
std::string FormatIntZero(std::int32_t value, int width);

// `count` spaces in front of the text; a count of 0 or less leaves it unchanged.
std::string PadLeftSpaces(std::string_view text, int count);

// Spaces appended until the text is `width` bytes long; never cut.
std::string PadRightSpaces(std::string_view text, int width);

// A 24-bit serial number as NN.NNN.NNN (1234567 gives 01.234.567).
std::string FormatSerial(std::uint32_t serial);

// 2 to the power `exponent`, at width 2; a negative exponent gives 00.
std::string FormatPowerOfTwo(int exponent);

// A value in tenths as one-decimal text right-aligned in 5 bytes (235 gives " 23.5").
std::string FormatTenths(std::int32_t tenths);

// Nearest 32-bit integer, halves away from zero. NaN gives 0; values beyond the
// 32-bit range saturate at its ends, so no conversion is ever undefined.
std::int32_t RoundHalfAway(double x);

// Overwrites the trailing spaces of the zero-terminated text in `buffer` with
// zero bytes, never touching its first byte, and returns the remaining text.
// A buffer of spaces only ends as a single space; an empty buffer stays empty.
std::string TrimTrailingSpaces(std::span<char> buffer);

// The text with trailing spaces removed; an all-space text becomes empty.
std::string_view TrimRight(std::string_view text);

// A settings file's line or value without the blanks and tabs around it (and
// the CR of a CR LF line end).
std::string_view TrimBlanks(std::string_view text);

}  // namespace gvc
