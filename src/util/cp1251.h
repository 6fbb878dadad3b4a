// The one codec between Windows-1251 (the core's own texts) and UTF-8 (the GUI,
// POSIX file names, source literals and the command line).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace gvc {

namespace cp1251_detail {

// Unicode code points of the bytes 0x80..0xFF. 0x98 has no character in
// Windows-1251; it maps to U+0098 so that every byte survives a round trip.
inline constexpr std::array<char32_t, 128> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

// The Windows-1251 byte of a code point, or -1 when it has none.
constexpr int ByteOf(char32_t cp) {
    if (cp < 0x80) return static_cast<int>(cp);
    if (cp >= 0x0410 && cp <= 0x044F) return static_cast<int>(cp - 0x0410 + 0xC0);
    for (std::size_t i = 0; i < 64; ++i) {
        if (kHighHalf[i] == cp) return static_cast<int>(0x80 + i);
    }
    return -1;
}

// Decodes one UTF-8 sequence at s[i]; advances i. Returns U+FFFD for a
// malformed sequence (one byte consumed).
constexpr char32_t DecodeUtf8(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t extra = 0;
    char32_t cp = 0;
    if (b0 < 0x80) {
        ++i;
        return b0;
    } else if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        cp = b0 & 0x1Fu;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        cp = b0 & 0x0Fu;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        cp = b0 & 0x07u;
    } else {
        ++i;
        return 0xFFFD;
    }
    if (i + extra >= s.size()) {
        ++i;
        return 0xFFFD;
    }
    for (std::size_t k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3Fu);
    }
    i += extra + 1;
    return cp;
}

template <std::size_t N>
struct Utf8Literal {
    char text[N];
    constexpr Utf8Literal(const char (&s)[N]) {  // NOLINT: implicit by design
        for (std::size_t i = 0; i < N; ++i)
            text[i] = s[i];
    }
    constexpr std::string_view view() const { return {text, N - 1}; }
};

template <Utf8Literal L>
consteval std::size_t Cp1251Length() {
    std::size_t n = 0;
    for (std::size_t i = 0; i < L.view().size();) {
        DecodeUtf8(L.view(), i);
        ++n;
    }
    return n;
}

template <Utf8Literal L>
consteval std::array<char, Cp1251Length<L>()> ToCp1251Array() {
    std::array<char, Cp1251Length<L>()> out{};
    std::size_t n = 0;
    for (std::size_t i = 0; i < L.view().size();) {
        const int b = ByteOf(DecodeUtf8(L.view(), i));
        if (b < 0) throw "literal holds a character that Windows-1251 cannot encode";
        out[n++] = static_cast<char>(static_cast<unsigned char>(b));
    }
    return out;
}

template <Utf8Literal L>
inline constexpr auto kCp1251Literal = ToCp1251Array<L>();

}  // namespace cp1251_detail

// Converts Windows-1251 bytes to UTF-8. Never fails.
std::string Utf8FromCp1251(std::string_view cp1251);

// Converts UTF-8 to Windows-1251 bytes. A character without a Windows-1251
// byte, or a malformed sequence, becomes '?'.
std::string Cp1251FromUtf8(std::string_view utf8);

// True when every character of the UTF-8 text has a Windows-1251 byte.
bool IsCp1251Encodable(std::string_view utf8);

// Converts Windows-1251 bytes to UTF-16 code units (for the Windows wide-character
// file API; every Windows-1251 character is one unit). Never fails.
std::u16string Utf16FromCp1251(std::string_view cp1251);

// Converts UTF-16 to Windows-1251 bytes. A character without a Windows-1251
// byte, or a lone surrogate, becomes '?'.
std::string Cp1251FromUtf16(std::u16string_view utf16);

namespace literals {
// "Кислород"_cp is the Windows-1251 form of a UTF-8 source literal, converted
// at compile time; a character Windows-1251 lacks is a compile error.
template <cp1251_detail::Utf8Literal L>
constexpr std::string_view operator""_cp() {
    const auto& a = cp1251_detail::kCp1251Literal<L>;
    return {a.data(), a.size()};
}
}  // namespace literals

}  // namespace gvc
