#pragma once

#include <cstdint>
#include <vector>

namespace host {

// The setting exports a soak calls.
enum class SoakCall { SampleMode, LevelOffset, Attenuator, Dither, NoiseBlanker };

struct SoakStep {
    SoakCall call;
    int value;
};

struct SoakStart {
    int sampleMode = 0;
    int levelOffset = 0;
    bool attenuator = false;
    bool dither = false;
    bool noiseBlanker = false;
};

// What a soak calls when: a new sample mode every 250 ms (the next one of
// 0..4, so every call is a change), a level offset every 10 ms (a seeded walk
// in -200..200), and attenuator, dither and noise blanker toggled every
// 100 ms. Each kind keeps its own grid of times from the start; a caller that
// falls behind gets one step of each kind late, never a burst.
class SoakSchedule {
public:
    static constexpr double modePeriod = 0.25;
    static constexpr double levelPeriod = 0.01;
    static constexpr double switchPeriod = 0.1;
    static constexpr int modeCount = 5;
    static constexpr int lowestOffset = -200;
    static constexpr int highestOffset = 200;
    static constexpr int largestOffsetStep = 25;

    SoakSchedule(const SoakStart& start, std::uint32_t seed);

    // Seconds since the start at which the next step falls due.
    double NextDue() const;
    // Appends the steps due at this time, sample mode first, and moves on.
    void TakeDue(double seconds, std::vector<SoakStep>& steps);

private:
    struct Timer {
        double period;
        std::uint64_t slot = 1;  // the start itself is no step
        double Due() const { return period * static_cast<double>(slot); }
        bool Take(double seconds);
    };

    int NextLevelOffset();

    Timer mode_{modePeriod};
    Timer level_{levelPeriod};
    Timer switches_{switchPeriod};
    SoakStart state_;
    std::uint32_t random_;
};

}  // namespace host
