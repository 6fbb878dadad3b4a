// The checksum of the table file, the report log and the certificate: four
// 16-bit sums over the characters of each line that are not "|", "-", " ",
// "=", CR or LF. The first counted byte of every line goes to sum 3, the next
// to sum 2, 1, 0, then 3 again. Stored as 8 bytes, sum 0 first, high byte first.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace gvc {

class TextFileChecksum {
public:
    static constexpr std::size_t kTrailerSize = 8;

    void Reset() { sums_ = {}; }

    // Counts one whole line (CR LF included).
    void AddLine(std::string_view line);

    std::uint16_t Sum(int index) const { return sums_[static_cast<std::size_t>(index)]; }

    // The 8 trailer bytes of the current sums.
    std::string Trailer() const;

    // True when `trailer` holds exactly the 8 bytes of the current sums; a
    // shorter text (a file cut inside its trailer) never matches.
    bool MatchesTrailer(std::string_view trailer) const;

private:
    std::array<std::uint16_t, 4> sums_{};
};

}  // namespace gvc
