// How hosts really call the plug-in, from several threads, inside their own
// callbacks, while they unload or exit; and the call orders of public ExtIO
// hosts. Each threads pattern repeats (Rounds()), since a race shows in some
// runs only; a hang fails the case through the watchdog.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <thread>

#include "receiver/SampleModes.h"
#include "resources/ResourceIds.h"
#include "tests/e2e/HostLock.h"
#include "tests/e2e/PluginScenarioFixture.h"
#include "tests/support/ModalMessageWatcher.h"
#include "tests/support/PanelDriver.h"

namespace {

constexpr auto kHangLimit = std::chrono::seconds(90);
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// What the host's callback does beside counting, set per pattern.
std::atomic<int> statusAction{0};
std::atomic<int> dataAction{0};
std::atomic<int> requestsMade{0};
std::atomic<platform::WindowId> windowOfMainThread{0};
std::atomic<bool> insideTheBusyHandler{false};

enum StatusAction { kNone, kStop, kStopThenStart, kSendToTheMainThread, kBusy, kLetTheDataCallbackTune, kHold };
// How long a held status handler lasts, at most: until the pattern releases it.
std::atomic<bool> releaseTheHeldHandler{false};
enum DataAction {
    kNothing,
    kTuneOnce,
    kStopOnce,
    kAttenuatorEveryBlock,
    kTuneEveryBlock,
    kAttenuatorAndTuneOnce,
    kTuneLaterOnce
};

constexpr std::int32_t kQueuedFrequency = 7100000;
constexpr std::int32_t kLaterFrequency = 7200000;
// Longer than ShowGUI's wait for the panel's thread.
constexpr auto kBusyHandler = std::chrono::milliseconds(1300);

void WaitFor(const std::atomic<int>& counter, int atLeast);

// A host whose rate handler takes its own lock, which its threads hold
// around their calls; on which thread the handler ran.
HostLock guardingLock;
std::atomic<bool> rateHandlerTakesTheLock{false};
std::mutex seenMutex;  // guards what follows
std::thread::id rateHandlerThread;

void NoteTheRateHandlersThread() {
    if (!guardingLock.TryFor(std::chrono::seconds(2))) {
        ADD_FAILURE() << "the rate handler waited 2 s for the host's lock";
        return;
    }
    std::lock_guard lock(seenMutex);
    rateHandlerThread = std::this_thread::get_id();
    guardingLock.Unlock();
}

void HostCallbackActions(const host::ExtIoFunctions& f, int, int status) {
    if (status == 100 && rateHandlerTakesTheLock) NoteTheRateHandlersThread();
    if (status == 100 || status == 125) {
        switch (statusAction.exchange(kNone)) {
            case kStop: f.StopHW(); break;
            case kStopThenStart:
                f.StopHW();
                f.StartHW(f.GetHWLO());
                break;
            case kSendToTheMainThread: paneldriver::SendNothing(windowOfMainThread); break;
            case kBusy:
                insideTheBusyHandler = true;
                std::this_thread::sleep_for(kBusyHandler);
                break;
            case kHold:
                insideTheBusyHandler = true;
                while (!releaseTheHeldHandler) std::this_thread::sleep_for(milliseconds(1));
                break;
            case kLetTheDataCallbackTune: {
                const int made = requestsMade;
                dataAction = kTuneLaterOnce;
                WaitFor(requestsMade, made + 1);
                break;
            }
            default: break;
        }
        return;
    }
    switch (dataAction.load()) {
        case kTuneOnce:
            if (dataAction.exchange(kNothing) == kTuneOnce) f.SetHWLO(kQueuedFrequency);
            break;
        case kStopOnce:
            if (dataAction.exchange(kNothing) == kStopOnce) f.StopHW();
            break;
        case kAttenuatorAndTuneOnce:
            if (dataAction.exchange(kNothing) != kAttenuatorAndTuneOnce) return;
            f.SetAtt(1);
            f.SetHWLO(kQueuedFrequency);
            break;
        case kTuneLaterOnce:
            if (dataAction.exchange(kNothing) == kTuneLaterOnce) f.SetHWLO(kLaterFrequency);
            break;
        case kAttenuatorEveryBlock: f.SetAtt(PluginScenario::Counts().dataBlocks % 2); break;
        case kTuneEveryBlock: f.SetHWLO(kQueuedFrequency + PluginScenario::Counts().dataBlocks % 2); break;
        default: return;
    }
    ++requestsMade;
}

std::size_t Count(const std::vector<std::string>& lines, std::size_t from, const std::string& prefix) {
    return static_cast<std::size_t>(std::count_if(lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end(),
                                                  [&](const std::string& line) { return line.rfind(prefix, 0) == 0; }));
}

void WaitFor(const std::atomic<int>& counter, int atLeast) {
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (counter < atLeast && Clock::now() < end) std::this_thread::sleep_for(milliseconds(1));
}

}  // namespace

class HostPatterns : public PluginScenario {
protected:
    void SetUp() override {
        PluginScenario::SetUp();
        statusAction = kNone;
        dataAction = kNothing;
    }

    // A host thread inside SetAtt's status call, which lasts until
    // ReleaseTheHolder: whatever other threads ask meanwhile waits.
    std::thread HoldTheTurn() {
        insideTheBusyHandler = false;
        releaseTheHeldHandler = false;
        statusAction = kHold;
        std::thread holder([this] { f->SetAtt(1); });
        while (!insideTheBusyHandler) std::this_thread::sleep_for(milliseconds(1));
        return holder;
    }
    static void ReleaseTheHolder(std::thread& holder) {
        releaseTheHeldHandler = true;
        holder.join();
    }
    // Starts a host thread's call, and gives it the time to wait inside.
    static std::thread Waiting(std::function<void()> call) {
        std::thread caller(std::move(call));
        std::this_thread::sleep_for(milliseconds(100));
        return caller;
    }

    // On this thread, the panel's: the plug-in loaded, a host window, the
    // callback, the receiver initialised and streaming.
    void StartStreaming(int mode = 3) {
        LoadPlugin();
        UseHostWindow();
        RegisterCallback();
        ASSERT_EQ(CallInitHW(*f).result, 1);
        f->SetSamples(mode);
        ASSERT_EQ(f->StartHW(7050000), 4096);
        Counts().hook = &HostCallbackActions;
        AwaitBlock();
    }

    // Blocks delivered during the next stretch of time.
    int BlocksWithin(milliseconds duration) {
        const int before = Counts().dataBlocks;
        std::this_thread::sleep_for(duration);
        return Counts().dataBlocks - before;
    }
};

// A loader's order (TempestSDR's): its GUI thread initialises, shows the panel
// and then pumps for as long as the plug-in is loaded; a reader thread streams;
// the main thread hides the panel and at once unloads.
TEST_F(HostPatterns, HideThenUnloadFromAnotherThreadReturnsAtOnce) {
    Watchdog watchdog(kHangLimit, "hide, then unload from another thread");
    for (int round = 0; round < Rounds(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        LoadPlugin();
        std::atomic<int> stage{0};
        std::thread gui([&] {
            host::NotificationLog log;
            host::NotificationWindow own(log, numbers);
            const InitResult init = CallInitHW(*f);
            RegisterCallback();
            f->OpenHW();
            f->ShowGUI();
            stage = init.result == 1 ? 1 : -1;
            while (stage != 3) own.Pump(milliseconds(5));
            // Messages may still reach the abandoned panel; they must not reach our code.
            const auto end = Clock::now() + (round == Rounds() - 1 ? milliseconds(1000) : milliseconds(100));
            while (Clock::now() < end) own.Pump(milliseconds(5));
        });
        while (stage == 0) std::this_thread::sleep_for(milliseconds(1));
        ASSERT_EQ(stage, 1);
        std::thread reader([&] {
            f->StartHW(7050000);
            AwaitBlock();
            f->SetHWLO(7060000);
            f->StopHW();
        });
        reader.join();
        f->HideGUI();
        const auto start = Clock::now();
        UnloadPlugin();
        const auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
        stage = 3;
        gui.join();
        EXPECT_LT(took.count(), 100);
        EXPECT_EQ(LastDriverLine(), "CloseDevice 0");
    }
}

// From another thread, ShowGUI and HideGUI return once the panel's thread
// has done them, so that the record already tells; a panel's thread that
// does not pump holds them up for a second, and does them when it pumps.
TEST_F(HostPatterns, ShowAndHideFromAnotherThreadReturnWhenDone) {
    StartStreaming();
    excalibur::ExParaBlock record{};
    const auto panel = static_cast<platform::WindowId>(f->GetExPara(&record));
    for (const bool show : {true, false, true, false}) {
        SCOPED_TRACE(show ? "ShowGUI" : "HideGUI");
        std::atomic<bool> returned{false};
        std::thread hostThread([&] {
            show ? f->ShowGUI() : f->HideGUI();
            f->GetExPara(&record);
            returned = true;
        });
        while (!returned) window->Pump(milliseconds(1));
        hostThread.join();
        EXPECT_EQ(paneldriver::IsVisible(panel), show);
        EXPECT_EQ(record.panelVisible, show ? 1 : 0);
    }
    const auto start = Clock::now();
    std::thread hostThread([&] { f->ShowGUI(); });
    hostThread.join();
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, milliseconds(900));
    EXPECT_LT(waited, milliseconds(1900));
    EXPECT_FALSE(paneldriver::IsVisible(panel));
    Pump(milliseconds(50));
    EXPECT_TRUE(paneldriver::IsVisible(panel));
}

// The panel's thread is inside the host's own handler of a rate change, for
// longer than ShowGUI waits for it, while another thread shows and hides the
// panel: once the panel's thread pumps again, the last call has won.
TEST_F(HostPatterns, TheLastOfShowAndHideWins) {
    StartStreaming();
    excalibur::ExParaBlock record{};
    const auto panel = static_cast<platform::WindowId>(f->GetExPara(&record));
    for (int round = 0; round < Rounds(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const bool showLast = round % 2 == 1;
        insideTheBusyHandler = false;
        statusAction = kBusy;
        std::atomic<bool> done{false};
        std::thread hostThread([&] {
            while (!insideTheBusyHandler) std::this_thread::sleep_for(milliseconds(1));
            showLast ? f->HideGUI() : f->ShowGUI();
            showLast ? f->ShowGUI() : f->HideGUI();
            done = true;
        });
        f->SetSamples(round % 2 == 0 ? 4 : 3);
        while (!done) window->Pump(milliseconds(1));
        hostThread.join();
        Pump(milliseconds(50));
        EXPECT_EQ(paneldriver::IsVisible(panel), showLast);
        f->GetExPara(&record);
        EXPECT_EQ(record.panelVisible, showLast ? 1 : 0);
    }
}

// A host that tears down the windows of a source it leaves destroys the
// panel on the panel's thread: the receiver closes, and the next InitHW
// makes panel and receiver again.
TEST_F(HostPatterns, ADestroyedPanelComesBackWithTheNextInitHW) {
    StartStreaming();
    for (int round = 0; round < Rounds(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        excalibur::ExParaBlock record{};
        const auto destroyed = static_cast<platform::WindowId>(f->GetExPara(&record));
        paneldriver::DestroyPanel(destroyed);
        EXPECT_EQ(LastDriverLine(), "CloseDevice 0");
        ASSERT_EQ(CallInitHW(*f).result, 1);
        const auto panel = static_cast<platform::WindowId>(f->GetExPara(&record));
        EXPECT_TRUE(panel != 0 && paneldriver::Exists(panel));
        const std::int32_t frequency = kQueuedFrequency + round * 1000;
        EXPECT_EQ(f->StartHW(frequency), 4096);
        EXPECT_GT(BlocksWithin(milliseconds(300)), 0);
        EXPECT_EQ(f->GetHWLO(), frequency);
        EXPECT_EQ(LastArgument(DriverLog(), "SetFrequency 0 0 "), std::to_string(frequency));
    }
}

#ifdef _WIN32
namespace {

// How long after the probe's exit call the process was gone, in ms.
long long ExitLatency(const std::string& mode) {
    if (RunProbe(mode) != 0) return -1;
    const auto ended = std::chrono::duration_cast<milliseconds>(Clock::now().time_since_epoch()).count();
    std::ifstream probe("probe.txt");
    std::string word;
    long long exitAt = 0;
    probe >> word >> exitAt;
    return word == "exit-at" ? ended - exitAt : -1;
}

}  // namespace

// Windows ends the other threads before the plug-in's DLL_PROCESS_DETACH,
// the one inside the operation among them. Wine itself takes a while to end
// any process: the measure is the same exit with no operation running.
TEST_F(HostPatterns, ExitDuringAnOperationEndsTheProcessAndSaves) {
    std::filesystem::current_path(folder);
    const long long usual = ExitLatency("exit");
    ASSERT_GE(usual, 0);
    for (int round = 0; round < Rounds(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::filesystem::remove(SettingsFile());
        const long long latency = ExitLatency("exit-in-operation");
        ASSERT_GE(latency, 0);
        EXPECT_LT(latency, usual + 1000) << "an exit with no operation running took " << usual << " ms";
        EXPECT_TRUE(std::filesystem::exists(SettingsFile()));
        EXPECT_EQ(LastDriverLine(), "CloseDevice 0");
    }
}
#endif

// The host's status handler stops the stream (and perhaps starts it again)
// inside a sample-rate change: the change goes by the state the host left.
TEST_F(HostPatterns, StopInsideTheRateChangeStaysStopped) {
    StartStreaming();
    f->StopHW();
    for (int round = 0; round < Rounds(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const bool restart = round % 2 == 1;
        const int mode = round % excalibur::kSampleModeCount;
        f->StartHW(7050000);
        AwaitBlock();
        const std::size_t logBefore = DriverLog().size();
        statusAction = restart ? kStopThenStart : kStop;
        f->SetSamples(mode);
        const auto log = DriverLog();
        EXPECT_EQ(Count(log, logBefore, "StartDDC1"), restart ? 1u : 0u);
        if (restart) {
            EXPECT_EQ(LastArgument(log, "SetDDC1 0 "), std::to_string(excalibur::SampleModeTable[mode].ddc1TypeIndex));
            EXPECT_GT(BlocksWithin(milliseconds(200)), 0);
        } else {
            EXPECT_EQ(BlocksWithin(milliseconds(200)), 0);
        }
        f->StopHW();
    }
}

// An older request queued from the data callback never takes effect after a
// newer one made once it returned, on the panel's thread before it pumps; nor
// does a queued one that runs drop one the data callback made meanwhile.
TEST_F(HostPatterns, AQueuedRequestNeverOvertakesALaterOne) {
    StartStreaming();
    for (int round = 0; round < 3 * Rounds(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const int made = requestsMade;
        if (round % 3 == 2) {
            // The queued attenuator change's status call, on this thread,
            // lasts until the data callback has asked for a newer frequency.
            statusAction = kLetTheDataCallbackTune;
            dataAction = kAttenuatorAndTuneOnce;
            WaitFor(requestsMade, made + 1);
            Pump(milliseconds(100));
            EXPECT_EQ(f->GetHWLO(), kLaterFrequency);
            EXPECT_EQ(LastArgument(DriverLog(), "SetFrequency 0 0 "), std::to_string(kLaterFrequency));
            f->SetHWLO(7050000);
        } else if (round % 3 == 0) {
            dataAction = kTuneOnce;
            WaitFor(requestsMade, made + 1);
            EXPECT_EQ(f->SetHWLO(kLaterFrequency), kLaterFrequency);
            Pump(milliseconds(30));
            EXPECT_EQ(f->GetHWLO(), kLaterFrequency);
            EXPECT_EQ(LastArgument(DriverLog(), "SetFrequency 0 0 "), std::to_string(kLaterFrequency));
            f->SetHWLO(7050000);
        } else {
            dataAction = kStopOnce;
            WaitFor(requestsMade, made + 1);
            f->StartHW(7050000);
            Pump(milliseconds(30));
            EXPECT_GT(BlocksWithin(milliseconds(100)), 0) << "a queued stop undid a later start";
        }
    }
}

// Whatever ran first, the latest request of a setting wins: a caller
// waiting for a status call to end is overtaken by a later request from the
// data callback; StartHW waiting with its tuning is overtaken by a later
// SetHWLO from a third thread.
TEST_F(HostPatterns, ALaterRequestWinsOverAWaitingOne) {
    StartStreaming();
    for (int round = 0; round < Rounds(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::int32_t base = 7000000 + round * 10000;
        std::thread holder = HoldTheTurn();
        std::thread waiting = Waiting([&] { EXPECT_EQ(f->SetHWLO(base + 1), base + 1); });
        const int made = requestsMade;
        dataAction = kTuneLaterOnce;
        WaitFor(requestsMade, made + 1);
        ReleaseTheHolder(holder);
        waiting.join();
        Pump(milliseconds(30));
        EXPECT_EQ(f->GetHWLO(), kLaterFrequency) << "the waiting caller's older request won";
        EXPECT_EQ(LastArgument(DriverLog(), "SetFrequency 0 0 "), std::to_string(kLaterFrequency));

        f->StopHW();
        holder = HoldTheTurn();
        const std::size_t logAtHold = DriverLog().size();
        EXPECT_EQ(f->ExtIoGetBandwidth(3), -1) << "stopped, but the turn is another thread's";
        EXPECT_EQ(Count(DriverLog(), logAtHold, "GetDDC1"), 0u);
        std::thread starting = Waiting([&] { EXPECT_EQ(f->StartHW(base + 2), 4096); });
        std::thread tuning = Waiting([&] { EXPECT_EQ(f->SetHWLO(base + 3), base + 3); });
        ReleaseTheHolder(holder);
        starting.join();
        tuning.join();
        EXPECT_EQ(f->GetHWLO(), base + 3) << "StartHW's tuning came after a later SetHWLO";
        EXPECT_EQ(LastArgument(DriverLog(), "SetFrequency 0 0 "), std::to_string(base + 3));
        EXPECT_GT(BlocksWithin(milliseconds(100)), 0);
    }
}

namespace {
std::mutex hostLock;
}  // namespace

// A host that guards its device calls with a lock of its own and sends to
// its GUI thread: the GUI thread, waiting in SetHWLO, serves a message whose
// handler waits for that lock, held by a thread waiting in SetDither. When
// the status call ends, both requests take effect and nothing hangs.
TEST_F(HostPatterns, AWaiterRunningHostCodeStallsNobody) {
    StartStreaming();
    Watchdog watchdog(std::chrono::seconds(30), "a waiter serving a handler that waits for a host lock");
    const paneldriver::HostWindow guiWindow;
    for (int round = 0; round < Rounds(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::int32_t frequency = 7100000 + round * 1000;
        std::thread holder = HoldTheTurn();
        std::thread director([&] {
            std::this_thread::sleep_for(milliseconds(100));
            std::thread locked = Waiting([&] {
                std::lock_guard lock(hostLock);
                f->SetDither(1 - round % 2);
            });
            std::thread sender =
                Waiting([&] { paneldriver::SendCall(guiWindow.Id(), [] { std::lock_guard lock(hostLock); }); });
            ReleaseTheHolder(holder);
            locked.join();
            sender.join();
        });
        EXPECT_EQ(f->SetHWLO(frequency), frequency);
        director.join();
        EXPECT_EQ(f->GetHWLO(), frequency);
        EXPECT_EQ(LastArgument(DriverLog(), "SetFrequency 0 0 "), std::to_string(frequency));
        EXPECT_EQ(LastArgument(DriverLog(), "SetDithering 0 "), std::to_string(1 - round % 2));
    }
}

// A host that holds its lock around every call, and takes it in its rate
// handler: a thread without the lock sits in a status handler while a
// worker with the lock asks for a rate. The rate change comes on the
// worker's own thread, where the lock is its own, before its call returns.
TEST_F(HostPatterns, AHostLockAroundEveryCallStaysSafe) {
    StartStreaming(2);
    Watchdog watchdog(std::chrono::seconds(60), "a host lock around every call");
    rateHandlerTakesTheLock = true;
    for (int round = 0; round < Rounds(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const int mode = round % 2 == 0 ? 3 : 1;
        std::thread holder = HoldTheTurn();
        std::thread::id worker;
        int rateOnReturn = 0;
        std::thread working = Waiting([&] {
            ASSERT_TRUE(guardingLock.TryFor(std::chrono::seconds(2)));
            worker = std::this_thread::get_id();
            f->SetSamples(mode);
            rateOnReturn = f->GetHWSR();
            guardingLock.Unlock();
        });
        ReleaseTheHolder(holder);
        working.join();
        const auto rate = static_cast<int>(excalibur::SampleModeTable[mode].sampleRate);
        std::lock_guard lock(seenMutex);
        EXPECT_EQ(rateHandlerThread, worker) << "(-1, 100) came on another thread";
        EXPECT_EQ(rateOnReturn, rate);
    }
    rateHandlerTakesTheLock = false;
}

// SetExPara waits with a record that gives the host's window while a later
// InitExtIOPara stores the same record: its level offset and dithering go
// by its own record, so the host hears of both and scales the samples itself.
TEST_F(HostPatterns, ASetExParaGoesByItsOwnRecord) {
    StartStreaming();
    excalibur::ExParaBlock withWindow{};
    f->GetExPara(&withWindow);
    excalibur::ExParaBlock bare = withWindow;
    bare.hostWindow = 0;
    bare.levelOffset = 0;
    bare.dither = 0;
    for (int round = 0; round < Rounds(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        f->SetExPara(&bare);
        f->InitExtIOPara(&bare);
        withWindow.levelOffset = static_cast<std::int16_t>(-100 - round);
        withWindow.dither = 1;
        TakePosts();
        std::thread holder = HoldTheTurn();
        std::thread setting = Waiting([&] { f->SetExPara(&withWindow); });
        std::thread storing = Waiting([&] { f->InitExtIOPara(&withWindow); });
        ReleaseTheHolder(holder);
        setting.join();
        storing.join();
        const auto posts = TakePosts();
        const auto has = [&](std::uint32_t message, std::intptr_t value) {
            return std::count(posts.begin(), posts.end(), Posted{message, value}) == 1;
        };
        EXPECT_TRUE(has(numbers.levelOffset, withWindow.levelOffset)) << ::testing::PrintToString(posts);
        EXPECT_TRUE(has(numbers.dither, 1)) << ::testing::PrintToString(posts);
    }
}

// With no receiver, a click stores the opposite of what the record keeps,
// which SetAtt does not change.
TEST_F(HostPatterns, AToggleWithNoReceiverStartsFromTheValueKept) {
    testsupport::SetEnvironment("G31DDC_SIM_FAIL", "open");
    testsupport::ModalMessageWatcher messages;
    LoadPlugin();
    ASSERT_EQ(CallInitHW(*f).result, 0);
    excalibur::ExParaBlock record{};
    const auto panel = static_cast<platform::WindowId>(f->GetExPara(&record));
    const auto attenuator = [&] {
        f->GetExPara(&record);
        return record.attenuator;
    };
    for (int round = 0; round < Rounds(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        paneldriver::ClickControl(panel, IDC_ATTENUATOR_BUTTON);
        EXPECT_EQ(attenuator(), 1);
        f->SetAtt(0);
        EXPECT_EQ(attenuator(), 1) << "SetAtt stored a value with no receiver";
        paneldriver::ClickControl(panel, IDC_ATTENUATOR_BUTTON);
        EXPECT_EQ(attenuator(), 0);
    }
}

// The host unloads while its data callback asks for a change on every block:
// nothing reaches the host from the plug-in once the unload began.
TEST_F(HostPatterns, NothingRunsOnceTheUnloadBegan) {
    for (int round = 0; round < Rounds(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        StartStreaming(4);
        dataAction = kAttenuatorEveryBlock;
        Pump(milliseconds(50));
        ASSERT_GT(Counts().attenuatorNotices, 0) << "the queued changes ran";
        // Quiet, so that every message queued for us was posted before the unload...
        dataAction = kNothing;
        Pump(milliseconds(50));
        TakePosts();
        // ...and requests made again (tunings, since an attenuator change
        // that overtakes another posts its message at once), which only an
        // operation on this thread could apply.
        const int made = requestsMade;
        dataAction = kTuneEveryBlock;
        WaitFor(requestsMade, made + 2);
        const int statusCalls = Counts().attenuatorNotices + Counts().rateChanges;
        UnloadPlugin();
        dataAction = kNothing;
        EXPECT_EQ(Counts().attenuatorNotices + Counts().rateChanges, statusCalls);
        EXPECT_EQ(TakePosts(), std::vector<Posted>{});
        EXPECT_EQ(LastDriverLine(), "CloseDevice 0");
    }
}

// A status handler on a host thread sends to a window of the thread that is
// calling SetCallback at that moment: both go on.
TEST_F(HostPatterns, SetCallbackServesAStatusHandlerThatSendsToIt) {
    StartStreaming();
    Watchdog watchdog(kHangLimit, "SetCallback and a sending status handler");
    excalibur::ExParaBlock record{};
    windowOfMainThread = static_cast<platform::WindowId>(f->GetExPara(&record));
    for (int round = 0; round < Rounds(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        statusAction = kSendToTheMainThread;
        const int notices = Counts().attenuatorNotices;
        const auto start = Clock::now();
        std::thread hostThread([&] { f->SetAtt(round % 2); });
        WaitFor(Counts().attenuatorNotices, notices + 1);
        RegisterCallback();
        hostThread.join();
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
        Counts().hook = &HostCallbackActions;
    }
}

// A console host whose first InitHW came from a thread that never pumps:
// a request from the data callback takes effect at its next operation,
// before that operation's own work.
TEST_F(HostPatterns, AQueuedRequestRunsBeforeTheNextOperationWithoutAPump) {
    LoadPlugin();
    UseHostWindow();
    RegisterCallback();
    ASSERT_EQ(CallInitHW(*f).result, 1);
    ASSERT_EQ(f->StartHW(7050000), 4096);
    Counts().hook = &HostCallbackActions;
    for (int round = 0; round < Rounds(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        f->SetHWLO(7050000);
        const int made = requestsMade;
        dataAction = kTuneOnce;
        WaitFor(requestsMade, made + 1);
        const std::size_t logBefore = DriverLog().size();
        f->SetDither(round % 2);
        EXPECT_EQ(f->GetHWLO(), kQueuedFrequency);
        // Before the export's own work, which a queued request must not follow.
        const auto log = DriverLog();
        const std::vector<std::string> expected = {"SetFrequency 0 0 " + std::to_string(kQueuedFrequency),
                                                   "SetDithering 0 " + std::to_string(round % 2)};
        EXPECT_EQ(std::vector<std::string>(log.begin() + static_cast<std::ptrdiff_t>(logBefore), log.end()), expected);
    }
}

// The call orders of public ExtIO hosts, each once, with the samples checked.
TEST_F(HostPatterns, PublicHostsCallOrdersStream) {
    const auto streamsFor = [&](milliseconds duration) {
        const int blocks = Counts().dataBlocks;
        Pump(duration);
        const double expected = f->GetHWSR() * (duration.count() / 1000.0) / 4096;
        EXPECT_GT(Counts().dataBlocks - blocks, expected * 0.7);
        EXPECT_EQ(Counts().lastCount, 8192);
    };
    struct PublicHost {
        const char* name;
        std::function<void()> run;
    };
    const std::vector<PublicHost> hosts = {
        {"linrad",
         [&] {
             CallInitHW(*f);
             RegisterCallback();
             f->OpenHW();
             f->StartHW(144000000);
             EXPECT_EQ(f->GetHWLO(), 50000000);
             EXPECT_EQ(f->GetHWSR(), 200000);
             f->ShowGUI();
             streamsFor(milliseconds(1000));
             f->StopHW();
             f->CloseHW();
         }},
        {"the sdr-j family",
         [&] {
             CallInitHW(*f);
             RegisterCallback();
             f->OpenHW();
             EXPECT_EQ(f->GetHWSR(), 200000);
             f->ShowGUI();
             EXPECT_EQ(f->SetHWLO(14070000), 14070000);
             f->StartHW(14070000);
             streamsFor(milliseconds(500));
             EXPECT_EQ(LastArgument(DriverLog(), "SetFrequency 0 0 "), "14070000");
         }},
        {"a Python ctypes host",
         [&] {
             CallInitHW(*f);
             RegisterCallback();
             f->OpenHW();
             f->StartHW(7050000);
             f->SetHWLO(7100000);
             int rates = 0;
             for (double rate = 0; f->ExtIoGetSrates(rates, &rate) == 0;) ++rates;
             EXPECT_EQ(rates, excalibur::kSampleModeCount);
             EXPECT_EQ(f->ExtIoGetActualSrateIdx(), 2);
             EXPECT_EQ(f->ExtIoSetSrate(3), 0);
             streamsFor(milliseconds(500));
             f->StopHW();
         }},
    };
    for (const auto& publicHost : hosts) {
        SCOPED_TRACE(publicHost.name);
        LoadPlugin();
        publicHost.run();
        UnloadPlugin();
        EXPECT_EQ(LastDriverLine(), "CloseDevice 0");
    }
}

namespace {

// Hosts keep it with the values; a change would lose every user's settings.
constexpr char kSettingsIdentifier[] = "Excalibur WR-G31DDC settings 1";

// As HDSDR reads them before CloseHW: idx 0, 1, ... until the call says there
// are no more. The values; the descriptions printed with them.
std::vector<std::string> EnumerateSettings(const host::ExtIoFunctions& f) {
    std::vector<std::string> values;
    char description[1024];
    char value[1024];
    for (int index = 0; index < 1000 && f.ExtIoGetSetting(index, description, value) == 0; ++index) {
        values.emplace_back(value);
        std::printf("  %d  %-72s %s\n", index, description, value);
    }
    return values;
}

std::string Contents(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

// A host that keeps the plug-in's settings itself, in the order HDSDR
// documents, over loads in one process, with a user's settings file from an
// earlier version in its folder. The first load hands another ExtIO's
// settings: the file's are used and become the host's, also when the host
// destroys the panel and makes it again; the values in force are read back
// before CloseHW. The second, handed them before InitHW, has the rate, the
// attenuator and the panel's position back; the third, handed garbage after
// the identifier, starts at sane values. None reads the file again or writes
// it; a fourth load whose host keeps nothing uses it as before.
TEST_F(HostPatterns, AHostThatKeepsTheSettingsHasThemBackWithoutTheFile) {
    const std::string usersFile =
        "[PARAMETER]\r\nSampleMode=3\r\nAttenuator=1\r\nDittering=1\r\nNoisBlanker=1\r\ndBOffset=-150\r\n"
        "[POSITION]\r\nWindowTop=150\r\nWindowLeft=250\r\n";
    std::ofstream(SettingsFile(), std::ios::binary) << usersFile;
    using Delivered = std::vector<std::pair<int, const char*>>;
    const auto panelWindow = [&] {
        excalibur::ExParaBlock record{};
        return static_cast<platform::WindowId>(f->GetExPara(&record));
    };
    const auto openAsHdsdr = [&](const Delivered& delivered) {
        LoadPlugin();
        f->ExtIoSetSetting(-1, nullptr);
        for (const auto& [index, value] : delivered) f->ExtIoSetSetting(index, value);
        EXPECT_EQ(CallInitHW(*f).result, 1);
        RegisterCallback();
        EXPECT_EQ(f->OpenHW(), 1);
        return panelWindow();
    };
    const auto placedAt = [](platform::WindowId panel, int left, int top) {
        const platform::Rect rect = paneldriver::Rect(panel);
        return rect == platform::Rect{left, top, left + rect.Width(), top + rect.Height()};
    };

    platform::WindowId panel = openAsHdsdr({{0, "Another receiver settings 2"}, {1, "0"}, {2, "0"}});
    EXPECT_EQ(f->GetHWSR(), 500000);
    EXPECT_EQ(f->GetActualAttIdx(), 0);
    EXPECT_TRUE(placedAt(panel, 250, 150));
    EXPECT_EQ(EnumerateSettings(*f),
              (std::vector<std::string>{kSettingsIdentifier, "3", "1", "1", "1", "-150", "150", "250"}));
    EXPECT_EQ(f->ExtIoSetSrate(4), 0);
    EXPECT_EQ(f->SetAttenuator(1), 0);
    paneldriver::MoveTo(panel, -300, 40);
    paneldriver::DestroyPanel(panel);
    ASSERT_EQ(CallInitHW(*f).result, 1);
    panel = panelWindow();
    EXPECT_EQ(f->GetHWSR(), 1000000) << "the file read again";
    EXPECT_EQ(f->GetActualAttIdx(), 1);
    EXPECT_TRUE(placedAt(panel, -300, 40));
    ASSERT_EQ(f->StartHW64(7050000), 4096);
    f->StopHW();
    const auto kept = EnumerateSettings(*f);
    f->CloseHW();
    UnloadPlugin();
    EXPECT_EQ(kept, (std::vector<std::string>{kSettingsIdentifier, "4", "0", "1", "1", "-150", "40", "-300"}));
    EXPECT_EQ(Contents(SettingsFile()), usersFile);

    Delivered handedBack;
    for (std::size_t index = 0; index < kept.size(); ++index) {
        handedBack.emplace_back(static_cast<int>(index), kept[index].c_str());
    }
    const std::size_t logBefore = DriverLog().size();
    EXPECT_TRUE(placedAt(openAsHdsdr(handedBack), -300, 40));
    EXPECT_EQ(f->GetHWSR(), 1000000);
    EXPECT_EQ(f->GetActualAttIdx(), 1);
    const auto log = DriverLog();
    EXPECT_EQ(std::count(log.begin() + static_cast<std::ptrdiff_t>(logBefore), log.end(), "SetAttenuator 0 0"), 1);
    EXPECT_EQ(EnumerateSettings(*f), kept);
    UnloadPlugin();

    // Another ExtIO's value before the identifier, 13 masked as the file's (mode 4), then garbage: null, no
    // number, no terminator within 1024 characters, beyond 32 bits, idx 8 and -2; one more after InitHW.
    const std::string overLong(2048, '1');
    panel = openAsHdsdr({{3, "1"},
                         {0, kSettingsIdentifier},
                         {1, "13"},
                         {2, nullptr},
                         {3, "on"},
                         {4, overLong.c_str()},
                         {5, "-1e2"},
                         {6, ""},
                         {7, " 12"},
                         {2, "99999999999"},
                         {8, "1"},
                         {-2, "1"}});
    f->ExtIoSetSetting(1, "0");
    const platform::Rect placed = paneldriver::Rect(panel);
    EXPECT_EQ(EnumerateSettings(*f),
              (std::vector<std::string>{kSettingsIdentifier, "4", "0", "0", "0", "-174", std::to_string(placed.top),
                                        std::to_string(placed.left)}));
    UnloadPlugin();
    EXPECT_EQ(Contents(SettingsFile()), usersFile);

    LoadPlugin();
    ASSERT_EQ(CallInitHW(*f).result, 1);
    EXPECT_EQ(f->GetHWSR(), 500000);
    UnloadPlugin();
}
