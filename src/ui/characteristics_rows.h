// The texts of the 64 fixed rows of the characteristics list: what the list
// view shows and what the certificate and the report log read back.
#pragma once

#include <array>
#include <string>

namespace gvc {

inline constexpr int kCharacteristicsRowCount = 64;

struct CharacteristicsRow {
    std::string caption;  // Windows-1251, numbered "NN. " except group heads
    std::string oldText;  // the "Старые Значения" column
    std::string newText;  // the "Новые Значения" column
};

using CharacteristicsRows = std::array<CharacteristicsRow, kCharacteristicsRowCount>;

}  // namespace gvc
