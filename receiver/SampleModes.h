#pragma once

#include <cstdint>

namespace excalibur {

struct SampleModeEntry {
    std::uint32_t sampleRate;     // Hz
    std::uint32_t ddc1TypeIndex;  // the driver's DDC1 type for that rate
};

// Indexed by SampleMode 0..4.
inline constexpr SampleModeEntry SampleModeTable[] = {
    {50000, 3}, {100000, 6}, {200000, 9}, {500000, 13}, {1000000, 16},
};
inline constexpr int kSampleModeCount = 5;

inline constexpr int ClampSampleMode(int mode) {
    return mode > 4 ? 4 : (mode < 0 ? 0 : mode);
}

// The mode whose rate this is; -1 for a rate of no mode.
inline constexpr int SampleModeOfRate(std::uint32_t rate) {
    for (int mode = 0; mode < kSampleModeCount; ++mode) {
        if (SampleModeTable[mode].sampleRate == rate) return mode;
    }
    return -1;
}

}  // namespace excalibur
