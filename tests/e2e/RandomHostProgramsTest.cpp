// The threads rule checked on random host programs: for every setting, the
// outcome is the value of a request that no other request of that setting
// followed. Each program has 2 to 4 host threads making requests directly,
// from inside the data callback and nested in status handlers that sleep.
// EXCALIBUR_SEED replays one program; the stress command runs many.
#include <algorithm>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>

#include "receiver/SampleModes.h"
#include "tests/e2e/PluginScenarioFixture.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

enum Setting { kFrequency, kRate, kAttenuator, kDither, kNoiseBlanker, kLevelOffset, kSettingCount };
const char* const kSettingNames[] = {"frequency", "rate", "attenuator", "dither", "noise blanker", "level offset"};

enum Call {
    kSetHWLO,
    kStartHW,
    kSetSamples,
    kExtIoSetSrate,
    kSetAtt,
    kSetAttenuator,
    kSetDither,
    kSetNB,
    kSetLevelOffset,
    kSetExPara,
    kCallCount
};
const char* const kCallNames[] = {"SetHWLO",       "StartHW",   "SetSamples", "ExtIoSetSrate",  "SetAtt",
                                  "SetAttenuator", "SetDither", "SetNB",      "SetLevelOffset", "SetExPara"};
enum Where { kDirect, kFromDataCall, kNestedInStatus };
const char* const kWhereNames[] = {"directly", "from a data call", "nested in a status handler"};

// A direct call still inside the plug-in this long after it began has its
// place in the order: the plug-in counts it waiting by then.
constexpr auto kPlacedWithin = milliseconds(50);

struct Step {
    int thread;
    Where where;
    Call call;
    int value;
    int handlerSleepMs;  // for a nested step: how long the handler sleeps first
};

// One request as made: what it set, when it began and when it had its place.
struct Made {
    Step step;
    Clock::time_point began;
    Clock::time_point placed;
};

// What each call sets, and to what.
std::vector<std::pair<Setting, int>> SettingsOf(const Step& step) {
    switch (step.call) {
        case kSetHWLO:
        case kStartHW: return {{kFrequency, step.value}};
        case kSetSamples:
        case kExtIoSetSrate: return {{kRate, step.value}};
        case kSetAtt: return {{kAttenuator, step.value}};
        case kSetAttenuator: return {{kAttenuator, step.value == 0 ? 1 : 0}};  // index 0 is the attenuator on
        case kSetDither: return {{kDither, step.value}};
        case kSetNB: return {{kNoiseBlanker, step.value}};
        case kSetLevelOffset: return {{kLevelOffset, step.value}};
        case kSetExPara:
            return {{kAttenuator, step.value & 1},
                    {kDither, (step.value >> 1) & 1},
                    {kNoiseBlanker, (step.value >> 2) & 1},
                    {kLevelOffset, (step.value >> 3) - 8}};
        default: return {};
    }
}

std::string Describe(const Step& step) {
    std::ostringstream out;
    out << "thread " << step.thread << ": " << kCallNames[step.call] << "(" << step.value << ") "
        << kWhereNames[step.where];
    if (step.where == kNestedInStatus) out << " after " << step.handlerSleepMs << " ms";
    return out.str();
}

// A random program: per thread a few steps.
std::vector<std::vector<Step>> MakeProgram(std::uint32_t seed) {
    std::mt19937 random(seed);
    const auto pick = [&](int below) { return static_cast<int>(random() % static_cast<std::uint32_t>(below)); };
    std::vector<std::vector<Step>> threads(static_cast<std::size_t>(2 + pick(3)));
    for (std::size_t thread = 0; thread < threads.size(); ++thread) {
        const int steps = 2 + pick(3);
        for (int i = 0; i < steps; ++i) {
            Step step{static_cast<int>(thread), static_cast<Where>(pick(3)), static_cast<Call>(pick(kCallCount)), 0,
                      pick(4) * 50};
            switch (step.call) {
                case kSetHWLO:
                case kStartHW: step.value = 7000000 + pick(100) * 1000; break;
                case kSetSamples:
                case kExtIoSetSrate: step.value = pick(excalibur::kSampleModeCount); break;
                case kSetLevelOffset: step.value = pick(17) - 8; break;
                case kSetExPara: step.value = pick(8) | (pick(17) << 3); break;
                default: step.value = pick(2); break;
            }
            threads[thread].push_back(step);
        }
    }
    return threads;
}

// Steps handed to the data callback, and to the next status handler.
struct Mailbox {
    std::mutex mutex;
    std::deque<std::pair<Step, std::atomic<bool>*>> steps;
    void Put(const Step& step, std::atomic<bool>* done) {
        std::lock_guard lock(mutex);
        steps.emplace_back(step, done);
    }
    bool Take(Step& step, std::atomic<bool>*& done) {
        std::lock_guard lock(mutex);
        if (steps.empty()) return false;
        std::tie(step, done) = steps.front();
        steps.pop_front();
        return true;
    }
    // False when the step was taken already.
    bool Withdraw(const std::atomic<bool>* done) {
        std::lock_guard lock(mutex);
        const auto before = steps.size();
        std::erase_if(steps, [&](const auto& entry) { return entry.second == done; });
        return steps.size() != before;
    }
};

Mailbox forDataCalls;
Mailbox forStatusHandlers;
std::mutex madeMutex;
std::vector<Made> made;
excalibur::ExParaBlock hostRecord{};

void MakeRequest(const host::ExtIoFunctions& f, const Step& step) {
    const Clock::time_point began = Clock::now();
    switch (step.call) {
        case kSetHWLO: f.SetHWLO(step.value); break;
        case kStartHW: f.StartHW(step.value); break;
        case kSetSamples: f.SetSamples(step.value); break;
        case kExtIoSetSrate: f.ExtIoSetSrate(step.value); break;
        case kSetAtt: f.SetAtt(step.value); break;
        case kSetAttenuator: f.SetAttenuator(step.value); break;
        case kSetDither: f.SetDither(step.value); break;
        case kSetNB: f.SetNB(step.value); break;
        case kSetLevelOffset: f.SetLevelOffset(step.value); break;
        case kSetExPara: {
            excalibur::ExParaBlock block = hostRecord;
            // A mode no request asks for, so that SetSamples never finds its own mode stored.
            block.sampleMode = 200;
            block.attenuator = static_cast<std::uint8_t>(step.value & 1);
            block.dither = static_cast<std::uint8_t>((step.value >> 1) & 1);
            block.noiseBlanker = static_cast<std::uint8_t>((step.value >> 2) & 1);
            block.levelOffset = static_cast<std::int16_t>((step.value >> 3) - 8);
            f.SetExPara(&block);
            break;
        }
        default: break;
    }
    const Clock::time_point returned = Clock::now();
    const Clock::time_point placed = step.where == kDirect ? std::min(returned, began + kPlacedWithin) : returned;
    std::lock_guard lock(madeMutex);
    made.push_back({step, began, placed});
}

void RunFromMailbox(Mailbox& mailbox, const host::ExtIoFunctions& f, bool sleepFirst) {
    Step step{};
    std::atomic<bool>* done = nullptr;
    if (!mailbox.Take(step, done)) return;
    if (sleepFirst) std::this_thread::sleep_for(milliseconds(step.handlerSleepMs));
    MakeRequest(f, step);
    *done = true;
}

void Hook(const host::ExtIoFunctions& f, int, int status) {
    if (status == 100 || status == 125) {
        RunFromMailbox(forStatusHandlers, f, true);
    } else if (status == 0) {
        RunFromMailbox(forDataCalls, f, false);
    }
}

bool AwaitDone(const std::atomic<bool>& done, milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (!done && Clock::now() < end) std::this_thread::sleep_for(milliseconds(1));
    return done;
}

// Each step in its thread's order: a data call's and a nested one's thread
// waits until it was made (a nested one's status call may never come, when
// a later request overtook the SetAtt that would have made it).
void RunThread(const host::ExtIoFunctions& f, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        std::atomic<bool> done{false};
        switch (step.where) {
            case kDirect: MakeRequest(f, step); break;
            case kFromDataCall:
                forDataCalls.Put(step, &done);
                EXPECT_TRUE(AwaitDone(done, milliseconds(5000))) << "no data call made " << Describe(step);
                break;
            case kNestedInStatus:
                forStatusHandlers.Put(step, &done);
                // The attenuator change whose status call makes the nested request.
                MakeRequest(f, {step.thread, kDirect, kSetAtt, step.handlerSleepMs / 50 % 2, 0});
                // The step's flag is on this stack: nothing may set it once we leave.
                if (!AwaitDone(done, milliseconds(500)) && !forStatusHandlers.Withdraw(&done)) {
                    AwaitDone(done, milliseconds(5000));
                }
                break;
        }
    }
}

int DriverValue(const std::vector<std::string>& log, const std::string& call) {
    const std::string last = LastArgument(log, call);
    return last.empty() ? -1 : std::atoi(last.c_str());
}

std::uint32_t SeedFromEnvironment(std::uint32_t fallback) {
    const char* seed = std::getenv("EXCALIBUR_SEED");
    return seed != nullptr ? static_cast<std::uint32_t>(std::strtoul(seed, nullptr, 10)) : fallback;
}

}  // namespace

class RandomHostPrograms : public PluginScenario {};

TEST_F(RandomHostPrograms, TheLatestRequestOfEachSettingWins) {
    testsupport::SetEnvironment("G31DDC_SIM_PACE", "free");
    Watchdog watchdog(std::chrono::seconds(120), "random host programs");
    LoadPlugin();
    UseHostWindow();
    RegisterCallback();
    ASSERT_EQ(CallInitHW(*f).result, 1);
    ASSERT_EQ(f->StartHW(7050000), 4096);
    f->GetExPara(&hostRecord);
    Counts().hook = &Hook;
    AwaitBlock();
    const bool replay = std::getenv("EXCALIBUR_SEED") != nullptr;
    const int programs = replay ? 1 : 2 * Rounds();
    const std::uint32_t firstSeed = SeedFromEnvironment(20261220);
    int requestsChecked = 0;
    for (int program = 0; program < programs; ++program) {
        const std::uint32_t seed = firstSeed + static_cast<std::uint32_t>(program);
        SCOPED_TRACE("seed " + std::to_string(seed) + " (EXCALIBUR_SEED=" + std::to_string(seed) + " replays it)");
        made.clear();
        const auto threads = MakeProgram(seed);
        std::vector<std::thread> running;
        for (const auto& steps : threads) running.emplace_back([&] { RunThread(*f, steps); });
        for (auto& thread : running) thread.join();
        // The panel's thread catches up with what the data calls asked.
        Pump(milliseconds(100));

        std::ostringstream history;
        for (const Made& request : made) history << "  " << Describe(request.step) << "\n";
        excalibur::ExParaBlock record{};
        f->GetExPara(&record);
        const auto log = DriverLog();
        const int rate = excalibur::SampleModeOfRate(static_cast<std::uint32_t>(f->GetHWSR()));
        const int attenuator = DriverValue(log, "SetAttenuator 0 ") == 21 ? 1 : 0;
        const std::vector<std::vector<int>> outcomes = {
            {f->GetHWLO(), DriverValue(log, "SetFrequency 0 0 ")},
            {rate, DriverValue(log, "SetDDC1 0 ") == static_cast<int>(excalibur::SampleModeTable[rate].ddc1TypeIndex)
                       ? rate
                       : -1},
            {record.attenuator, attenuator, f->GetActualAttIdx() == 0 ? 1 : 0},
            {record.dither, DriverValue(log, "SetDithering 0 ")},
            {record.noiseBlanker, DriverValue(log, "SetADCNoiseBlanker 0 ")},
            {record.levelOffset},
        };
        for (int setting = 0; setting < kSettingCount; ++setting) {
            std::vector<std::pair<const Made*, int>> requests;
            for (const Made& request : made) {
                for (const auto& [set, value] : SettingsOf(request.step)) {
                    if (set == setting) requests.emplace_back(&request, value);
                }
            }
            if (requests.empty()) continue;
            requestsChecked += static_cast<int>(requests.size());
            std::vector<int> allowed;
            for (const auto& [request, value] : requests) {
                const bool followed = std::any_of(requests.begin(), requests.end(), [&](const auto& other) {
                    return other.first != request && other.first->began > request->placed;
                });
                if (!followed) allowed.push_back(value);
            }
            for (const int outcome : outcomes[static_cast<std::size_t>(setting)]) {
                EXPECT_NE(std::find(allowed.begin(), allowed.end(), outcome), allowed.end())
                    << kSettingNames[setting] << " ended at " << outcome
                    << ", the value of no request that no other followed; the requests:\n"
                    << history.str();
            }
        }
    }
    Counts().hook = nullptr;
    std::printf("%d programs from seed %u, %d requests checked\n", programs, firstSeed, requestsChecked);
}
