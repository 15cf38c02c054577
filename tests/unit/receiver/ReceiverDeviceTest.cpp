#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <thread>
#include <tuple>

#include "receiver/Ddc1Bandwidths.h"
#include "receiver/SampleModes.h"
#include "tests/unit/receiver/DeviceFixture.h"

using namespace excalibur;
using Strings = std::vector<std::string>;

namespace {

Strings Names(const Strings& log) {
    Strings names;
    for (const auto& line : log) names.push_back(line.substr(0, line.find(' ')));
    return names;
}

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

bool WithinOneUlp(float actual, double exact) {
    const float rounded = static_cast<float>(exact);
    return actual == rounded || actual == std::nextafter(rounded, INFINITY) ||
           actual == std::nextafter(rounded, -INFINITY);
}

}  // namespace

TEST_F(DeviceTest, OpenAppliesTheRecordAndSelectsItsSampleMode) {
    exPara.attenuator = 2;
    exPara.dither = 1;
    exPara.noiseBlanker = 3;
    exPara.sampleMode = 3;
    exPara.levelOffset = 20;
    hostCallback.Replace(&CallbackRecorder::Callback);
    ReceiverDevice device;

    ASSERT_EQ(device.Open(), 1);

    EXPECT_EQ(device.DeviceHandle(), 0);
    const auto log = TakeLog();
    ASSERT_EQ(Names(log),
              (Strings{"OpenDevice", "SetDDC1", "GetDDC1", "SetAttenuator", "SetDithering", "SetADCNoiseBlanker"}));
    EXPECT_EQ(log[0], "OpenDevice -1");
    EXPECT_EQ(log[1], "SetDDC1 0 0");
    EXPECT_EQ(log[3], "SetAttenuator 0 21");
    EXPECT_EQ(log[4], "SetDithering 0 1");
    EXPECT_EQ(log[5], "SetADCNoiseBlanker 0 3");
    EXPECT_EQ(exPara.attenuator, 2);
    EXPECT_EQ(sampleRate, 500000u);
    EXPECT_EQ(ddc1TypeIndex, 13u);
    EXPECT_EQ(samplesPerBufferLog2, 12u);
    EXPECT_FLOAT_EQ(device.Gain(), 10.0f);
    const auto status = CallbackRecorder::Instance().StatusCalls();
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0].count, -1);
    EXPECT_EQ(status[0].status, 100);
    EXPECT_EQ(status[0].iqOffset, 0.0f);
    EXPECT_FALSE(status[0].hasData);
}

TEST_F(DeviceTest, GainFollowsTheOffsetOnlyWithoutAHostWindow) {
    exPara.levelOffset = -174;
    ReceiverDevice device;
    ASSERT_EQ(device.Open(), 1);
    EXPECT_NEAR(device.Gain(), 1.9953e-9f, 1e-12f);
    device.ApplyLevelOffset(-20);
    EXPECT_FLOAT_EQ(device.Gain(), 0.1f);
    exPara.hostWindow = 0x1234;
    device.ApplyLevelOffset(-174);
    EXPECT_EQ(device.Gain(), 1.0f);
}

TEST_F(DeviceTest, StartSwitchesPowerOnlyWhenOffAndAsksForBlocksOf4096Pairs) {
    hostCallback.Replace(&CallbackRecorder::Callback);
    ReceiverDevice device;
    ASSERT_EQ(device.Open(), 1);
    TakeLog();

    ASSERT_EQ(device.Start(), 1);
    EXPECT_TRUE(device.IsStreaming());
    auto log = TakeLog();
    ASSERT_EQ(Names(log),
              (Strings{"GetPower", "SetPower", "SetLED", "SetDDC1", "SetMWFilter", "SetCallbacks", "StartDDC1"}));
    EXPECT_EQ(log[1], "SetPower 0 1");
    EXPECT_EQ(log[2], "SetLED 0 1");
    EXPECT_EQ(log[3], "SetDDC1 0 9");
    EXPECT_EQ(log[4], "SetMWFilter 0 0");
    EXPECT_EQ(log[6], "StartDDC1 0 4096");
    ASSERT_TRUE(WaitFor([] { return CallbackRecorder::Instance().DataBlocks() > 0; }));
    EXPECT_EQ(CallbackRecorder::Instance().LastDataCount(), 8192);

    device.Stop();
    EXPECT_FALSE(device.IsStreaming());
    log = TakeLog();
    ASSERT_EQ(Names(log), (Strings{"StopDDC1", "SetCallbacks"}));
    EXPECT_EQ(log[0], "StopDDC1 0");
    EXPECT_EQ(log[1], "SetCallbacks 0 0 0");

    ASSERT_EQ(device.Start(), 1);
    EXPECT_EQ(Names(TakeLog()), (Strings{"GetPower", "SetLED", "SetDDC1", "SetMWFilter", "SetCallbacks", "StartDDC1"}));
}

TEST_F(DeviceTest, CloseStopsSwitchesOffAndReleasesEverythingOnce) {
    hostCallback.Replace(&CallbackRecorder::Callback);
    ReceiverDevice device;
    ASSERT_EQ(device.Open(), 1);
    ASSERT_EQ(device.Start(), 1);
    TakeLog();

    EXPECT_EQ(device.Close(), 1);
    const auto blocksAtClose = CallbackRecorder::Instance().DataBlocks();
    const auto log = TakeLog();
    ASSERT_EQ(Names(log), (Strings{"StopDDC1", "SetCallbacks", "SetPower", "SetLED", "CloseDevice"}));
    EXPECT_EQ(log[2], "SetPower 0 0");
    EXPECT_EQ(log[3], "SetLED 0 0");
    EXPECT_EQ(log[4], "CloseDevice 0");
    EXPECT_EQ(device.DeviceHandle(), -1);
    EXPECT_FALSE(device.IsStreaming());
    EXPECT_EQ(device.SampleBuffer(), nullptr);

    EXPECT_EQ(device.Close(), 0);
    EXPECT_TRUE(TakeLog().empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(CallbackRecorder::Instance().DataBlocks(), blocksAtClose);

    // The receiver can be opened again once closed.
    EXPECT_EQ(device.Open(), 1);
}

TEST_F(DeviceTest, SelectSampleModeClampsAndRestartsARunningStream) {
    hostCallback.Replace(&CallbackRecorder::Callback);
    ReceiverDevice device;
    ASSERT_EQ(device.Open(), 1);
    ASSERT_EQ(device.Start(), 1);
    CallbackRecorder::Instance().Clear();
    TakeLog();

    EXPECT_EQ(device.SelectSampleMode(7), 1);
    EXPECT_EQ(exPara.sampleMode, 4);
    EXPECT_EQ(sampleRate, 1000000u);
    EXPECT_EQ(ddc1TypeIndex, 16u);
    auto log = TakeLog();
    ASSERT_EQ(Names(log), (Strings{"StopDDC1", "SetCallbacks", "GetPower", "SetLED", "SetDDC1", "SetMWFilter",
                                   "SetCallbacks", "StartDDC1"}));
    EXPECT_EQ(log[4], "SetDDC1 0 16");
    EXPECT_TRUE(device.IsStreaming());

    EXPECT_EQ(device.SelectSampleMode(-3), 1);
    EXPECT_EQ(exPara.sampleMode, 0);
    EXPECT_EQ(sampleRate, 50000u);
    EXPECT_EQ(ddc1TypeIndex, 3u);

    // The mode already in force runs the whole selection again.
    TakeLog();
    EXPECT_EQ(device.SelectSampleMode(0), 1);
    EXPECT_EQ(Names(TakeLog()).front(), "StopDDC1");
    const auto status = CallbackRecorder::Instance().StatusCalls();
    ASSERT_EQ(status.size(), 3u);
    for (const auto& call : status) {
        EXPECT_EQ(call.count, -1);
        EXPECT_EQ(call.status, 100);
    }
}

TEST_F(DeviceTest, TuneClampsAndReachesTheReceiverOnlyWhenOpen) {
    ReceiverDevice device;
    device.Tune(5);
    EXPECT_EQ(loFrequency, 10);
    device.Tune(60000000);
    EXPECT_EQ(loFrequency, 50000000);
    device.Tune(10);
    EXPECT_EQ(loFrequency, 10);
    device.Tune(50000000);
    EXPECT_EQ(loFrequency, 50000000);
    EXPECT_TRUE(TakeLog().empty());

    ASSERT_EQ(device.Open(), 1);
    TakeLog();
    device.Tune(5);
    device.Tune(7100000);
    EXPECT_EQ(TakeLog(), (Strings{"SetFrequency 0 0 10", "SetFrequency 0 0 7100000"}));
}

// What the driver reports for the DDC1 type in force, row after row.
TEST_F(DeviceTest, AModesBandwidthIsKeptOnlyAsTheDriverReportsItWithinTheRate) {
    // Type and bandwidth reported, the mode asked for, what it has then.
    const std::tuple<std::uint32_t, std::uint32_t, int, std::int32_t> rows[] = {
        {3, 50000, 0, 50000}, {4, 51200, 0, 50000},     // the whole rate; a type of no mode changes none
        {3, 50001, 0, -1},    {16, 800000, 4, 800000},  // above the rate; the usual share
        {16, 0, 4, -1},       {3, 40000, 5, -1}};       // nothing; an index of no mode
    for (const auto& [type, bandwidth, mode, kept] : rows) {
        KeepDdc1Bandwidth(type, g31ddc::Ddc1Info{0, bandwidth, 32});
        EXPECT_EQ(Ddc1BandwidthOfMode(mode), kept) << "type " << type << ", " << bandwidth << " Hz";
    }
}

// A type the driver did not report is asked for again at the next learning;
// the type the stream last started at is set again. (The learning while
// streaming and its keeping for the load: the plug-in's scenario.)
TEST_F(DeviceTest, ABandTheDriverDidNotReportIsAskedForAgain) {
    ReceiverDevice device;
    ASSERT_EQ(device.Open(), 1);
    ASSERT_EQ(device.Start(), 1);
    device.Stop();
    TakeLog();

    // The first learning's third report fails (Open made the first GetDDC1).
    testsupport::SetEnvironment("G31DDC_SIM_FAIL", "GetDDC1:4");
    device.LearnDdc1Bandwidths();
    testsupport::SetEnvironment("G31DDC_SIM_FAIL", nullptr);
    const Strings learning = TakeLog();
    EXPECT_EQ(learning.back(), "SetDDC1 0 9") << "the type the stream last started at";
    EXPECT_EQ(Ddc1BandwidthOfMode(2), -1);
    EXPECT_EQ(Ddc1BandwidthOfMode(3), 400000);
    device.LearnDdc1Bandwidths();
    EXPECT_EQ(TakeLog(), learning) << "asked again after a failed report";
    EXPECT_EQ(Ddc1BandwidthOfMode(2), 160000);
}

TEST_F(DeviceTest, ConversionScalesEveryValueByTheGain) {
    hostCallback.Replace(&CallbackRecorder::Callback);
    ReceiverDevice device;
    ASSERT_EQ(device.Open(), 1);
    const std::int32_t block[] = {INT32_MIN, INT32_MAX, 0, 1, -1, 123456789, -987654321, 42};
    for (const std::uint32_t window : {0u, 0x1234u}) {
        for (const int offset : {-174, 0, 20}) {
            exPara.hostWindow = window;
            device.ApplyLevelOffset(static_cast<std::int16_t>(offset));
            const double gain = window != 0 ? 1.0 : static_cast<float>(std::pow(10.0, offset * 0.05));
            ReceiverDevice::Ddc1StreamHandler(block, 4, 0, reinterpret_cast<std::uintptr_t>(&device));
            EXPECT_EQ(CallbackRecorder::Instance().LastDataCount(), 8);
            for (int i = 0; i < 8; ++i) {
                EXPECT_TRUE(WithinOneUlp(device.SampleBuffer()[i], block[i] * gain))
                    << "value " << block[i] << " offset " << offset << " window " << window;
            }
        }
    }
}

TEST_F(DeviceTest, BlocksOfNoPairsAndOfTooManyPairsStayInsideTheBuffer) {
    hostCallback.Replace(&CallbackRecorder::Callback);
    ReceiverDevice device;
    ASSERT_EQ(device.Open(), 1);
    device.ApplyLevelOffset(0);

    ReceiverDevice::Ddc1StreamHandler(nullptr, 0, 0, reinterpret_cast<std::uintptr_t>(&device));
    EXPECT_EQ(CallbackRecorder::Instance().LastDataCount(), 0);

    std::vector<std::int32_t> oversized(2 * 8192, 7);
    ReceiverDevice::Ddc1StreamHandler(oversized.data(), 8192, 0, reinterpret_cast<std::uintptr_t>(&device));
    EXPECT_EQ(CallbackRecorder::Instance().LastDataCount(), 8192);
    EXPECT_EQ(device.SampleBuffer()[8191], 7.0f);
}

TEST_F(DeviceTest, ADriverDeliveringLargerBlocksIsCutToTheBuffer) {
    testsupport::SetEnvironment("G31DDC_SIM_BLOCK", "8192");
    hostCallback.Replace(&CallbackRecorder::Callback);
    ReceiverDevice device;
    ASSERT_EQ(device.Open(), 1);
    ASSERT_EQ(device.Start(), 1);
    ASSERT_TRUE(WaitFor([] { return CallbackRecorder::Instance().DataBlocks() > 3; }));
    device.Stop();
    EXPECT_EQ(CallbackRecorder::Instance().LastDataCount(), 8192);
}

TEST_F(DeviceTest, WithoutAReceiverNothingReachesTheDriver) {
    testsupport::SetEnvironment("G31DDC_SIM_FAIL", "open");
    hostCallback.Replace(&CallbackRecorder::Callback);
    exPara.attenuator = 0;
    ReceiverDevice device;

    EXPECT_EQ(device.Open(), 0);
    EXPECT_EQ(device.DeviceHandle(), -1);
    EXPECT_EQ(TakeLog(), (Strings{"OpenDevice -1"}));

    EXPECT_EQ(device.Start(), 0);
    device.Stop();
    EXPECT_EQ(device.SelectSampleMode(3), 0);
    device.ApplyAttenuator(1);
    device.ApplyDithering(1);
    device.ApplyNoiseBlanker(1);
    device.PowerUp();
    device.Tune(7000000);
    EXPECT_EQ(device.Close(), 0);

    EXPECT_TRUE(TakeLog().empty());
    EXPECT_EQ(exPara.attenuator, 0);
    EXPECT_EQ(exPara.dither, 0);
    EXPECT_EQ(exPara.sampleMode, 2);
    EXPECT_EQ(sampleRate, 200000u);
    EXPECT_EQ(loFrequency, 7000000);
    EXPECT_TRUE(CallbackRecorder::Instance().StatusCalls().empty());
}

TEST_F(DeviceTest, AFailedStreamStartLeavesTheDeviceReady) {
    testsupport::SetEnvironment("G31DDC_SIM_FAIL", "start");
    ReceiverDevice device;
    ASSERT_EQ(device.Open(), 1);
    EXPECT_EQ(device.Start(), 0);
    EXPECT_FALSE(device.IsStreaming());
    EXPECT_EQ(device.DeviceHandle(), 0);
}

// Run under ThreadSanitizer as well: the stream thread converts and calls the
// host while this thread switches modes, offsets and callbacks.
TEST_F(DeviceTest, SettingsChangeSafelyWhileTheStreamRuns) {
    exPara.sampleMode = 4;
    hostCallback.Replace(&CallbackRecorder::Callback);
    ReceiverDevice device;
    ASSERT_EQ(device.Open(), 1);
    ASSERT_EQ(device.Start(), 1);

    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
    for (int i = 0; std::chrono::steady_clock::now() < end; ++i) {
        if (i % 50 == 0) device.SelectSampleMode(4 - (i / 50) % 2);
        device.ApplyLevelOffset(static_cast<std::int16_t>(i % 401 - 200));
        hostCallback.Replace(i % 3 == 0 ? nullptr : &CallbackRecorder::Callback);
        std::this_thread::yield();
    }
    hostCallback.Replace(&CallbackRecorder::Callback);
    device.Stop();
    const int blocksAtStop = CallbackRecorder::Instance().DataBlocks();
    EXPECT_GT(blocksAtStop, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(CallbackRecorder::Instance().DataBlocks(), blocksAtStop);
}

namespace {

// A host's callback whose context is retired once SetCallback has replaced it.
std::atomic<bool> firstEntered{false};
std::atomic<bool> replacing{false};
std::atomic<bool> contextRetired{false};
std::atomic<int> callsAfterRetiring{0};
std::atomic<int> callsOfTheSecond{0};

// Still running when the replacement comes; then it gives a Replace that
// does not wait time to return and retire the context under it.
int RetiringCallback(int, int, float, void*) {
    firstEntered = true;
    WaitFor([] { return replacing.load(); });
    WaitFor([] { return contextRetired.load(); }, std::chrono::milliseconds(20));
    if (contextRetired.load()) ++callsAfterRetiring;
    return 0;
}

int SelfRemovingCallback(int, int, float, void*) {
    ++callsOfTheSecond;
    hostCallback.Replace(nullptr);  // from inside, on the stream thread: must not wait for itself
    return 0;
}

}  // namespace

TEST_F(DeviceTest, AReplacedCallbackIsNotCalledOnceReplaceReturns) {
    exPara.sampleMode = 4;
    ReceiverDevice device;
    ASSERT_EQ(device.Open(), 1);
    ASSERT_EQ(device.Start(), 1);
    hostCallback.Replace(&RetiringCallback);
    ASSERT_TRUE(WaitFor([] { return firstEntered.load(); }));
    replacing = true;
    hostCallback.Replace(nullptr);
    contextRetired = true;
    callsOfTheSecond = 0;
    hostCallback.Replace(&SelfRemovingCallback);
    EXPECT_TRUE(WaitFor([] { return callsOfTheSecond.load() > 0; }));
    device.Stop();
    EXPECT_EQ(callsAfterRetiring.load(), 0);
    EXPECT_EQ(callsOfTheSecond.load(), 1);
}
