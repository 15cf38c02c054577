#pragma once

#include <cstdint>

namespace simulator {

// One DDC1 type: the rate at which I/Q pairs leave the down-converter and the
// width of the band that carries signal.
struct Ddc1Type {
    std::uint32_t sampleRate;
    std::uint32_t bandwidth;
};

inline constexpr Ddc1Type kDdc1Types[] = {
    {20000, 16000},   {32000, 25600},   {40000, 32000},   {50000, 40000},   {64000, 51200},    {80000, 64000},
    {100000, 80000},  {125000, 100000}, {160000, 128000}, {200000, 160000}, {250000, 200000},  {320000, 256000},
    {400000, 320000}, {500000, 400000}, {640000, 512000}, {800000, 640000}, {1000000, 800000},
};

inline constexpr std::uint32_t kDdc1TypeCount = sizeof(kDdc1Types) / sizeof(kDdc1Types[0]);

// Null when the index names no type.
inline const Ddc1Type* FindDdc1Type(std::uint32_t index) {
    return index < kDdc1TypeCount ? &kDdc1Types[index] : nullptr;
}

}  // namespace simulator
