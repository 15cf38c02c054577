// A host that meets the plug-in in a bad situation on purpose:
//   plugin-probe PLUGIN exit          streams, then ends the process without unloading
//   plugin-probe PLUGIN other-thread  a worker thread creates the panel and streams;
//                                     the main thread unloads the plug-in meanwhile
//   plugin-probe PLUGIN init          InitHW alone; prints its result and any message
//                                     box the plug-in showed (answered with OK)
//   plugin-probe PLUGIN exit-in-operation  a host thread stays inside the status call
//                                     of a sample-rate change while the main thread ends
//                                     the process; prints "exit-at MS" (steady clock) first
// Exit status 0 when it got as far as it should; the caller checks the rest.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "host/NotificationWindow.h"
#include "host/PluginLibrary.h"
#include "tests/support/ModalMessageWatcher.h"

namespace {

std::atomic<int> blocks{0};
std::atomic<bool> holdStatusCalls{false};
std::atomic<bool> insideStatusCall{false};

// A status handler that takes its time, as one showing a message box does.
int CountBlocks(int, int status, float, void*) {
    if (status == 0) ++blocks;
    if (status == 100 && holdStatusCalls) {
        insideStatusCall = true;
        std::this_thread::sleep_for(std::chrono::seconds(30));
    }
    return 0;
}

bool StartStreaming(const host::ExtIoFunctions& f) {
    char name[64] = {};
    char model[64] = {};
    int type = 0;
    f.SetCallback(&CountBlocks);
    if (f.InitHW(name, model, &type) != 1) return false;
    f.ShowGUI();
    return f.StartHW(7050000) == 4096;
}

void PrintExitTime() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    std::printf("exit-at %lld\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()));
    std::fflush(stdout);
}

void PumpFor(host::NotificationWindow& window, std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) window.Pump(std::chrono::milliseconds(10));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: plugin-probe PLUGIN exit|other-thread|init|exit-in-operation\n");
        return 2;
    }
    const std::string mode = argv[2];
    host::NotificationLog log;
    host::HostMessageNumbers numbers;
    host::PluginLibrary plugin;
    std::string error;

    if (mode == "exit") {
        host::NotificationWindow window(log, numbers);
        if (!plugin.Open(argv[1], error) || !StartStreaming(plugin.Functions())) return 3;
        PumpFor(window, std::chrono::milliseconds(300));
        if (blocks == 0) return 4;
        PrintExitTime();
        std::exit(0);  // no StopHW, no unload: the process ends under the plug-in
    }

    if (mode == "exit-in-operation") {
        host::NotificationWindow window(log, numbers);
        if (!plugin.Open(argv[1], error) || !StartStreaming(plugin.Functions())) return 3;
        holdStatusCalls = true;
        const int otherMode = plugin.Functions().ExtIoGetActualSrateIdx() == 4 ? 3 : 4;
        std::thread hostThread([&] { plugin.Functions().SetSamples(otherMode); });
        hostThread.detach();
        while (!insideStatusCall) window.Pump(std::chrono::milliseconds(1));
        PrintExitTime();
        std::exit(0);
    }

    if (mode == "init") {
        testsupport::ModalMessageWatcher messages;
        if (!plugin.Open(argv[1], error)) return 3;
        char name[64] = {};
        char model[64] = {};
        int type = 0;
        const int result = plugin.Functions().InitHW(name, model, &type);
        std::printf("InitHW %d\n", result);
        for (const auto& text : messages.Texts()) std::printf("message %s\n", text.c_str());
        plugin.Close();
        return 0;
    }

    if (mode == "other-thread") {
        if (!plugin.Open(argv[1], error)) return 3;
        std::atomic<int> stage{0};
        std::thread panelThread([&] {
            host::NotificationWindow window(log, numbers);
            if (!StartStreaming(plugin.Functions())) {
                stage = -1;
                return;
            }
            stage = 1;
            while (stage == 1) window.Pump(std::chrono::milliseconds(10));
            // The plug-in is gone; its window must not take this thread with it.
            PumpFor(window, std::chrono::milliseconds(200));
        });
        while (stage == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (stage < 0) {
            panelThread.join();
            return 4;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        plugin.Close();
        stage = 2;
        panelThread.join();
        return blocks > 0 ? 0 : 5;
    }
    return 2;
}
