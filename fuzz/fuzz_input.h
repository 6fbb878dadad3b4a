// Takes values off the front of a fuzzer's input, in the order a target
// needs them; an exhausted input gives zeros and empty spans.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace gvc::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : rest_(data, size) {}

    bool Empty() const { return rest_.empty(); }

    std::uint8_t Byte() {
        if (rest_.empty()) return 0;
        const std::uint8_t b = rest_.front();
        rest_ = rest_.subspan(1);
        return b;
    }

    std::uint32_t Word() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return value;
    }

    std::span<const std::uint8_t> Bytes(std::size_t count) {
        const std::size_t n = std::min(count, rest_.size());
        const auto taken = rest_.first(n);
        rest_ = rest_.subspan(n);
        return taken;
    }

private:
    std::span<const std::uint8_t> rest_;
};

}  // namespace gvc::fuzz
