#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace excalibur {

struct SampleModeEntry {
    std::uint32_t sampleRate;     // Hz
    std::uint32_t ddc1TypeIndex;  // the driver's DDC1 type for that rate
    const char* buttonLabel;      // the panel's sample button
};

// Indexed by SampleMode 0..4: the one list of the receiver's rates.
inline constexpr SampleModeEntry SampleModeTable[] = {
    {50000, 3, "50 kHz Sample"},    {100000, 6, "100 kHz Sample"},   {200000, 9, "200 kHz Sample"},
    {500000, 13, "500 kHz Sample"}, {1000000, 16, "1.0 MHz Sample"},
};
inline constexpr int kSampleModeCount = static_cast<int>(std::size(SampleModeTable));

inline constexpr int ClampSampleMode(int mode) { return std::clamp(mode, 0, kSampleModeCount - 1); }

// The mode whose rate this is; -1 for a rate of no mode.
inline constexpr int SampleModeOfRate(std::uint32_t rate) {
    for (int mode = 0; mode < kSampleModeCount; ++mode) {
        if (SampleModeTable[mode].sampleRate == rate) return mode;
    }
    return -1;
}

}  // namespace excalibur
