#include "receiver/Ddc1Bandwidths.h"

#include <atomic>

#include "receiver/SampleModes.h"

namespace excalibur {
namespace {

// 0 while unknown.
std::atomic<std::int32_t> bandwidths[kSampleModeCount] = {};

}  // namespace

void KeepDdc1Bandwidth(std::uint32_t typeIndex, const g31ddc::Ddc1Info& info) {
    for (int mode = 0; mode < kSampleModeCount; ++mode) {
        const SampleModeEntry& entry = SampleModeTable[mode];
        if (entry.ddc1TypeIndex != typeIndex) continue;
        const bool usable = info.bandwidth > 0 && info.bandwidth <= entry.sampleRate;
        bandwidths[mode] = usable ? static_cast<std::int32_t>(info.bandwidth) : 0;
    }
}

std::int32_t Ddc1BandwidthOfMode(int mode) {
    if (mode < 0 || mode >= kSampleModeCount) return kUnknownBandwidth;
    const std::int32_t bandwidth = bandwidths[mode];
    return bandwidth > 0 ? bandwidth : kUnknownBandwidth;
}

void ForgetDdc1Bandwidths() {
    for (auto& bandwidth : bandwidths) bandwidth = 0;
}

}  // namespace excalibur
