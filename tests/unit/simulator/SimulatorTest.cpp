// The simulator driven through its entry points, loaded by file name as the
// plug-in loads it. The same cases run natively and under Wine.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "SimulatorHarness.h"
#include "simulator/BlockHandoff.h"

namespace simulator_test {
namespace {

using namespace std::chrono_literals;

const char* const kVariables[] = {"G31DDC_SIM_FAIL", "G31DDC_SIM_LOG", "G31DDC_SIM_BLOCK", "G31DDC_SIM_PACE",
                                  "G31DDC_SIM_TIMING"};

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 30s) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::yield();
    }
    return true;
}

// What the stream handed to RecordBlock.
struct BlockRecorder {
    std::uintptr_t expectedUserData = 0;
    std::atomic<int> calls{0};
    std::atomic<int> callsWithOtherUserData{0};
    std::atomic<int> inHandler{0};
    std::atomic<std::uint32_t> smallestBlock{0xFFFFFFFF};
    std::atomic<std::uint32_t> largestBlock{0};
    std::atomic<std::int64_t> checksum{0};
    // Run inside the handler on the given call, for handlers that call back in.
    int reenterOnCall = -1;
    std::function<void()> reenter;
};

BlockRecorder* activeRecorder = nullptr;

void EXCALIBUR_STDCALL RecordBlock(const std::int32_t* block, std::uint32_t pairs, std::uint32_t,
                                   std::uintptr_t userData) {
    BlockRecorder& recorder = *activeRecorder;
    recorder.inHandler.fetch_add(1);
    if (userData != recorder.expectedUserData) recorder.callsWithOtherUserData.fetch_add(1);
    if (pairs < recorder.smallestBlock.load()) recorder.smallestBlock.store(pairs);
    if (pairs > recorder.largestBlock.load()) recorder.largestBlock.store(pairs);
    // Read the whole block, as a handler that converts it does; this also
    // keeps the handler busy long enough for a Stop that does not wait to show.
    std::int64_t sum = 0;
    for (std::uint32_t i = 0; i < 2 * pairs; ++i) sum += block[i];
    recorder.checksum.fetch_add(sum);
    const int call = recorder.calls.load();
    if (call == recorder.reenterOnCall && recorder.reenter) recorder.reenter();
    recorder.inHandler.fetch_sub(1);
    recorder.calls.fetch_add(1);
}

// No call may arrive any more; watched for a while, since a late call is
// exactly what would show up only later.
void ExpectNoMoreCalls(const BlockRecorder& recorder, std::chrono::milliseconds window = 100ms) {
    const int calls = recorder.calls.load();
    EXPECT_EQ(recorder.inHandler.load(), 0);
    WaitFor([] { return false; }, window);
    EXPECT_EQ(recorder.calls.load(), calls);
}

// What the simulator's hand-off export said inside each handler call.
struct HandoffRecorder {
    simulator::BlockHandoffFn read = nullptr;
    std::atomic<int> calls{0};
    std::atomic<int> staleReadings{0};
    std::atomic<std::int64_t> lastReading{0};
};

HandoffRecorder* activeHandoffRecorder = nullptr;

void EXCALIBUR_STDCALL RecordHandoff(const std::int32_t*, std::uint32_t, std::uint32_t, std::uintptr_t) {
    HandoffRecorder& recorder = *activeHandoffRecorder;
    const std::int64_t reading = recorder.read();
    if (reading <= recorder.lastReading.load()) recorder.staleReadings.fetch_add(1);
    recorder.lastReading.store(reading);
    recorder.calls.fetch_add(1);
}

class SimulatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : kVariables) SetVariable(name, nullptr);
        SetVariable("G31DDC_SIM_PACE", "free");
        activeRecorder = &recorder_;
        ASSERT_TRUE(simulator_.Loaded());
        ASSERT_TRUE(simulator_.Unresolved().empty());
    }

    void TearDown() override {
        if (simulator_.Api().CloseDevice) api().CloseDevice(0);
        for (const char* name : kVariables) SetVariable(name, nullptr);
    }

    const g31ddc::ReceiverApi& api() const { return simulator_.Api(); }

    // Opens receiver 0, powers it and registers RecordBlock with `userData`.
    void OpenForRecording(std::uintptr_t userData = 0x5A5A) {
        ASSERT_EQ(api().OpenDevice(-1), 0);
        ASSERT_EQ(api().SetPower(0, 1), 1);
        callbacks_.ddc1Stream = &RecordBlock;
        recorder_.expectedUserData = userData;
        ASSERT_EQ(api().SetCallbacks(0, &callbacks_, userData), 1);
    }

    bool WaitForCalls(int calls) {
        return WaitFor([&] { return recorder_.calls.load() >= calls; });
    }

    static std::string LogPath() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        return std::string("simulator-log-") + test->name() + ".txt";
    }

    LoadedSimulator simulator_;
    BlockRecorder recorder_;
    g31ddc::StreamCallbacks callbacks_{};
};

TEST_F(SimulatorTest, OpensOneReceiverAtATime) {
    EXPECT_EQ(api().OpenDevice(-1), 0);
    EXPECT_LT(api().OpenDevice(-1), 0);
    EXPECT_EQ(api().CloseDevice(0), 1);
    EXPECT_EQ(api().CloseDevice(0), 0);
    EXPECT_LT(api().OpenDevice(7), 0);
    EXPECT_EQ(api().OpenDevice(-1), 0);
}

TEST_F(SimulatorTest, EveryCallWithAnotherHandleFails) {
    std::uint32_t word = 0;
    EXPECT_EQ(api().SetPower(0, 1), 0) << "nothing is open yet";
    ASSERT_EQ(api().OpenDevice(-1), 0);
    EXPECT_EQ(api().SetAttenuator(1, 21), 0);
    EXPECT_EQ(api().SetPower(-1, 1), 0);
    EXPECT_EQ(api().GetPower(1, &word), 0);
    EXPECT_EQ(api().StartDDC1(1, 4096), 0);
    EXPECT_EQ(api().StopDDC1(1), 0);
    EXPECT_EQ(api().StartIF(1, 100), 0);
    EXPECT_EQ(api().CloseDevice(1), 0);
    EXPECT_EQ(api().StartIF(0, 100), 1);
    EXPECT_EQ(api().SetADCNoiseBlanker(0, 1), 1);
    ASSERT_EQ(api().CloseDevice(0), 1);
    EXPECT_EQ(api().SetFrequency(0, 0, 7050000), 0);
}

TEST_F(SimulatorTest, KeepsAndReportsItsSettings) {
    ASSERT_EQ(api().OpenDevice(-1), 0);
    std::uint32_t word = 7;
    ASSERT_EQ(api().GetPower(0, &word), 1);
    EXPECT_EQ(word, 0u) << "a receiver opens switched off";
    api().SetPower(0, 1);
    ASSERT_EQ(api().GetPower(0, &word), 1);
    EXPECT_EQ(word, 1u);

    ASSERT_EQ(api().SetDDC1(0, 9), 1);
    EXPECT_EQ(api().SetDDC1(0, 17), 0) << "no such type";
    std::uint32_t type = 0;
    g31ddc::Ddc1Info info{};
    ASSERT_EQ(api().GetDDC1(0, &type, &info), 1);
    EXPECT_EQ(type, 9u);
    EXPECT_EQ(info.sampleRate, 200000u);
    EXPECT_EQ(info.bandwidth, 160000u);
    EXPECT_EQ(info.bitsPerSample, 32u);

    ASSERT_EQ(api().SetFrequency(0, 0, 50000000), 1);
    EXPECT_EQ(api().SetFrequency(0, 0, 50000001), 0);
    EXPECT_EQ(api().SetFrequency(0, 1, 7000000), 0);
    ASSERT_EQ(api().GetFrequency(0, 0, &word), 1);
    EXPECT_EQ(word, 50000000u);
    ASSERT_EQ(api().SetDDC1Frequency(0, 7050000), 1);
    ASSERT_EQ(api().GetDDC1Frequency(0, &word), 1);
    EXPECT_EQ(word, 7050000u);

    EXPECT_EQ(api().SetAttenuator(0, 21), 1);
    EXPECT_EQ(api().SetAttenuator(0, 22), 0);

    // An entry point without behaviour of its own reports zeros.
    type = 5;
    info.sampleRate = 5;
    EXPECT_EQ(api().GetDDC2(0, &type, &info), 1);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(info.sampleRate, 0u);

    // Reopening starts from the defaults again.
    ASSERT_EQ(api().CloseDevice(0), 1);
    ASSERT_EQ(api().OpenDevice(-1), 0);
    ASSERT_EQ(api().GetPower(0, &word), 1);
    EXPECT_EQ(word, 0u);
    ASSERT_EQ(api().GetDDC1(0, &type, nullptr), 1);
    EXPECT_EQ(type, 0u);
}

TEST_F(SimulatorTest, DeliversBlocksOfTheAskedSizeWithTheUserData) {
    OpenForRecording(0x12345);
    ASSERT_EQ(api().StartDDC1(0, 1000), 1);
    ASSERT_TRUE(WaitForCalls(20));
    ASSERT_EQ(api().StopDDC1(0), 1);
    EXPECT_EQ(recorder_.smallestBlock.load(), 1000u);
    EXPECT_EQ(recorder_.largestBlock.load(), 1000u);
    EXPECT_EQ(recorder_.callsWithOtherUserData.load(), 0);
    EXPECT_NE(recorder_.checksum.load(), 0) << "a powered receiver delivers signal";
}

TEST_F(SimulatorTest, NoHandlerCallAfterStopDDC1Returns) {
    OpenForRecording();
    for (int cycle = 0; cycle < 20; ++cycle) {
        const int before = recorder_.calls.load();
        ASSERT_EQ(api().StartDDC1(0, 4096), 1);
        ASSERT_TRUE(WaitForCalls(before + 3));
        ASSERT_EQ(api().StopDDC1(0), 1);
        ExpectNoMoreCalls(recorder_, 20ms);
    }
    ExpectNoMoreCalls(recorder_);
}

TEST_F(SimulatorTest, StampsTheHandoffOfEachBlockBeforeItsHandlerCall) {
    HandoffRecorder recorder;
    recorder.read = reinterpret_cast<simulator::BlockHandoffFn>(simulator_.Symbol(simulator::kBlockHandoffExport));
    ASSERT_NE(recorder.read, nullptr);
    activeHandoffRecorder = &recorder;
    ASSERT_EQ(api().OpenDevice(-1), 0);
    api().SetPower(0, 1);
    callbacks_.ddc1Stream = &RecordHandoff;
    ASSERT_EQ(api().SetCallbacks(0, &callbacks_, 0), 1);
    ASSERT_EQ(api().StartDDC1(0, 4096), 1);
    ASSERT_TRUE(WaitFor([&] { return recorder.calls.load() >= 20; }));
    ASSERT_EQ(api().StopDDC1(0), 1);
    EXPECT_GT(recorder.lastReading.load(), 0);
    EXPECT_EQ(recorder.staleReadings.load(), 0) << "a handler call saw the previous block's time";
    EXPECT_EQ(recorder.read(), recorder.lastReading.load()) << "a time stamped without a handler call";
}

TEST_F(SimulatorTest, CloseDeviceStopsARunningStream) {
    OpenForRecording();
    ASSERT_EQ(api().StartDDC1(0, 4096), 1);
    ASSERT_TRUE(WaitForCalls(3));
    ASSERT_EQ(api().CloseDevice(0), 1);
    ExpectNoMoreCalls(recorder_);
}

TEST_F(SimulatorTest, HandlerMayStopItsOwnStream) {
    OpenForRecording();
    std::atomic<int> stopResult{-1};
    recorder_.reenterOnCall = 2;
    recorder_.reenter = [&] { stopResult.store(api().StopDDC1(0)); };
    ASSERT_EQ(api().StartDDC1(0, 4096), 1);
    ASSERT_TRUE(WaitFor([&] { return stopResult.load() != -1; }));
    EXPECT_EQ(stopResult.load(), 1);
    ASSERT_TRUE(WaitForCalls(3));
    ExpectNoMoreCalls(recorder_);
    EXPECT_EQ(recorder_.calls.load(), 3) << "the stopping call is the last";

    // The stopped stream can be started again from outside.
    recorder_.reenter = nullptr;
    ASSERT_EQ(api().StartDDC1(0, 4096), 1);
    ASSERT_TRUE(WaitForCalls(6));
    ASSERT_EQ(api().StopDDC1(0), 1);
}

TEST_F(SimulatorTest, RefusesWhatARunningStreamCannotTake) {
    OpenForRecording();
    EXPECT_EQ(api().StartDDC1(0, 0), 0);
    EXPECT_EQ(api().StartDDC1(0, (1u << 20) + 1), 0);
    ASSERT_EQ(api().StartDDC1(0, 4096), 1);
    EXPECT_EQ(api().StartDDC1(0, 4096), 0);
    EXPECT_EQ(api().SetDDC1(0, 3), 0);
    EXPECT_EQ(api().SetCallbacks(0, nullptr, 0), 0);
    EXPECT_EQ(api().SetFrequency(0, 0, 7100000), 1) << "tuning works while streaming";
    ASSERT_EQ(api().StopDDC1(0), 1);
    EXPECT_EQ(api().SetDDC1(0, 3), 1);
    EXPECT_EQ(api().SetCallbacks(0, nullptr, 0), 1);
}

TEST_F(SimulatorTest, RunsWithoutCallbacksAndDeliversNothing) {
    OpenForRecording();
    ASSERT_EQ(api().SetCallbacks(0, nullptr, 0), 1);
    ASSERT_EQ(api().StartDDC1(0, 4096), 1);
    ASSERT_EQ(api().StopDDC1(0), 1);
    g31ddc::StreamCallbacks empty{};
    ASSERT_EQ(api().SetCallbacks(0, &empty, 1), 1);
    ASSERT_EQ(api().StartDDC1(0, 4096), 1);
    ExpectNoMoreCalls(recorder_, 50ms);
    ASSERT_EQ(api().StopDDC1(0), 1);
    EXPECT_EQ(recorder_.calls.load(), 0);
}

TEST_F(SimulatorTest, BlockVariableOverridesTheAskedSize) {
    OpenForRecording();
    SetVariable("G31DDC_SIM_BLOCK", "8192");
    ASSERT_EQ(api().StartDDC1(0, 4096), 1);
    ASSERT_TRUE(WaitForCalls(5));
    ASSERT_EQ(api().StopDDC1(0), 1);
    EXPECT_EQ(recorder_.smallestBlock.load(), 8192u);
    EXPECT_EQ(recorder_.largestBlock.load(), 8192u);

    recorder_.smallestBlock.store(0xFFFFFFFF);
    recorder_.largestBlock.store(0);
    SetVariable("G31DDC_SIM_BLOCK", "0");
    ASSERT_EQ(api().StartDDC1(0, 4096), 1);
    ASSERT_TRUE(WaitForCalls(10));
    ASSERT_EQ(api().StopDDC1(0), 1);
    EXPECT_EQ(recorder_.largestBlock.load(), 0u) << "blocks of no pairs";

    recorder_.smallestBlock.store(0xFFFFFFFF);
    SetVariable("G31DDC_SIM_BLOCK", "many");
    ASSERT_EQ(api().StartDDC1(0, 512), 1);
    ASSERT_TRUE(WaitForCalls(recorder_.calls.load() + 5));
    ASSERT_EQ(api().StopDDC1(0), 1);
    EXPECT_EQ(recorder_.smallestBlock.load(), 512u) << "a value that is not a number is ignored";
}

TEST_F(SimulatorTest, FailVariableFailsOpenOrStart) {
    SetVariable("G31DDC_SIM_FAIL", "open");
    EXPECT_LT(api().OpenDevice(-1), 0);
    SetVariable("G31DDC_SIM_FAIL", nullptr);
    OpenForRecording();

    SetVariable("G31DDC_SIM_FAIL", "start");
    EXPECT_EQ(api().StartDDC1(0, 4096), 0);
    EXPECT_EQ(api().StopDDC1(0), 1);
    EXPECT_EQ(recorder_.calls.load(), 0);

    SetVariable("G31DDC_SIM_FAIL", nullptr);
    ASSERT_EQ(api().StartDDC1(0, 4096), 1);
    EXPECT_TRUE(WaitForCalls(1));
}

// The figures themselves are a benchmark's; here only that every handled
// block is counted and the line is there once StopDDC1 returns.
TEST_F(SimulatorTest, TimingModeWritesItsLineAtStop) {
    const std::string path = LogPath();
    std::remove(path.c_str());
    SetVariable("G31DDC_SIM_TIMING", path.c_str());
    OpenForRecording();
    ASSERT_EQ(api().StartDDC1(0, 64), 1);
    ASSERT_TRUE(WaitForCalls(20));
    EXPECT_TRUE(ReadLines(path).empty()) << "nothing before the stop";
    ASSERT_EQ(api().StopDDC1(0), 1);
    const std::vector<std::string> lines = ReadLines(path);
    ASSERT_EQ(lines.size(), 1u);
    unsigned long long blocks = 0;
    double handler = 0.0, copy = 0.0, ratio = 0.0, empty = 0.0;
    long long step = 0;
    ASSERT_EQ(std::sscanf(lines[0].c_str(),
                          "blocks %llu handler_ns %lf memcpy_ns %lf ratio %lf clock_step_ns %lld empty_ns %lf", &blocks,
                          &handler, &copy, &ratio, &step, &empty),
              6)
        << lines[0];
    EXPECT_EQ(blocks, static_cast<unsigned long long>(recorder_.calls.load()));
    EXPECT_GT(step, 0);
    std::remove(path.c_str());
}

// Per-call injection: a named entry point fails every call and does nothing;
// ENTRY:N fails only the Nth call since OpenDevice.
TEST_F(SimulatorTest, FailVariableFailsTheNamedCallOrItsNthCall) {
    OpenForRecording();
    std::uint32_t hertz = 0;
    SetVariable("G31DDC_SIM_FAIL", "setattenuator,SetFrequency");
    EXPECT_EQ(api().SetFrequency(0, 0, 7100000), 0);
    EXPECT_EQ(api().SetAttenuator(0, 21), 0);
    EXPECT_EQ(api().SetDithering(0, 1), 1);
    ASSERT_EQ(api().GetFrequency(0, 0, &hertz), 1);
    EXPECT_EQ(hertz, 7050000u) << "a failed call changes nothing";

    SetVariable("G31DDC_SIM_FAIL", "startddc1:2");  // OpenForRecording started none
    EXPECT_EQ(api().StartDDC1(0, 4096), 1);
    EXPECT_EQ(api().StopDDC1(0), 1);
    EXPECT_EQ(api().StartDDC1(0, 4096), 0);
    EXPECT_EQ(api().StartDDC1(0, 4096), 1);
    EXPECT_EQ(api().StopDDC1(0), 1);
    SetVariable("G31DDC_SIM_FAIL", nullptr);
}

TEST_F(SimulatorTest, LogsEachCallWithItsArguments) {
    const std::string path = LogPath();
    std::remove(path.c_str());
    SetVariable("G31DDC_SIM_LOG", path.c_str());
    std::uint32_t word = 0;
    g31ddc::StreamCallbacks callbacks{};
    api().OpenDevice(-1);
    api().SetAttenuator(0, 21);
    api().GetPower(0, &word);
    api().GetDDC1(0, nullptr, nullptr);
    api().SetCallbacks(0, &callbacks, 77);
    api().SetFrequency(0, 0, 7050000);
    api().SetDDC2Frequency(0, 1, -5000);
    api().SetAttenuator(3, 0);
    EXPECT_EQ(ReadLines(path).size(), 8u) << "each line is there as soon as the call returns";
    api().CloseDevice(0);
    EXPECT_EQ(ReadLines(path), (std::vector<std::string>{
                                   "OpenDevice -1",
                                   "SetAttenuator 0 21",
                                   "GetPower 0 non-null",
                                   "GetDDC1 0 0 0",
                                   "SetCallbacks 0 non-null 77",
                                   "SetFrequency 0 0 7050000",
                                   "SetDDC2Frequency 0 1 -5000",
                                   "SetAttenuator 3 0",
                                   "CloseDevice 0",
                               }));
    std::remove(path.c_str());
}

TEST_F(SimulatorTest, LogKeepsLinesWholeUnderConcurrentCalls) {
    const std::string path = LogPath();
    std::remove(path.c_str());
    SetVariable("G31DDC_SIM_LOG", path.c_str());
    constexpr int kCallsEach = 200;
    const auto calls = [this](std::int32_t mode) {
        for (int i = 0; i < kCallsEach; ++i) api().SetLED(0, mode);
    };
    std::thread first(calls, 1111111);
    std::thread second(calls, 2222222);
    first.join();
    second.join();
    const std::vector<std::string> lines = ReadLines(path);
    EXPECT_EQ(lines.size(), 2u * kCallsEach);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "SetLED 0 1111111"), kCallsEach);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "SetLED 0 2222222"), kCallsEach);
    std::remove(path.c_str());
}

TEST_F(SimulatorTest, SignalsAppearRelativeToTheTunedFrequency) {
    ASSERT_EQ(api().OpenDevice(-1), 0);
    SceneSettings settings;
    const auto atCentre = Capture(api(), settings, 16384);
    ASSERT_EQ(atCentre.size(), 16384u);
    EXPECT_NEAR(ToneLevelDb(atCentre, -10000.0, 200000.0), -30.0, 0.5) << "the carrier at 7.04 MHz";

    settings.frequency = 7045000;
    const auto moved = Capture(api(), settings, 16384);
    ASSERT_EQ(moved.size(), 16384u);
    EXPECT_NEAR(ToneLevelDb(moved, -5000.0, 200000.0), -30.0, 0.5);
    EXPECT_LT(ToneLevelDb(moved, -10000.0, 200000.0), -100.0);

    settings.frequency = 7140000;
    const auto beyond = Capture(api(), settings, 16384);
    ASSERT_EQ(beyond.size(), 16384u);
    EXPECT_LT(ToneLevelDb(beyond, -99990.0, 200000.0), -100.0) << "100 kHz away is outside +-100 kHz";
}

TEST_F(SimulatorTest, EveryPlugInRateSeesTheReferenceCarrier) {
    ASSERT_EQ(api().OpenDevice(-1), 0);
    const std::uint32_t expectedRates[][2] = {{3, 50000}, {6, 100000}, {9, 200000}, {13, 500000}, {16, 1000000}};
    for (const auto& [type, rate] : expectedRates) {
        EXPECT_EQ(SampleRateOfType(api(), type), rate);
        SceneSettings settings;
        settings.ddc1Type = type;
        const auto samples = Capture(api(), settings, 16384);
        ASSERT_EQ(samples.size(), 16384u);
        EXPECT_NEAR(ToneLevelDb(samples, -10000.0, rate), -30.0, 0.5) << "type " << type;
    }
}

TEST_F(SimulatorTest, AttenuatorTakes21DecibelsOffTheSignal) {
    ASSERT_EQ(api().OpenDevice(-1), 0);
    SceneSettings settings;
    const double open = ToneLevelDb(Capture(api(), settings, 16384), -10000.0, 200000.0);
    settings.attenuatorDb = 21;
    const double attenuated = ToneLevelDb(Capture(api(), settings, 16384), -10000.0, 200000.0);
    EXPECT_NEAR(open - attenuated, 21.0, 0.5);
}

TEST_F(SimulatorTest, NoiseBlankerRemovesTheImpulses) {
    ASSERT_EQ(api().OpenDevice(-1), 0);
    SceneSettings settings;
    settings.frequency = 33000000;  // a quiet stretch: the impulses stand out
    settings.noiseBlanker = false;
    const double noisy = PeakLevelDb(Capture(api(), settings, 40000));
    settings.noiseBlanker = true;
    const double blanked = PeakLevelDb(Capture(api(), settings, 40000));
    EXPECT_GT(noisy, -25.0);
    EXPECT_LT(blanked, noisy - 30.0);
}

TEST_F(SimulatorTest, DitheringRemovesTheSpur) {
    ASSERT_EQ(api().OpenDevice(-1), 0);
    SceneSettings settings;
    const double spur = ToneLevelDb(Capture(api(), settings, 16384), 12500.0, 200000.0);
    settings.dithering = true;
    const double dithered = ToneLevelDb(Capture(api(), settings, 16384), 12500.0, 200000.0);
    EXPECT_NEAR(spur, -90.0, 1.0) << "the spur at 7.0625 MHz";
    EXPECT_LT(dithered, spur - 20.0);
}

TEST_F(SimulatorTest, MwFilterLowersOnlyTheMediumWaveBand) {
    ASSERT_EQ(api().OpenDevice(-1), 0);
    SceneSettings medium;
    medium.frequency = 909000;
    const double open = ToneLevelDb(Capture(api(), medium, 16384), 0.0, 200000.0);
    medium.mwFilter = true;
    const double filtered = ToneLevelDb(Capture(api(), medium, 16384), 0.0, 200000.0);
    EXPECT_NEAR(open - filtered, 30.0, 0.5);

    SceneSettings shortWave;
    shortWave.mwFilter = true;
    EXPECT_NEAR(ToneLevelDb(Capture(api(), shortWave, 16384), -10000.0, 200000.0), -30.0, 0.5);
}

TEST_F(SimulatorTest, SwitchedOffReceiverDeliversSilence) {
    ASSERT_EQ(api().OpenDevice(-1), 0);
    SceneSettings settings;
    settings.powered = false;
    const auto silent = Capture(api(), settings, 8192);
    ASSERT_EQ(silent.size(), 8192u);
    EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](const auto& value) { return value == 0.0; }));
}

TEST_F(SimulatorTest, SameSettingsGiveTheSameSamples) {
    ASSERT_EQ(api().OpenDevice(-1), 0);
    SceneSettings settings;
    settings.noiseBlanker = false;
    const auto first = Capture(api(), settings, 20000);
    const auto second = Capture(api(), settings, 20000);
    ASSERT_EQ(first.size(), 20000u);
    EXPECT_TRUE(first == second);
}

TEST(SimulatorBuilds, MissingEntryBuildLacksOnlySetADCNoiseBlanker) {
    const LoadedSimulator complete("G31DDCAPI.dll");
    ASSERT_TRUE(complete.Loaded());
    EXPECT_TRUE(complete.Unresolved().empty());
    const LoadedSimulator missing("missing-entry/G31DDCAPI.dll");
    ASSERT_TRUE(missing.Loaded());
    EXPECT_EQ(missing.Unresolved(), std::vector<std::string>{"SetADCNoiseBlanker"});
}

}  // namespace
}  // namespace simulator_test
