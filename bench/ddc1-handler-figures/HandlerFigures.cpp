// The shipped plug-in's DDC1 handler as the driver calls it. The plug-in from
// FOLDER (default: this program's folder) streams at 1 MHz, as a host drives
// it, over the simulator from this program's folder; the simulator times each
// handler call against a memcpy of the same block (G31DDC_SIM_TIMING) and
// delivers blocks as fast as it makes them (G31DDC_SIM_PACE=free). Prints one
// line: the handler's median, memcpy's median and their ratio.
//
//   ddc1-handler-figures [FOLDER [BLOCKS]]     BLOCKS: at least, default 10000

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "bench/ddc1-handler-figures/ProcessEnvironment.h"
#include "bench/stream-figures/ExecutableFolder.h"
#include "bench/stream-figures/PluginUnderTest.h"
#include "host/LoadedModule.h"
#include "host/NotificationWindow.h"
#include "host/PluginLibrary.h"

namespace {

using namespace benchsetup;

constexpr std::uint64_t kDefaultBlocks = 10000;
// A stream that brings no block for this long has stalled.
constexpr auto kStallLimit = std::chrono::seconds(10);

// The handler's time includes this callback's, so it only counts. The stream
// thread is the one writer: a plain load and store, no locked increment.
std::atomic<std::uint64_t> blocksReceived{0};

int HostCallback(int count, int, float, void* data) {
    if (count > 0 && data != nullptr)
        blocksReceived.store(blocksReceived.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    return 0;
}

struct TimingReport {
    unsigned long long blocks = 0;
    double handlerNs = 0.0;
    double memcpyNs = 0.0;
    double ratio = 0.0;
    long long clockStepNs = 0;
    double emptyNs = 0.0;
};

bool ReadTimingReport(const std::filesystem::path& file, TimingReport& report) {
    std::FILE* in = std::fopen(file.string().c_str(), "r");
    if (in == nullptr) return false;
    const int fields = std::fscanf(
        in, "blocks %llu handler_ns %lf memcpy_ns %lf ratio %lf clock_step_ns %lld empty_ns %lf", &report.blocks,
        &report.handlerNs, &report.memcpyNs, &report.ratio, &report.clockStepNs, &report.emptyNs);
    std::fclose(in);
    return fields == 6;
}

// The simulator's report lives only as long as this run.
struct TemporaryFile {
    std::filesystem::path path;
    ~TemporaryFile() {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

std::string WithSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    return folder;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "ddc1-handler-figures: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string ownFolder = bench::ExecutableFolder();
    const std::string folder = argc > 1 ? WithSeparator(argv[1]) : ownFolder;
    const std::uint64_t wanted = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : kDefaultBlocks;
    if (wanted == 0) return Fail("BLOCKS must be a whole number above 0");

    // Loaded before the plug-in: a plug-in's LoadLibraryA("G31DDCAPI.dll") gets
    // the module already loaded under that name, so only the plug-in comes
    // from FOLDER.
    host::LoadedModule simulatorModule;
    std::string error;
    if (!simulatorModule.Load(ownFolder + kSimulatorFile, error)) return Fail("cannot load the simulator: " + error);

    std::error_code noTemp;
    TemporaryFile report{std::filesystem::temp_directory_path(noTemp) /
                         ("ddc1-handler-figures-" +
                          std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".txt")};
    if (noTemp) return Fail("no folder for temporary files: " + noTemp.message());
    if (!bench::SetProcessEnvironment("G31DDC_SIM_TIMING", report.path.string().c_str()) ||
        !bench::SetProcessEnvironment("G31DDC_SIM_PACE", "free"))
        return Fail("cannot set the simulator's environment variables");

    host::PluginLibrary plugin;
    if (!plugin.Open(folder + kPluginFile, error)) return Fail(error);
    const host::ExtIoFunctions& f = plugin.Functions();
    if (f.SetSamples == nullptr && f.ExtIoSetSrate == nullptr)
        return Fail("the plug-in has neither SetSamples nor ExtIoSetSrate");

    // The message loop a host runs on the thread that calls the plug-in.
    host::HostMessageNumbers numbers;
    host::NotificationLog log;
    host::NotificationWindow window(log, numbers);
    if (!window.Valid()) return Fail("cannot create the host's window");

    char name[256] = {};
    char model[256] = {};
    int type = 0;
    if (f.InitHW(name, model, &type) == 0) return Fail("InitHW returned 0");
    if (type != kFloatIqHardwareType) return Fail("the plug-in does not deliver 32-bit float I/Q");
    f.SetCallback(&HostCallback);
    if (f.OpenHW() == 0) return Fail("OpenHW returned 0");
    if (f.SetSamples)
        f.SetSamples(kSampleMode1MHz);
    else if (f.ExtIoSetSrate(kSampleMode1MHz) != 0)
        return Fail("ExtIoSetSrate(4) refused");
    const int rate = f.GetHWSR();
    if (rate != kExpectedRate) return Fail("the plug-in runs at " + std::to_string(rate) + " Hz, not 1 MHz");

    const int blockPairs = f.StartHW(kTuneHz);
    if (blockPairs <= 0) return Fail("StartHW returned " + std::to_string(blockPairs));
    std::uint64_t seen = 0;
    auto lastProgress = std::chrono::steady_clock::now();
    while (seen < wanted) {
        window.Pump(std::chrono::milliseconds(10));
        const std::uint64_t now = blocksReceived.load(std::memory_order_relaxed);
        if (now != seen) {
            seen = now;
            lastProgress = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - lastProgress > kStallLimit) {
            f.StopHW();
            return Fail("the stream stalled after " + std::to_string(seen) + " blocks");
        }
    }
    f.StopHW();
    plugin.Close();
    window.CollectOwnMessages();
    simulatorModule.Unload();

    TimingReport figures;
    if (!ReadTimingReport(report.path, figures))
        return Fail("the simulator wrote no timing report to " + report.path.string() +
                    " (is it one that reads G31DDC_SIM_TIMING?)");
    std::printf(
        "handler median %.1f ns, memcpy median %.1f ns, ratio %.4f  (%llu blocks of %d pairs; clock step %lld ns, "
        "empty interval %.1f ns; %s%s)\n",
        figures.handlerNs, figures.memcpyNs, figures.ratio, figures.blocks, blockPairs, figures.clockStepNs,
        figures.emptyNs, folder.c_str(), kPluginFile);
    return 0;
}
