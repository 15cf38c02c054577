#include <gtest/gtest.h>

#include "host/GapDetector.h"

namespace host {
namespace {

constexpr double rate = 100000.0;
constexpr std::uint32_t block = 1000;  // 10 ms per block
constexpr double period = block / rate;

TEST(GapDetector, SteadyBlocksHaveNoGapsAndGiveTheNominalRate) {
    GapDetector detector;
    detector.Reset(rate);
    for (int n = 0; n < 100; ++n) detector.OnBlock(0.5 + n * period, block);
    const GapReport report = detector.Report();
    EXPECT_EQ(report.blocks, 100u);
    EXPECT_EQ(report.pairs, 100000u);
    EXPECT_NEAR(report.measuredRate, rate, 1e-6);
    EXPECT_EQ(report.stalls, 0u);
    EXPECT_EQ(report.missingPairs, 0);
    EXPECT_FALSE(report.shortfall);
    EXPECT_NEAR(report.longestWaitSeconds, period, 1e-12);
}

TEST(GapDetector, LostBlocksShowAsAStallAndAShortfall) {
    GapDetector detector;
    detector.Reset(rate);
    double t = 0.0;
    for (int n = 0; n < 50; ++n) detector.OnBlock(t += period, block);
    t += 4 * period;  // four blocks never came
    for (int n = 0; n < 50; ++n) detector.OnBlock(t += period, block);
    const GapReport report = detector.Report();
    EXPECT_EQ(report.stalls, 1u);
    EXPECT_NEAR(report.longestWaitSeconds, 5 * period, 1e-9);
    EXPECT_EQ(report.missingPairs, 4 * static_cast<std::int64_t>(block));
    EXPECT_TRUE(report.shortfall);
    EXPECT_LT(report.measuredRate, rate * 0.97);
}

TEST(GapDetector, LateBlocksThatCatchUpAreAStallButNoShortfall) {
    GapDetector detector;
    detector.Reset(rate);
    for (int n = 0; n < 20; ++n) detector.OnBlock(n * period, block);
    // Five blocks held back 60 ms, then delivered in a burst.
    for (int n = 20; n < 25; ++n) detector.OnBlock(25 * period, block);
    for (int n = 25; n < 60; ++n) detector.OnBlock(n * period, block);
    const GapReport report = detector.Report();
    EXPECT_EQ(report.stalls, 1u);
    EXPECT_EQ(report.missingPairs, 0);
    EXPECT_FALSE(report.shortfall);
}

TEST(GapDetector, WaitOfUpToThreePeriodsIsNoStall) {
    GapDetector detector;
    detector.Reset(rate);
    detector.OnBlock(0.0, block);
    detector.OnBlock(3 * period, block);
    detector.OnBlock(3 * period + 3.2 * period, block);
    EXPECT_EQ(detector.Report().stalls, 1u);
}

TEST(GapDetector, OneBlockMeasuresNothingAndResetForgets) {
    GapDetector detector;
    detector.Reset(rate);
    detector.OnBlock(1.0, block);
    EXPECT_EQ(detector.Report().measuredRate, 0.0);
    EXPECT_FALSE(detector.Report().shortfall);
    detector.Reset(2 * rate);
    EXPECT_EQ(detector.Report().blocks, 0u);
}

}  // namespace
}  // namespace host
