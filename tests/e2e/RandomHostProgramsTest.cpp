// The threads rule checked on random host programs: for every setting, the
// outcome is the value of a request that no other request of that setting
// followed; a direct call returns with its request in force, its status
// calls on its own thread; no data call begins once StopHW returned. Each
// program has 2 to 4 host threads making requests directly, from inside the
// data callback and nested in status handlers that sleep; some threads hold
// a lock of the host's around each call, which their status handlers take
// again; the panel's thread clicks its toggles and steps its spinner. The
// same programs run with no receiver, where only what the record keeps
// counts. EXCALIBUR_SEED replays one program; the stress command runs many.
#include <algorithm>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>

#include "receiver/SampleModes.h"
#include "resources/ResourceIds.h"
#include "tests/support/ModalMessageWatcher.h"
#include "tests/support/PanelDriver.h"
#include "tests/e2e/HostLock.h"
#include "tests/e2e/PluginScenarioFixture.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

enum Setting { kFrequency, kRate, kAttenuator, kDither, kNoiseBlanker, kLevelOffset, kStream, kSettingCount };
const char* const kSettingNames[] = {"frequency",     "rate",         "attenuator", "dither",
                                     "noise blanker", "level offset", "stream"};
enum Where { kDirect, kFromDataCall, kNestedInStatus, kOnThePanel };
const char* const kWhereNames[] = {"directly", "from a data call", "nested in a status handler",
                                   "on the panel's thread"};
// The value of a toggle or a step of the spinner: whatever the ones before asked, flipped or stepped.
constexpr int kAnyValue = -1000;

// The host's record, and a second window of the host's that SetExPara gives
// for an odd value.
excalibur::ExParaBlock hostRecord{};
std::uint32_t otherHostWindow = 0;
platform::WindowId panelWindow = 0;
bool receiverOpen = true;

// The requests a program makes: each sets one setting to its value, but
// SetExPara, which sets the three switches to value % 2 and the level
// offset to value - 8.
struct Call {
    const char* name;
    Setting setting;
    void (*make)(const host::ExtIoFunctions& f, int value);
};
const Call kCalls[] = {
    {"SetHWLO", kFrequency, [](const host::ExtIoFunctions& f, int v) { f.SetHWLO(v); }},
    {"StartHW", kFrequency, [](const host::ExtIoFunctions& f, int v) { f.StartHW(v); }},
    {"StopHW", kStream, [](const host::ExtIoFunctions& f, int) { f.StopHW(); }},
    {"SetSamples", kRate, [](const host::ExtIoFunctions& f, int v) { f.SetSamples(v); }},
    {"ExtIoSetSrate", kRate, [](const host::ExtIoFunctions& f, int v) { f.ExtIoSetSrate(v); }},
    {"SetAtt", kAttenuator, [](const host::ExtIoFunctions& f, int v) { f.SetAtt(v); }},
    // Index 0 is the attenuator on.
    {"SetAttenuator", kAttenuator, [](const host::ExtIoFunctions& f, int v) { f.SetAttenuator(1 - v); }},
    {"SetDither", kDither, [](const host::ExtIoFunctions& f, int v) { f.SetDither(v); }},
    {"SetNB", kNoiseBlanker, [](const host::ExtIoFunctions& f, int v) { f.SetNB(v); }},
    {"SetLevelOffset", kLevelOffset, [](const host::ExtIoFunctions& f, int v) { f.SetLevelOffset(v - 8); }},
    {"SetExPara", kSettingCount,
     [](const host::ExtIoFunctions& f, int v) {
         excalibur::ExParaBlock block = hostRecord;
         if (v % 2 == 1) block.hostWindow = otherHostWindow;
         // A mode no request asks for, so that SetSamples never finds its own mode stored.
         block.sampleMode = 200;
         block.attenuator = block.dither = block.noiseBlanker = static_cast<std::uint8_t>(v % 2);
         block.levelOffset = static_cast<std::int16_t>(v - 8);
         f.SetExPara(&block);
     }},
};
// What the panel's thread does, as a user would.
const Call kPanelCalls[] = {
    {"attenuator click", kAttenuator,
     [](const host::ExtIoFunctions&, int) { paneldriver::ClickControl(panelWindow, IDC_ATTENUATOR_BUTTON); }},
    {"dithering click", kDither,
     [](const host::ExtIoFunctions&, int) { paneldriver::ClickControl(panelWindow, IDC_DITHER_BUTTON); }},
    {"noise blanker click", kNoiseBlanker,
     [](const host::ExtIoFunctions&, int) { paneldriver::ClickControl(panelWindow, IDC_NOISE_BLANKER_BUTTON); }},
    {"spin", kLevelOffset,
     [](const host::ExtIoFunctions&, int v) { paneldriver::SpinBy(panelWindow, IDC_LEVEL_SPIN, v % 5 - 2); }},
};
const Call& CallOf(int call, Where where) { return where == kOnThePanel ? kPanelCalls[call] : kCalls[call]; }
constexpr int kStartHW = 1;
constexpr int kStopHW = 2;
constexpr int kSetAtt = 5;
constexpr int kSetExPara = 10;

struct Step {
    int call;
    int value;
    Where where;
    int handlerSleepMs;  // for a nested step: how long the handler sleeps first
};

// A request as made, with when it began, when it had its place in the
// order (a direct call still inside after kPlacedWithin is counted waiting
// by then) and when it returned; for a direct call, what its settings read
// back on return and whether a status call came on its thread meanwhile.
struct Made {
    Step step;
    Clock::time_point began;
    Clock::time_point placed;
    Clock::time_point returned;
    Clock::time_point readAt;
    std::vector<int> readBack;
    bool statusOnItsThread = false;
};
constexpr auto kPlacedWithin = milliseconds(50);

// The settings a step sets, as the record keeps them: with no receiver, only
// the frequency, the level offset, SetExPara's record and the panel's own.
std::vector<std::pair<Setting, int>> SettingsOf(const Step& step) {
    if (step.where == kOnThePanel) return {{kPanelCalls[step.call].setting, kAnyValue}};
    if (!receiverOpen) {
        const Setting setting = kCalls[step.call].setting;
        if (step.call == kStartHW) return {{kFrequency, step.value}};
        if (step.call != kSetExPara && setting != kFrequency && setting != kLevelOffset) return {};
    }
    if (step.call == kStartHW) return {{kStream, 1}, {kFrequency, step.value}};
    if (step.call == kStopHW) return {{kStream, 0}};
    if (step.call != kSetExPara) {
        const Setting setting = kCalls[step.call].setting;
        return {{setting, setting == kLevelOffset ? step.value - 8 : step.value}};
    }
    return {{kAttenuator, step.value % 2},
            {kDither, step.value % 2},
            {kNoiseBlanker, step.value % 2},
            {kLevelOffset, step.value - 8}};
}

struct HostThread {
    bool holdsTheHostLock;  // around each of its calls
    std::vector<Step> steps;
};

// The host's threads; the last one stands for the panel's, whose steps the
// test's own thread makes.
struct Program {
    std::vector<HostThread> threads;
    std::vector<Step> panelSteps;
};

Program MakeProgram(std::uint32_t seed) {
    std::mt19937 random(seed);
    const auto pick = [&](int below) { return static_cast<int>(random() % static_cast<std::uint32_t>(below)); };
    Program program;
    auto& threads = program.threads;
    threads.resize(static_cast<std::size_t>(2 + pick(3)));
    for (auto& [locking, steps] : threads) {
        locking = pick(2) == 1;
        for (int i = 2 + pick(3); i > 0; --i) {
            const int call = pick(static_cast<int>(std::size(kCalls)));
            const Setting setting = kCalls[call].setting;
            const int value = setting == kFrequency ? 7000000 + pick(100) * 1000
                              : setting == kRate    ? pick(excalibur::kSampleModeCount)
                              : setting == kAttenuator || setting == kDither || setting == kNoiseBlanker ? pick(2)
                                                                                                         : pick(17);
            steps.push_back({call, value, static_cast<Where>(pick(3)), pick(4) * 50});
        }
    }
    for (int i = pick(3); i > 0; --i) {
        program.panelSteps.push_back({pick(static_cast<int>(std::size(kPanelCalls))), pick(5), kOnThePanel, 0});
    }
    return program;
}

HostLock hostLock;
// Set on the threads that hold the host's lock around their calls; the
// status calls that come on them take it again. Counts this thread's status calls.
thread_local bool holdsTheHostLock = false;
thread_local int statusCallsOnThisThread = 0;
std::atomic<int> startsBegun{0};

std::mutex mutex;  // guards what follows
std::vector<Made> made;
// Steps waiting for a data call, with their thread's flag, and for a status handler.
std::deque<std::pair<Step, std::shared_ptr<std::atomic<bool>>>> forDataCalls;
std::deque<Step> forStatusHandlers;

// What each setting reads now through the exports; the stream is not read.
std::vector<int> ReadBack(const host::ExtIoFunctions& f) {
    excalibur::ExParaBlock record{};
    f.GetExPara(&record);
    return {f.GetHWLO(),
            excalibur::SampleModeOfRate(static_cast<std::uint32_t>(f.GetHWSR())),
            record.attenuator,
            record.dither,
            record.noiseBlanker,
            record.levelOffset,
            -1};
}

void MakeRequest(const host::ExtIoFunctions& f, const Step& step) {
    const bool locked = holdsTheHostLock && step.where == kDirect;
    const bool waits = step.where == kDirect || step.where == kOnThePanel;
    if (locked) {
        ASSERT_TRUE(hostLock.TryFor(std::chrono::seconds(10))) << "the host's lock stayed taken";
    }
    if (step.where != kOnThePanel && step.call == kStartHW) ++startsBegun;
    const int starts = startsBegun;
    const int statusCalls = statusCallsOnThisThread;
    const Clock::time_point began = Clock::now();
    CallOf(step.call, step.where).make(f, step.value);
    const Clock::time_point returned = Clock::now();
    Made request{step, began, waits ? std::min(returned, began + kPlacedWithin) : returned, returned, returned,
                 {},   false};
    if (waits) {
        request.readBack = ReadBack(f);
        request.readAt = Clock::now();
        request.statusOnItsThread = statusCallsOnThisThread != statusCalls;
    }
    if (step.call == kStopHW && step.where == kDirect) {
        const int blocks = PluginScenario::Counts().dataBlocks;
        std::this_thread::sleep_for(milliseconds(5));
        EXPECT_TRUE(startsBegun != starts || PluginScenario::Counts().dataBlocks == blocks)
            << "a data call began after StopHW returned";
    }
    if (locked) hostLock.Unlock();
    std::lock_guard lock(mutex);
    made.push_back(request);
}

void Hook(const host::ExtIoFunctions& f, int, int status) {
    const bool statusCall = status == 100 || status == 125;
    if (statusCall) ++statusCallsOnThisThread;
    // A host's status handler takes its lock again on a thread that holds it.
    if (statusCall && holdsTheHostLock && !hostLock.TryFor(std::chrono::seconds(5))) {
        ADD_FAILURE() << "a status handler waited 5 s for the host's lock";
        return;
    }
    struct Unlock {
        bool locked;
        ~Unlock() {
            if (locked) hostLock.Unlock();
        }
    } unlock{statusCall && holdsTheHostLock};
    std::unique_lock lock(mutex);
    if (status == 0 && !forDataCalls.empty()) {
        const auto [step, done] = forDataCalls.front();
        forDataCalls.pop_front();
        lock.unlock();
        MakeRequest(f, step);
        *done = true;
    } else if ((status == 100 || status == 125) && !forStatusHandlers.empty()) {
        const Step step = forStatusHandlers.front();
        forStatusHandlers.pop_front();
        lock.unlock();
        std::this_thread::sleep_for(milliseconds(step.handlerSleepMs));
        MakeRequest(f, step);
    }
}

// Each step in its thread's order. A nested step waits for the next status
// call, which this thread's attenuator change makes unless a later request
// overtook it.
void RunThread(const host::ExtIoFunctions& f, const HostThread& thread) {
    holdsTheHostLock = thread.holdsTheHostLock;
    for (const Step& step : thread.steps) {
        if (step.where == kDirect) {
            MakeRequest(f, step);
        } else if (step.where == kFromDataCall && !receiverOpen) {
            MakeRequest(f, {step.call, step.value, kDirect, 0});
        } else if (step.where == kFromDataCall) {
            const auto done = std::make_shared<std::atomic<bool>>(false);
            {
                std::lock_guard lock(mutex);
                forDataCalls.emplace_back(step, done);
            }
            // A stopped stream makes no data call: the step is withdrawn.
            const auto end = Clock::now() + milliseconds(100);
            while (!*done && Clock::now() < end) std::this_thread::sleep_for(milliseconds(1));
            std::unique_lock lock(mutex);
            const auto ours = std::find_if(forDataCalls.begin(), forDataCalls.end(),
                                           [&](const auto& waiting) { return waiting.second == done; });
            if (ours != forDataCalls.end()) {
                forDataCalls.erase(ours);
                continue;
            }
            lock.unlock();
            while (!*done) std::this_thread::sleep_for(milliseconds(1));
        } else {
            {
                std::lock_guard lock(mutex);
                forStatusHandlers.push_back(step);
            }
            MakeRequest(f, {kSetAtt, step.handlerSleepMs / 50 % 2, kDirect, 0});
        }
    }
}

int DriverValue(const std::vector<std::string>& log, const std::string& call) {
    const std::string last = LastArgument(log, call);
    return last.empty() ? -1 : std::atoi(last.c_str());
}

bool DriverStreams(const std::vector<std::string>& log) {
    for (auto line = log.rbegin(); line != log.rend(); ++line) {
        if (line->rfind("StartDDC1 ", 0) == 0) return true;
        if (line->rfind("StopDDC1 ", 0) == 0) return false;
    }
    return false;
}

// What each setting ended at, by every way of reading it.
std::vector<std::vector<int>> Outcomes(const host::ExtIoFunctions& f, const std::vector<std::string>& log) {
    excalibur::ExParaBlock record{};
    f.GetExPara(&record);
    const int rate = excalibur::SampleModeOfRate(static_cast<std::uint32_t>(f.GetHWSR()));
    // A stopped stream takes its DDC1 type at the next start.
    const bool rateTyped = !DriverStreams(log) || DriverValue(log, "SetDDC1 0 ") ==
                                                      static_cast<int>(excalibur::SampleModeTable[rate].ddc1TypeIndex);
    if (!receiverOpen) {
        return {{f.GetHWLO()},        {rate}, {record.attenuator}, {record.dither}, {record.noiseBlanker},
                {record.levelOffset}, {}};
    }
    return {{f.GetHWLO(), DriverValue(log, "SetFrequency 0 0 ")},
            {rate, rateTyped ? rate : -1},
            {record.attenuator, DriverValue(log, "SetAttenuator 0 ") == 21 ? 1 : 0, f.GetActualAttIdx() == 0 ? 1 : 0},
            {record.dither, DriverValue(log, "SetDithering 0 ")},
            {record.noiseBlanker, DriverValue(log, "SetADCNoiseBlanker 0 ")},
            {record.levelOffset},
            {DriverStreams(log) ? 1 : 0}};
}

}  // namespace

class RandomHostPrograms : public PluginScenario {
protected:
    // Loads the plug-in with the host's window and a second one, and runs
    // the programs from the seed (EXCALIBUR_SEED: that one alone).
    void RunPrograms(int programs);
};

TEST_F(RandomHostPrograms, TheLatestRequestOfEachSettingWins) {
    testsupport::SetEnvironment("G31DDC_SIM_PACE", "free");
    receiverOpen = true;
    RunPrograms(2 * Rounds());
}

TEST_F(RandomHostPrograms, WithNoReceiverTheLatestOfWhatTheRecordKeepsWins) {
    testsupport::SetEnvironment("G31DDC_SIM_FAIL", "open");
    testsupport::ModalMessageWatcher messages;
    receiverOpen = false;
    RunPrograms(Rounds());
}

void RandomHostPrograms::RunPrograms(int programs) {
    Watchdog watchdog(std::chrono::seconds(120), "random host programs");
    const paneldriver::HostWindow other;
    otherHostWindow = static_cast<std::uint32_t>(other.Id());
    LoadPlugin();
    UseHostWindow();
    RegisterCallback();
    ASSERT_EQ(CallInitHW(*f).result, receiverOpen ? 1 : 0);
    panelWindow = static_cast<platform::WindowId>(f->GetExPara(&hostRecord));
    Counts().hook = &Hook;
    if (receiverOpen) {
        ASSERT_EQ(f->StartHW(7050000), 4096);
        AwaitBlock();
    }
    const char* replay = std::getenv("EXCALIBUR_SEED");
    const auto firstSeed =
        replay != nullptr ? static_cast<std::uint32_t>(std::strtoul(replay, nullptr, 10)) : 20261220u;
    if (replay != nullptr) programs = 1;
    int requestsChecked = 0;
    int returnsChecked = 0;
    for (std::uint32_t seed = firstSeed; seed < firstSeed + static_cast<std::uint32_t>(programs); ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed) + " (EXCALIBUR_SEED=" + std::to_string(seed) + " replays it)");
        made.clear();
        std::vector<std::thread> running;
        f->StartHW(f->GetHWLO());
        const Program program = MakeProgram(seed);
        for (const auto& thread : program.threads) running.emplace_back([&, thread] { RunThread(*f, thread); });
        for (const Step& step : program.panelSteps) MakeRequest(*f, step);
        for (auto& thread : running) thread.join();
        {
            std::lock_guard lock(mutex);
            forStatusHandlers.clear();
        }
        // The panel's thread catches up with what the data calls asked.
        Pump(milliseconds(100));

        std::ostringstream history;
        for (const Made& request : made) {
            history << "  " << CallOf(request.step.call, request.step.where).name << "(" << request.step.value << ") "
                    << kWhereNames[request.step.where] << "\n";
        }
        const auto outcomes = Outcomes(*f, DriverLog());
        for (int setting = 0; setting < kSettingCount; ++setting) {
            std::vector<std::pair<const Made*, int>> requests;
            for (const Made& request : made) {
                for (const auto& [set, value] : SettingsOf(request.step)) {
                    if (set == setting) requests.emplace_back(&request, value);
                }
            }
            requestsChecked += static_cast<int>(requests.size());
            std::vector<int> allowed;
            for (const auto& [request, value] : requests) {
                if (std::none_of(requests.begin(), requests.end(),
                                 [&](const auto& other) { return other.first->began > request->placed; })) {
                    allowed.push_back(value);
                }
            }
            for (const int outcome : outcomes[static_cast<std::size_t>(setting)]) {
                EXPECT_TRUE(requests.empty() || std::count(allowed.begin(), allowed.end(), outcome) > 0 ||
                            std::count(allowed.begin(), allowed.end(), kAnyValue) > 0)
                    << kSettingNames[setting] << " ended at " << outcome
                    << ", the value of no request that no other followed; the requests:\n"
                    << history.str();
            }
            // A direct call returns with its request in force, its
            // attenuator's status call made on its own thread, unless
            // another request of the setting came meanwhile.
            for (const auto& [request, value] : requests) {
                const auto overlapped = [&, request = request](const auto& other) {
                    return other.first != request && other.first->began < request->readAt &&
                           other.first->returned > request->began;
                };
                if (request->step.where != kDirect || value == kAnyValue || setting == kStream ||
                    std::any_of(requests.begin(), requests.end(), overlapped)) {
                    continue;
                }
                ++returnsChecked;
                EXPECT_EQ(request->readBack[static_cast<std::size_t>(setting)], value)
                    << CallOf(request->step.call, request->step.where).name << "(" << request->step.value
                    << ") returned before its " << kSettingNames[setting] << " was in force; the requests:\n"
                    << history.str();
                const bool attenuatorCall = request->step.call == kSetAtt || request->step.call == kSetAtt + 1;
                EXPECT_TRUE(!attenuatorCall || request->statusOnItsThread)
                    << CallOf(request->step.call, request->step.where).name << "(" << request->step.value
                    << ")'s status call came on another thread; the requests:\n"
                    << history.str();
            }
        }
    }
    Counts().hook = nullptr;
    std::printf("%s: %d programs from seed %u, %d requests checked, %d returns checked\n",
                receiverOpen ? "with a receiver" : "with none", programs, firstSeed, requestsChecked, returnsChecked);
}
