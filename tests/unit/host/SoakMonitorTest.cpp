#include <gtest/gtest.h>

#include <vector>

#include "host/SampleCapture.h"
#include "host/SoakMonitor.h"

namespace host {
namespace {

constexpr int count = 8192;                      // 4096 pairs
constexpr double periodAt1MHz = 4096.0 / 1e6;    // 4.096 ms
constexpr double periodAt50kHz = 4096.0 / 50e3;  // 81.92 ms

int monitoredRate = 0;

int EXCALIBUR_STDCALL FakeMonitoredRate() { return monitoredRate; }

TEST(SoakMonitor, AStallIsAWaitOfMoreThanThreePeriodsOfTheBlockBefore) {
    SoakMonitor monitor(&FakeMonitoredRate);
    monitor.Arm(SoakMonitor::Clock::now(), 1000000);
    double t = 1.0;
    monitor.OnData(t, count);
    monitor.OnData(t += 2.9 * periodAt1MHz, count);
    monitor.OnData(t += 3.1 * periodAt1MHz, count);
    const double stallEnd = t;
    // The change to 50 kHz: the wait up to its first block is judged against 1 MHz,
    // the waits after it against 50 kHz.
    monitor.OnRateNotice(t + 0.001, 50000);
    monitor.OnData(t += 0.09, count);
    monitor.OnData(t += 2.9 * periodAt50kHz, count);

    const SoakObservations seen = monitor.Observations();
    EXPECT_EQ(seen.blocks, 5u);
    ASSERT_EQ(seen.stalls.size(), 2u);
    EXPECT_DOUBLE_EQ(seen.stalls[0].to, stallEnd);
    EXPECT_DOUBLE_EQ(seen.stalls[1].from, stallEnd);
    EXPECT_DOUBLE_EQ(seen.stalls[1].to, stallEnd + 0.09);
    EXPECT_NEAR(seen.longestWait, 2.9 * periodAt50kHz, 1e-9);
    ASSERT_EQ(seen.notices.size(), 1u);
    EXPECT_EQ(seen.notices[0].rate, 50000);
}

TEST(SoakMonitor, TheWaitAtTheEndOfTheStreamIsJudgedToo) {
    SoakMonitor monitor(&FakeMonitoredRate);
    monitor.Arm(SoakMonitor::Clock::now(), 1000000);
    monitor.OnData(2.0, count);
    monitor.MarkStopped();
    monitor.CloseStream(2.0 + 2 * periodAt1MHz);
    EXPECT_TRUE(monitor.Observations().stalls.empty());
    monitor.CloseStream(2.5);
    ASSERT_EQ(monitor.Observations().stalls.size(), 1u);
    EXPECT_DOUBLE_EQ(monitor.Observations().stalls[0].to, 2.5);
    monitor.CloseStream(1.9);  // a block came while StopHW ran
    EXPECT_EQ(monitor.Observations().stalls.size(), 1u);
}

TEST(SoakMonitor, TalliesCountsAndCountsDataAfterStopApart) {
    SoakMonitor monitor(&FakeMonitoredRate);
    monitor.OnData(0.5, 4);  // before Arm: not the soak's
    monitor.Arm(SoakMonitor::Clock::now(), 1000000);
    double t = 1.0;
    for (int n = 0; n < 10; ++n) monitor.OnData(t += periodAt1MHz, count);
    monitor.OnData(t += periodAt1MHz, 4096);
    for (int other : {1, 2, 3, 4, 5}) monitor.OnData(t += periodAt1MHz, other);
    monitor.MarkStopped();
    monitor.OnData(t += periodAt1MHz, count);
    monitor.OnData(t += periodAt1MHz, count);

    const SoakObservations seen = monitor.Observations();
    EXPECT_EQ(seen.blocks, 16u);
    ASSERT_EQ(seen.counts.size(), SoakMonitor::talliedCounts);
    EXPECT_EQ(seen.counts[0].count, count);
    EXPECT_EQ(seen.counts[0].calls, 10u);
    EXPECT_EQ(seen.counts[1].count, 4096);
    EXPECT_EQ(seen.callsOfUntalliedCounts, 3u);
    EXPECT_EQ(seen.blocksAfterStop, 2u);
}

TEST(SoakMonitor, CallbackRecordsStatus100WithGetHWSRAndHandsEverythingOnToTheCapture) {
    monitoredRate = 200000;
    SampleCapture capture(&FakeMonitoredRate);
    capture.Prepare(16, 1000000.0);
    capture.Arm();
    SoakMonitor monitor(&FakeMonitoredRate);
    std::vector<float> block(count, 0.25f);

    EXPECT_EQ(SoakMonitor::HostCallback(-1, 100, 0.0f, nullptr), 0);
    EXPECT_TRUE(monitor.Observations().notices.empty()) << "a status 100 before Arm is the set-up's";
    monitor.Arm(SoakMonitor::Clock::now(), 1000000);
    SoakMonitor::HostCallback(-1, 100, 0.0f, nullptr);
    SoakMonitor::HostCallback(count, 0, 0.0f, block.data());
    SoakMonitor::HostCallback(-1, 101, 0.0f, nullptr);

    const SoakObservations seen = monitor.Observations();
    ASSERT_EQ(seen.notices.size(), 1u);
    EXPECT_EQ(seen.notices[0].rate, 200000);
    EXPECT_GE(seen.notices[0].at, 0.0);
    EXPECT_EQ(seen.blocks, 1u);
    capture.Disarm();
    const CaptureResult result = capture.Result();
    EXPECT_EQ(result.blocks, 1u);
    EXPECT_EQ(result.rateChanges, 2);
    EXPECT_DOUBLE_EQ(result.nominalRate, 200000.0);
}

}  // namespace
}  // namespace host
