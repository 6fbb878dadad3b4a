// SHA-256 (FIPS 180-4) for the certificates' hashes and the calibration
// database's hash chain. Plain C++, no system library.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace gvc {

class Sha256 {
public:
    Sha256();
    void Update(std::string_view bytes);
    // The digest of everything given; the object is spent afterwards.
    std::array<std::uint8_t, 32> Finish();

private:
    void Block(const std::uint8_t* block);
    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0;
};

// Lower-case hex of the digest of `bytes`.
std::string Sha256Hex(std::string_view bytes);
std::string HexText(const std::array<std::uint8_t, 32>& digest);

}  // namespace gvc
