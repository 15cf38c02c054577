#include "host/SoakSchedule.h"

#include <algorithm>
#include <cmath>

namespace host {

bool SoakSchedule::Timer::Take(double seconds) {
    if (seconds < Due()) return false;
    // The next slot of the grid after now: slots missed while behind are dropped.
    const auto passed = static_cast<std::uint64_t>(std::floor(seconds / period));
    slot = std::max(slot + 1, passed + 1);
    while (Due() <= seconds) ++slot;  // the division may have rounded down
    return true;
}

SoakSchedule::SoakSchedule(const SoakStart& start, std::uint32_t seed) : state_(start), random_(seed != 0 ? seed : 1u) {
    state_.levelOffset = std::clamp(state_.levelOffset, lowestOffset, highestOffset);
}

double SoakSchedule::NextDue() const { return std::min({mode_.Due(), level_.Due(), switches_.Due()}); }

int SoakSchedule::NextLevelOffset() {
    // xorshift32: the same walk from the same seed on every build.
    random_ ^= random_ << 13;
    random_ ^= random_ >> 17;
    random_ ^= random_ << 5;
    const int step = static_cast<int>(random_ % (2 * largestOffsetStep + 1)) - largestOffsetStep;
    int offset = state_.levelOffset + step;
    if (offset > highestOffset) offset = 2 * highestOffset - offset;
    if (offset < lowestOffset) offset = 2 * lowestOffset - offset;
    state_.levelOffset = offset;
    return offset;
}

void SoakSchedule::TakeDue(double seconds, std::vector<SoakStep>& steps) {
    if (mode_.Take(seconds)) {
        state_.sampleMode = (state_.sampleMode + 1) % modeCount;
        steps.push_back({SoakCall::SampleMode, state_.sampleMode});
    }
    if (switches_.Take(seconds)) {
        state_.attenuator = !state_.attenuator;
        state_.dither = !state_.dither;
        state_.noiseBlanker = !state_.noiseBlanker;
        steps.push_back({SoakCall::Attenuator, state_.attenuator ? 1 : 0});
        steps.push_back({SoakCall::Dither, state_.dither ? 1 : 0});
        steps.push_back({SoakCall::NoiseBlanker, state_.noiseBlanker ? 1 : 0});
    }
    if (level_.Take(seconds)) steps.push_back({SoakCall::LevelOffset, NextLevelOffset()});
}

}  // namespace host
