// Colours as plain RGB triples, so that the core can say which colour a cell
// or a display gets and the GUI only converts it.
#pragma once

#include <cstdint>

namespace gvc {

struct RgbColour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const RgbColour&) const = default;
};

inline constexpr RgbColour kColourWhite{255, 255, 255};
inline constexpr RgbColour kColourSilver{192, 192, 192};
inline constexpr RgbColour kColourYellow{255, 255, 0};
inline constexpr RgbColour kColourMoneyGreen{192, 220, 192};
inline constexpr RgbColour kColourCream{255, 251, 240};
inline constexpr RgbColour kColourFuchsia{255, 0, 255};
inline constexpr RgbColour kColourSkyBlue{166, 202, 240};
inline constexpr RgbColour kColourAqua{0, 255, 255};

}  // namespace gvc
