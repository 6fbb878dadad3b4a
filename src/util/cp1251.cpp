#include "util/cp1251.h"

namespace gvc {

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

std::string Utf8FromCp1251(std::string_view cp1251) {
    std::string out;
    out.reserve(cp1251.size() * 2);
    for (char c : cp1251) {
        const auto b = static_cast<unsigned char>(c);
        AppendUtf8(out, b < 0x80 ? char32_t{b} : cp1251_detail::kHighHalf[b - 0x80u]);
    }
    return out;
}

std::string Cp1251FromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const int b = cp1251_detail::ByteOf(cp1251_detail::DecodeUtf8(utf8, i));
        out.push_back(b < 0 ? '?' : static_cast<char>(static_cast<unsigned char>(b)));
    }
    return out;
}

bool IsCp1251Encodable(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size();) {
        if (cp1251_detail::ByteOf(cp1251_detail::DecodeUtf8(utf8, i)) < 0) return false;
    }
    return true;
}

std::u16string Utf16FromCp1251(std::string_view cp1251) {
    std::u16string out;
    out.reserve(cp1251.size());
    for (char c : cp1251) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(static_cast<char16_t>(b < 0x80 ? char32_t{b} : cp1251_detail::kHighHalf[b - 0x80u]));
    }
    return out;
}

std::string Cp1251FromUtf16(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char16_t unit = utf16[i];
        // A surrogate pair is one character outside the Basic Multilingual
        // Plane, which Windows-1251 never holds: one '?' for the pair.
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            ++i;
            out.push_back('?');
            continue;
        }
        const int b = (unit >= 0xD800 && unit <= 0xDFFF) ? -1 : cp1251_detail::ByteOf(unit);
        out.push_back(b < 0 ? '?' : static_cast<char>(static_cast<unsigned char>(b)));
    }
    return out;
}

}  // namespace gvc
