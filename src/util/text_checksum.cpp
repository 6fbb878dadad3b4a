#include "util/text_checksum.h"

namespace gvc {

void TextFileChecksum::AddLine(std::string_view line) {
    std::size_t k = 3;
    for (char c : line) {
        switch (c) {
            case '|':
            case '-':
            case ' ':
            case '=':
            case '\r':
            case '\n':
                continue;
            default:
                sums_[k] = static_cast<std::uint16_t>(sums_[k] + static_cast<unsigned char>(c));
                k = (k == 0) ? 3 : k - 1;
        }
    }
}

std::string TextFileChecksum::Trailer() const {
    std::string bytes;
    bytes.reserve(kTrailerSize);
    for (std::uint16_t s : sums_) {
        bytes.push_back(static_cast<char>(s >> 8));
        bytes.push_back(static_cast<char>(s & 0xFF));
    }
    return bytes;
}

bool TextFileChecksum::MatchesTrailer(std::string_view trailer) const {
    if (trailer.size() < kTrailerSize) return false;
    for (std::size_t i = 0; i < 4; ++i) {
        const auto hi = static_cast<unsigned char>(trailer[2 * i]);
        const auto lo = static_cast<unsigned char>(trailer[2 * i + 1]);
        if (static_cast<std::uint16_t>(hi * 256 + lo) != sums_[i]) return false;
    }
    return true;
}

}  // namespace gvc
