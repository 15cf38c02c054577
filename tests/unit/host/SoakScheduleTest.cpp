#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "host/SoakSchedule.h"

namespace host {
namespace {

constexpr std::uint32_t seed = 0x5eed1e55;

SoakStart FromMode4() {
    SoakStart start;
    start.sampleMode = 4;
    start.levelOffset = 3;
    start.dither = true;
    return start;
}

struct TimedStep {
    double at;
    SoakStep step;
};

// Every step of the first `seconds`, taken exactly when due.
std::vector<TimedStep> RunOnTime(SoakSchedule& schedule, double seconds) {
    std::vector<TimedStep> taken;
    std::vector<SoakStep> steps;
    for (double due = schedule.NextDue(); due <= seconds; due = schedule.NextDue()) {
        steps.clear();
        schedule.TakeDue(due, steps);
        for (const SoakStep& step : steps) taken.push_back({due, step});
    }
    return taken;
}

std::vector<TimedStep> Only(const std::vector<TimedStep>& steps, SoakCall call) {
    std::vector<TimedStep> kept;
    std::copy_if(steps.begin(), steps.end(), std::back_inserter(kept),
                 [&](const TimedStep& s) { return s.step.call == call; });
    return kept;
}

TEST(SoakSchedule, OnTimeEachKindKeepsItsPeriod) {
    SoakSchedule schedule(FromMode4(), seed);
    const auto steps = RunOnTime(schedule, 1.0001);

    const auto modes = Only(steps, SoakCall::SampleMode);
    ASSERT_EQ(modes.size(), 4u);
    for (std::size_t i = 0; i < modes.size(); ++i) {
        EXPECT_NEAR(modes[i].at, 0.25 * static_cast<double>(i + 1), 1e-9);
        EXPECT_EQ(modes[i].step.value, static_cast<int>(i)) << "from mode 4 the cycle goes on with 0, 1, 2, 3";
    }
    EXPECT_EQ(Only(steps, SoakCall::LevelOffset).size(), 100u);
    for (SoakCall call : {SoakCall::Attenuator, SoakCall::Dither, SoakCall::NoiseBlanker}) {
        const auto toggles = Only(steps, call);
        ASSERT_EQ(toggles.size(), 10u);
        EXPECT_NEAR(toggles.front().at, 0.1, 1e-9);
        for (std::size_t i = 1; i < toggles.size(); ++i)
            EXPECT_NE(toggles[i].step.value, toggles[i - 1].step.value) << "a toggle switches every time";
    }
    EXPECT_EQ(Only(steps, SoakCall::Attenuator).front().step.value, 1) << "the attenuator was off";
    EXPECT_EQ(Only(steps, SoakCall::Dither).front().step.value, 0) << "dither was on";
}

TEST(SoakSchedule, EverySampleModeDiffersFromTheOneBefore) {
    SoakStart start = FromMode4();
    start.sampleMode = 2;
    SoakSchedule schedule(start, seed);
    int previous = start.sampleMode;
    const auto modes = Only(RunOnTime(schedule, 10.001), SoakCall::SampleMode);
    ASSERT_EQ(modes.size(), 40u);
    for (const TimedStep& mode : modes) {
        EXPECT_GE(mode.step.value, 0);
        EXPECT_LE(mode.step.value, 4);
        EXPECT_NE(mode.step.value, previous) << "SetSamples with the mode in force would do nothing";
        previous = mode.step.value;
    }
}

TEST(SoakSchedule, ACallerThatFellBehindGetsOneStepOfEachKindNotABurst) {
    SoakSchedule schedule(FromMode4(), seed);
    std::vector<SoakStep> steps;
    schedule.TakeDue(1.07, steps);
    ASSERT_EQ(steps.size(), 5u);
    EXPECT_EQ(steps[0].call, SoakCall::SampleMode);
    EXPECT_EQ(steps[0].value, 0);
    EXPECT_EQ(steps[4].call, SoakCall::LevelOffset);
    // Back on each kind's grid, after the time of the late call.
    EXPECT_NEAR(schedule.NextDue(), 1.08, 1e-9);
    steps.clear();
    schedule.TakeDue(1.08, steps);
    ASSERT_EQ(steps.size(), 1u);
    const auto later = RunOnTime(schedule, 1.2501);
    EXPECT_EQ(Only(later, SoakCall::SampleMode).size(), 1u);
    EXPECT_NEAR(Only(later, SoakCall::SampleMode).front().at, 1.25, 1e-9);
    EXPECT_NEAR(Only(later, SoakCall::Attenuator).front().at, 1.1, 1e-9);
}

TEST(SoakSchedule, LevelOffsetIsASeededWalkInsideTheRange) {
    auto walk = [](std::uint32_t walkSeed, int startOffset) {
        SoakStart start = FromMode4();
        start.levelOffset = startOffset;
        SoakSchedule schedule(start, walkSeed);
        std::vector<int> offsets;
        for (const TimedStep& s : Only(RunOnTime(schedule, 300.005), SoakCall::LevelOffset))
            offsets.push_back(s.step.value);
        return offsets;
    };
    const std::vector<int> offsets = walk(seed, 3);
    ASSERT_EQ(offsets.size(), 30000u);
    EXPECT_EQ(offsets, walk(seed, 3)) << "the same seed walks the same way";
    EXPECT_NE(offsets, walk(seed + 1, 3));

    int previous = 3;
    for (int offset : offsets) {
        ASSERT_GE(offset, SoakSchedule::lowestOffset);
        ASSERT_LE(offset, SoakSchedule::highestOffset);
        ASSERT_LE(std::abs(offset - previous), SoakSchedule::largestOffsetStep);
        previous = offset;
    }
    // It roams the whole range, not a corner of it.
    EXPECT_LT(*std::min_element(offsets.begin(), offsets.end()), -150);
    EXPECT_GT(*std::max_element(offsets.begin(), offsets.end()), 150);

    const std::vector<int> fromOutside = walk(seed, 900);
    EXPECT_LE(fromOutside.front(), SoakSchedule::highestOffset) << "a start outside the range is clamped first";
    EXPECT_GE(fromOutside.front(), SoakSchedule::highestOffset - SoakSchedule::largestOffsetStep);
}

}  // namespace
}  // namespace host
