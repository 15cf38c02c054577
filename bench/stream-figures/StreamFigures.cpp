// The real plug-in, loaded from this program's folder, streaming over the
// simulator at 1 MHz as a host drives it. Prints what the plug-in itself costs
// per second of stream next to the host's own copy of the same samples, the
// latency from the driver's hand-off to the host callback's return, the time
// from InitHW to the first status 100, and how long unloading takes while
// the stream runs.
//
//   stream-figures [SECONDS]     default 5

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/stream-figures/BlockTimings.h"
#include "bench/stream-figures/ExecutableFolder.h"
#include "bench/stream-figures/PluginUnderTest.h"
#include "host/LoadedModule.h"
#include "host/NotificationWindow.h"
#include "host/PluginLibrary.h"
#include "simulator/BlockHandoff.h"
#include "simulator/MonotonicClock.h"

namespace {

using namespace benchsetup;

constexpr int kStatusSampleRateChanged = 100;
// The host's own buffer: a ring of blocks, as a host keeps for its DSP thread.
constexpr std::size_t kHostRingBlocks = 16;
constexpr std::size_t kBlockFloats = 8192;

using simulator::MonotonicNanoseconds;

// What the callback, which gets no user data, works with.
struct HostSide {
    std::atomic<simulator::BlockHandoffFn> handoff{nullptr};
    std::atomic<std::int64_t> firstStatus100{0};
    std::vector<float> ring = std::vector<float>(kHostRingBlocks * kBlockFloats);
    std::size_t ringBlock = 0;
    bench::BlockTimings* timings = nullptr;
};

HostSide hostSide;

int HostCallback(int count, int status, float, void* data) {
    const std::int64_t entered = MonotonicNanoseconds();
    if (count < 0 || data == nullptr) {
        std::int64_t none = 0;
        if (status == kStatusSampleRateChanged) hostSide.firstStatus100.compare_exchange_strong(none, entered);
        return 0;
    }
    const simulator::BlockHandoffFn handoff = hostSide.handoff.load(std::memory_order_relaxed);
    if (hostSide.timings == nullptr || handoff == nullptr) return 0;
    bench::BlockTimes times;
    times.handoff = handoff();
    times.entered = entered;
    const std::size_t values = std::min<std::size_t>(static_cast<std::size_t>(count), kBlockFloats);
    float* target = hostSide.ring.data() + hostSide.ringBlock * kBlockFloats;
    hostSide.ringBlock = (hostSide.ringBlock + 1) % kHostRingBlocks;
    times.copyStart = MonotonicNanoseconds();
    std::memcpy(target, data, values * sizeof(float));
    times.copyEnd = MonotonicNanoseconds();
    times.values = static_cast<std::int32_t>(values);
    hostSide.timings->Add(times);
    return 0;
}

// What one reading of the clock costs and the smallest step it shows, to
// read the per-block figures against.
struct ClockFigures {
    double readingNanos = 0.0;
    std::int64_t stepNanos = 0;
};

ClockFigures MeasureClock() {
    constexpr int kReadings = 100000;
    ClockFigures clock;
    const std::int64_t first = MonotonicNanoseconds();
    std::int64_t previous = first;
    for (int i = 0; i < kReadings; ++i) {
        const std::int64_t now = MonotonicNanoseconds();
        if (now > previous && (clock.stepNanos == 0 || now - previous < clock.stepNanos))
            clock.stepNanos = now - previous;
        previous = now;
    }
    clock.readingNanos = static_cast<double>(previous - first) / kReadings;
    return clock;
}

double Millis(std::int64_t nanoseconds) { return static_cast<double>(nanoseconds) / 1e6; }

int Fail(const std::string& message) {
    std::fprintf(stderr, "stream-figures: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::strtod(argv[1], nullptr) : 5.0;
    if (!(seconds > 0.0 && seconds <= 3600.0)) return Fail("SECONDS must be a number from 0 to 3600");

    const std::string folder = bench::ExecutableFolder();
    host::PluginLibrary plugin;
    std::string error;
    if (!plugin.Open(folder + kPluginFile, error)) return Fail(error);
    const host::ExtIoFunctions& f = plugin.Functions();
    if (f.SetSamples == nullptr && f.ExtIoSetSrate == nullptr)
        return Fail("the plug-in has neither SetSamples nor ExtIoSetSrate");

    host::HostMessageNumbers numbers;
    host::NotificationLog log;
    host::NotificationWindow window(log, numbers);
    if (!window.Valid()) return Fail("cannot create the host's window");

    // Room for twice the blocks the stream should bring, and the ring touched
    // now so that no page fault lands inside a timed copy.
    bench::BlockTimings timings(static_cast<std::size_t>(seconds * kExpectedRate / (kBlockFloats / 2)) * 2 + 64);
    std::fill(hostSide.ring.begin(), hostSide.ring.end(), 0.0f);

    f.SetCallback(&HostCallback);
    char name[256] = {};
    char model[256] = {};
    int type = 0;
    const std::int64_t initStart = MonotonicNanoseconds();
    const int ready = f.InitHW(name, model, &type);
    const std::int64_t initEnd = MonotonicNanoseconds();
    if (ready == 0) return Fail("InitHW returned 0");
    if (type != kFloatIqHardwareType) return Fail("the plug-in does not deliver 32-bit float I/Q");
    if (f.OpenHW() == 0) return Fail("OpenHW returned 0");
    const std::int64_t firstStatus = hostSide.firstStatus100.load();

    // The plug-in has loaded the simulator by now; this is the same instance.
    host::LoadedModule simulatorModule;
    if (!simulatorModule.Load(folder + kSimulatorFile, error)) return Fail("cannot load the simulator: " + error);
    const auto handoff =
        reinterpret_cast<simulator::BlockHandoffFn>(simulatorModule.Resolve(simulator::kBlockHandoffExport));
    if (handoff == nullptr) return Fail(std::string("the simulator has no ") + simulator::kBlockHandoffExport);
    hostSide.handoff.store(handoff);

    if (f.SetSamples)
        f.SetSamples(kSampleMode1MHz);
    else if (f.ExtIoSetSrate(kSampleMode1MHz) != 0)
        return Fail("ExtIoSetSrate(4) refused");
    const int rate = f.GetHWSR();
    if (rate != kExpectedRate) return Fail("the plug-in runs at " + std::to_string(rate) + " Hz, not 1 MHz");

    hostSide.timings = &timings;
    const std::int64_t streamStart = MonotonicNanoseconds();
    const int blockPairs = f.StartHW(kTuneHz);
    if (blockPairs <= 0) return Fail("StartHW returned " + std::to_string(blockPairs));
    const auto streamEnd = streamStart + static_cast<std::int64_t>(seconds * 1e9);
    for (std::int64_t now = streamStart; now < streamEnd; now = MonotonicNanoseconds()) {
        const auto left = std::chrono::nanoseconds(streamEnd - now);
        window.Pump(std::clamp(std::chrono::ceil<std::chrono::milliseconds>(left), std::chrono::milliseconds(1),
                               std::chrono::milliseconds(100)));
    }

    // Only the plug-in's own reference keeps the simulator now, as without us;
    // its unload stops the stream before it lets the simulator go.
    simulatorModule.Unload();
    const std::int64_t unloadStart = MonotonicNanoseconds();
    plugin.Close();
    const std::int64_t unloadEnd = MonotonicNanoseconds();
    window.CollectOwnMessages();
    hostSide.timings = nullptr;

    const bench::StreamFigures figures = bench::Summarise(timings, rate);
    if (figures.blocks == 0) return Fail("no block with a fresh hand-off time arrived");
    const double wallSeconds = static_cast<double>(unloadStart - streamStart) / 1e9;
    std::printf("stream: %.2f s of samples in %.2f s, %zu blocks of %d pairs at %d Hz", figures.streamSeconds,
                wallSeconds, figures.blocks, blockPairs, rate);
    if (figures.staleHandoffs != 0 || timings.Dropped() != 0)
        std::printf(" (%zu left out: stale hand-off time; %zu not kept)", figures.staleHandoffs, timings.Dropped());
    std::printf("\n");
    std::printf(
        "plug-in conversion, hand-off to callback entry: %10.1f us per s of stream  (median %.2f us per block)\n",
        figures.conversionMicrosPerSecond, figures.conversionMedianMicros);
    std::printf(
        "host copy, memcpy inside the callback:          %10.1f us per s of stream  (median %.2f us per block)\n",
        figures.copyMicrosPerSecond, figures.copyMedianMicros);
    std::printf(
        "ratio plug-in / host copy:                      %10.2f\n",
        figures.copyMicrosPerSecond > 0.0 ? figures.conversionMicrosPerSecond / figures.copyMicrosPerSecond : 0.0);
    std::printf("latency hand-off to callback return:            median %.1f us, 99th percentile %.1f us\n",
                figures.latencyMedianMicros, figures.latency99Micros);
    if (firstStatus != 0)
        std::printf("InitHW to first status 100:                     %10.2f ms  (InitHW took %.2f ms)\n",
                    Millis(firstStatus - initStart), Millis(initEnd - initStart));
    else
        std::printf("InitHW to first status 100:                     none came  (InitHW took %.2f ms)\n",
                    Millis(initEnd - initStart));
    std::printf("unload while streaming:                         %10.2f ms\n", Millis(unloadEnd - unloadStart));
    const ClockFigures clock = MeasureClock();
    std::printf("clock: %.0f ns per reading, smallest step %lld ns\n", clock.readingNanos,
                static_cast<long long>(clock.stepNanos));
    return 0;
}
