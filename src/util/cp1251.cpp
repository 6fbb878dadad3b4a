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

}  // namespace gvc
