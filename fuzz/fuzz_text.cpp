// The codec and the text helpers on any bytes: conversions never fail and
// round-trip where they promise to, the typed reference value reads back from
// its display text, and fixed-width helpers keep their widths.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_input.h"
#include "ui/concentration_text.h"
#include "util/cp1251.h"
#include "util/text_checksum.h"
#include "util/text_format.h"

namespace {

void Codec(std::string_view bytes) {
    const std::string utf8 = gvc::Utf8FromCp1251(bytes);
    if (gvc::IsCp1251Encodable(utf8)) GVC_FUZZ_CHECK(gvc::Cp1251FromUtf8(utf8) == bytes);
    const std::u16string utf16 = gvc::Utf16FromCp1251(bytes);
    GVC_FUZZ_CHECK(utf16.size() == bytes.size());
    GVC_FUZZ_CHECK(gvc::Cp1251FromUtf16(utf16) == gvc::Cp1251FromUtf8(utf8));
    // The same bytes taken as UTF-8 typed by a user.
    const std::string cp1251 = gvc::Cp1251FromUtf8(bytes);
    GVC_FUZZ_CHECK(gvc::Cp1251FromUtf8(gvc::Utf8FromCp1251(cp1251)) == cp1251);
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              static_cast<unsigned char>(bytes[i + 1]) << 8));
    GVC_FUZZ_CHECK(gvc::Cp1251FromUtf16(units).size() <= units.size());
}

void Reference(std::string_view bytes, unsigned multiplierCode) {
    const auto value = gvc::ParseStdText(bytes);
    if (!value) return;
    GVC_FUZZ_CHECK(*value >= 0 && *value <= 9999999);
    const std::string shown = gvc::FormatConcentration(*value, 3);
    GVC_FUZZ_CHECK(gvc::ParseStdText(shown) == value);
    (void)gvc::FormatConcentration(*value, multiplierCode);
}

void Helpers(gvc::fuzz::FuzzInput& input, std::string_view bytes) {
    const auto number = static_cast<std::int32_t>(input.Word());
    const int width = input.Byte() % 12;
    const std::string zero = gvc::FormatIntZero(number, width);
    GVC_FUZZ_CHECK(zero.size() >= static_cast<std::size_t>(width));
    GVC_FUZZ_CHECK(gvc::PadRightSpaces(bytes, width).size() >= static_cast<std::size_t>(width));
    GVC_FUZZ_CHECK(gvc::PadLeftSpaces(bytes, width).size() == bytes.size() + static_cast<std::size_t>(width));
    (void)gvc::FormatSerial(input.Word());
    (void)gvc::FormatPowerOfTwo(static_cast<std::int8_t>(input.Byte()));
    (void)gvc::FormatTenths(number);
    GVC_FUZZ_CHECK(gvc::TrimRight(bytes).size() <= bytes.size());
    double x = 0;
    const auto raw = input.Bytes(sizeof x);
    if (!raw.empty()) std::memcpy(&x, raw.data(), raw.size());
    (void)gvc::RoundHalfAway(x);
    std::vector<char> buffer(bytes.begin(), bytes.end());
    buffer.push_back('\0');
    GVC_FUZZ_CHECK(gvc::TrimTrailingSpaces(buffer).size() <= bytes.size());
    gvc::TextFileChecksum sums;
    sums.AddLine(bytes);
    GVC_FUZZ_CHECK(sums.MatchesTrailer(sums.Trailer()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Codec(bytes);
    gvc::fuzz::FuzzInput input(data, size);
    Reference(bytes, input.Byte());
    Helpers(input, bytes);
    return 0;
}
