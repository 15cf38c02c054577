#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/NotificationWindow.h"
#include "host/Notifications.h"
#include "host/PluginLibrary.h"
#include "hostlink/ExParaBlock.h"
#include "tests/support/TestEnvironment.h"

// What the plug-in handed the host's callback.
struct CallbackCounts {
    std::atomic<int> dataBlocks{0};
    std::atomic<int> lastCount{-1};
    std::atomic<int> rateChanges{0};
    std::atomic<int> rateSeenAtChange{0};
    std::atomic<int> attenuatorNotices{0};
    // Called after the counting, with the plug-in's exports, on the thread of the call.
    std::atomic<void (*)(const host::ExtIoFunctions& f, int count, int status)> hook{nullptr};
    std::atomic<const host::ExtIoFunctions*> exports{nullptr};
};

// Ends the process, failing the case, unless it is destroyed in time: a hang
// fails where it happens instead of stalling the run.
class Watchdog {
public:
    Watchdog(std::chrono::seconds limit, std::string what);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::thread thread;
};

// One scenario: a fresh process loads the plug-in from the build folder with
// its working directory in a folder of its own (so the settings file lands
// there) and the simulator's call log beside it.
class PluginScenario : public ::testing::Test {
public:
    struct Posted {
        std::uint32_t message;
        std::intptr_t value;
        bool operator==(const Posted&) const = default;
    };
    static CallbackCounts& Counts();

protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the plug-in; the working directory it captures is the scenario's folder.
    void LoadPlugin();
    void UnloadPlugin();
    // Gives the plug-in our window and message numbers (InitExtIOPara).
    void UseHostWindow(std::int16_t levelOffset = -174, std::uint8_t sampleMode = 2);
    void RegisterCallback();

    // Everything posted to our window since the last call, after the
    // window system has delivered what was queued.
    std::vector<Posted> TakePosts();
    std::vector<std::string> DriverLog() { return testsupport::ReadLines(logPath); }
    // The log's last line; empty for an empty log, which fails a comparison instead of crashing.
    std::string LastDriverLine() {
        const auto log = DriverLog();
        return log.empty() ? std::string() : log.back();
    }
    bool DriverLogHas(const std::string& line);
    std::filesystem::path SettingsFile() const { return folder / "Tervalis.ini"; }
    void Pump(std::chrono::milliseconds duration);

    std::filesystem::path folder;
    std::filesystem::path previousFolder;
    std::string logPath;
    host::PluginLibrary plugin;
    const host::ExtIoFunctions* f = nullptr;
    host::HostMessageNumbers numbers;
    host::NotificationLog notifications;
    std::unique_ptr<host::NotificationWindow> window;
    std::size_t postsSeen = 0;
};

std::ostream& operator<<(std::ostream& out, const PluginScenario::Posted& posted);

struct InitResult {
    int result;
    std::string name;
    std::string model;
    int type;
};
InitResult CallInitHW(const host::ExtIoFunctions& f);

// The last argument the driver was given by the call whose log line starts so.
std::string LastArgument(const std::vector<std::string>& log, const std::string& call);

// How often a scenario repeats what may show a race or a rare input: 3, or
// EXCALIBUR_ROUNDS (the stress command asks for 20).
int Rounds();

// Waits, within bounds, for the stream to deliver a block.
void AwaitBlock();

// Runs the probe from a folder (the build's by default) with the plug-in
// beside it, in the current directory; its exit status. Its output goes to
// probe.txt in the current directory.
int RunProbe(const std::string& mode, const std::string& folder = testsupport::ExecutableFolder());
