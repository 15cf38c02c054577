#pragma once

#include <cstdint>

namespace simulator {

// xorshift64*: fast, small, and the same sequence on every platform.
class SeededRandom {
public:
    explicit SeededRandom(std::uint64_t seed = 1) : state_(seed != 0 ? seed : 1) {}

    std::uint64_t Next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1DULL;
    }

    // Uniform in [0, 1).
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

    // Close to a standard normal value: the sum of four uniform 16-bit fields,
    // centred and scaled to unit variance.
    float Gaussian() {
        const std::uint64_t bits = Next();
        const std::uint32_t sum =
            static_cast<std::uint32_t>(bits & 0xFFFF) + static_cast<std::uint32_t>((bits >> 16) & 0xFFFF) +
            static_cast<std::uint32_t>((bits >> 32) & 0xFFFF) + static_cast<std::uint32_t>(bits >> 48);
        return (static_cast<float>(sum) - 131070.0f) * (1.0f / 37837.2f);
    }

private:
    std::uint64_t state_;
};

}  // namespace simulator
