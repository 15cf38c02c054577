#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "host/SampleCapture.h"

namespace host {
namespace {

int reportedRate = 0;
int rateQueries = 0;

int EXCALIBUR_STDCALL FakeGetHWSR() {
    ++rateQueries;
    return reportedRate;
}

std::vector<float> Block(std::size_t pairs, float i, float q) {
    std::vector<float> block(2 * pairs);
    for (std::size_t n = 0; n < pairs; ++n) {
        block[2 * n] = i;
        block[2 * n + 1] = q;
    }
    return block;
}

int Deliver(std::vector<float>& block) {
    return SampleCapture::HostCallback(static_cast<int>(block.size()), 0, 0.0f, block.data());
}

class SampleCaptureTest : public testing::Test {
protected:
    void SetUp() override {
        reportedRate = 50000;
        rateQueries = 0;
    }
};

TEST_F(SampleCaptureTest, KeepsTheFirstPairsAndCountsAllOfThem) {
    SampleCapture capture(&FakeGetHWSR);
    capture.Prepare(1000, 50000.0);
    capture.Arm();
    auto first = Block(600, 0.5f, -0.5f);
    auto second = Block(600, 0.25f, 0.25f);
    // Data arrives on a thread of the plug-in's, not the host's.
    std::thread stream([&] {
        Deliver(first);
        Deliver(second);
    });
    stream.join();
    capture.Disarm();

    const CaptureResult result = capture.Result();
    EXPECT_EQ(result.blocks, 2u);
    EXPECT_EQ(result.values, 2400u);
    EXPECT_EQ(capture.ValuesSoFar(), 2400u);
    ASSERT_EQ(result.storedPairs, 1000u);
    EXPECT_EQ(result.stored[0], 0.5f);
    EXPECT_EQ(result.stored[2 * 599 + 1], -0.5f);
    EXPECT_EQ(result.stored[2 * 600], 0.25f);
    EXPECT_EQ(result.stored[2 * 999 + 1], 0.25f);
    // Mean |x|^2: 600 pairs at 0.5 and 600 at 0.125.
    EXPECT_NEAR(result.level.Dbfs(1.0), 10.0 * std::log10((600 * 0.5 + 600 * 0.125) / 1200.0), 1e-4);
    EXPECT_FLOAT_EQ(result.peakMagnitude, 0.5f);
}

TEST_F(SampleCaptureTest, DataBeforeArmOrAfterDisarmIsDropped) {
    SampleCapture capture(&FakeGetHWSR);
    capture.Prepare(100, 50000.0);
    auto block = Block(10, 1.0f, 0.0f);
    Deliver(block);
    capture.Arm();
    Deliver(block);
    capture.Disarm();
    Deliver(block);
    EXPECT_EQ(capture.Result().blocks, 1u);
}

TEST_F(SampleCaptureTest, BlocksLongerThanStartHWsSizeAreCutAndBadCallsCounted) {
    SampleCapture capture(&FakeGetHWSR);
    capture.Prepare(10000, 50000.0);
    capture.SetBlockPairs(256);
    capture.Arm();
    auto big = Block(300, 0.1f, 0.1f);
    Deliver(big);
    SampleCapture::HostCallback(512, 0, 0.0f, nullptr);
    SampleCapture::HostCallback(0, 0, 0.0f, big.data());
    auto odd = Block(5, 0.1f, 0.1f);
    SampleCapture::HostCallback(9, 0, 0.0f, odd.data());
    capture.Disarm();
    const CaptureResult result = capture.Result();
    EXPECT_EQ(result.oversizedBlocks, 1u);
    EXPECT_EQ(result.emptyDataCalls, 2u);
    EXPECT_EQ(result.values, 512u + 8u);
    EXPECT_EQ(result.storedPairs, 256u + 4u);
}

TEST_F(SampleCaptureTest, Status100ReadsTheNewRateAndStartsTheStorageAgain) {
    SampleCapture capture(&FakeGetHWSR);
    capture.Prepare(1000, 50000.0);
    capture.Arm();
    auto before = Block(100, 0.5f, 0.0f);
    Deliver(before);
    reportedRate = 200000;
    SampleCapture::HostCallback(-1, SampleCapture::sampleRateChanged, 0.0f, nullptr);
    EXPECT_EQ(rateQueries, 1);
    EXPECT_EQ(capture.NominalRate(), 200000.0);
    auto after = Block(50, -0.25f, 0.0f);
    Deliver(after);
    SampleCapture::HostCallback(-1, 101, 0.0f, nullptr);
    capture.Disarm();

    const CaptureResult result = capture.Result();
    EXPECT_EQ(result.rateChanges, 1);
    EXPECT_EQ(result.storedRate, 200000.0);
    ASSERT_EQ(result.storedPairs, 50u);
    EXPECT_EQ(result.stored[0], -0.25f);
    EXPECT_EQ(result.blocks, 2u);
    EXPECT_EQ(result.gaps.blocks, 1u) << "gap statistics start again at the new rate";
    const std::vector<std::pair<int, std::uint32_t>> statuses = {{100, 1}, {101, 1}};
    EXPECT_EQ(result.statusCalls, statuses);
}

TEST_F(SampleCaptureTest, LevelsAreKeptPerPhaseSkippingTheBlockAfterASwitch) {
    SampleCapture capture(&FakeGetHWSR);
    capture.Prepare(10, 50000.0);
    capture.Arm();
    auto loud = Block(100, 1.0f, 0.0f);
    auto quiet = Block(100, 0.1f, 0.0f);
    Deliver(loud);
    capture.SetPhase(1);
    Deliver(loud);  // in flight when the attenuator switched
    Deliver(quiet);
    capture.SetPhase(2);
    Deliver(quiet);
    Deliver(loud);
    capture.Disarm();
    const CaptureResult result = capture.Result();
    EXPECT_NEAR(result.phaseLevels[0].Dbfs(1.0), 0.0, 1e-6);
    EXPECT_NEAR(result.phaseLevels[1].Dbfs(1.0), -20.0, 1e-4);
    EXPECT_NEAR(result.phaseLevels[2].Dbfs(1.0), 0.0, 1e-6);
    EXPECT_EQ(result.level.pairs, 300u);
}

TEST_F(SampleCaptureTest, CallbackAfterTheCaptureIsGoneDoesNothing) {
    auto block = Block(10, 1.0f, 0.0f);
    {
        SampleCapture capture(&FakeGetHWSR);
        capture.Prepare(100, 50000.0);
        capture.Arm();
    }
    EXPECT_EQ(Deliver(block), 0);
    EXPECT_EQ(SampleCapture::HostCallback(-1, SampleCapture::sampleRateChanged, 0.0f, nullptr), 0);
    EXPECT_EQ(rateQueries, 0);
}

}  // namespace
}  // namespace host
