#include "panel/WishedSettings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using excalibur::WishedSettings;
using Wishes = WishedSettings::Wishes;

enum Setting { kRecord, kStream, kTune, kAttenuator, kCount };
const char* const kNames[] = {"record", "stream", "tune", "att"};

// Notes every wish applied, in order; a hook may act inside an apply, as a
// host's status handler does.
struct Journal : WishedSettings::Applier {
    std::string entries;
    std::function<void(int setting, WishedSettings::Value value)> inside;
    void Apply(int setting, WishedSettings::Value value, const WishedSettings::Context*) override {
        entries += std::string(kNames[setting]) + "=" + std::to_string(value) + " ";
        if (inside) inside(setting, value);
    }
    void Leave(int setting, const WishedSettings::Context*) override {
        entries += std::string("left-") + kNames[setting] + " ";
    }
};

// A request of one setting; from a data call it does not wait. One that
// replaced a wish not yet taken notes it, as the plug-in then tells the host.
WishedSettings::Written Wish(WishedSettings& wishes, Journal& journal, int setting, WishedSettings::Value value,
                             bool mayWait) {
    const auto written = wishes.Request([&](Wishes& w) { w.Wish(setting, value); }, mayWait);
    if (written.overtook != 0) journal.entries += std::string("overtook-") + kNames[setting] + " ";
    return written;
}

void Operate(WishedSettings& wishes, Journal& journal) {
    ASSERT_EQ(wishes.Enter(), 1);
    journal.entries += "body ";
    wishes.Leave();
}

}  // namespace

// Each row: the requests made; the wishes applied, in order.
TEST(WishedSettingsTest, TheLatestRequestOfEachSettingWins) {
    struct Row {
        const char* name;
        std::function<void(WishedSettings&, Journal&)> steps;
        const char* applied;
    };
    const std::vector<Row> rows = {
        {"from data calls: applied before the next operation's body, oldest first, only the latest of a setting",
         [](WishedSettings& s, Journal& j) {
             Wish(s, j, kTune, 1, false);
             Wish(s, j, kStream, 0, false);
             Wish(s, j, kTune, 2, false);
             Wish(s, j, kAttenuator, 1, false);
             Operate(s, j);
         },
         "overtook-tune stream=0 tune=2 att=1 body "},
        {"one wished while a wish is applied (a data call asking on every block) waits for the next turn",
         [](WishedSettings& s, Journal& j) {
             j.inside = [&](int setting, WishedSettings::Value value) {
                 if (setting == kTune && value == 1) Wish(s, j, kTune, 2, false);
             };
             Wish(s, j, kTune, 1, false);
             Operate(s, j);
             Operate(s, j);
         },
         "tune=1 body tune=2 body "},
        {"nested in an apply: applied at once, after the older wishes",
         [](WishedSettings& s, Journal& j) {
             j.inside = [&](int setting, WishedSettings::Value) {
                 if (setting != kStream) return;
                 Wish(s, j, kRecord, 7, false);
                 Wish(s, j, kAttenuator, 1, true);
                 j.entries += "nested-returned ";
             };
             Wish(s, j, kStream, 1, true);
         },
         "stream=1 record=7 att=1 nested-returned "},
        {"one request's wishes in the order of the settings, which the state read through the wishes sees",
         [](WishedSettings& s, Journal& j) {
             Wish(s, j, kAttenuator, 1, false);
             s.Request(
                 [](Wishes& w) {
                     w.Wish(kAttenuator, w.Latest(kAttenuator) == 0 ? 1 : 0);
                     w.Wish(kTune, 5);
                     w.Wish(kStream, 1);
                 },
                 true);
         },
         "stream=1 tune=5 att=0 "},
        {"a try takes the free turn as an entry does, and the turn its own thread holds",
         [](WishedSettings& s, Journal& j) {
             j.inside = [&](int setting, WishedSettings::Value) {
                 if (setting != kStream) return;
                 j.entries += "try=" + std::to_string(s.TryEnter()) + " ";
                 s.Leave();
             };
             Wish(s, j, kTune, 1, false);
             ASSERT_EQ(s.TryEnter(), 1);
             j.entries += "body ";
             s.Leave();
             Wish(s, j, kStream, 1, true);
         },
         "tune=1 body stream=1 try=2 "},
        {"a value found in force is not applied, and a later wish stays",
         [](WishedSettings& s, Journal& j) {
             ASSERT_EQ(s.Enter(), 1);
             Wish(s, j, kAttenuator, 1, false);
             s.Found(kAttenuator, 0);
             s.Found(kTune, 3);
             s.Leave();
             Operate(s, j);
             s.Request([](Wishes& w) { w.Wish(kTune, w.Latest(kTune) + 1); }, true);
         },
         "att=1 body tune=4 "},
        {"a setting that a later request applied first is left to it",
         [](WishedSettings& s, Journal& j) {
             j.inside = [&](int setting, WishedSettings::Value value) {
                 if (setting == kTune && value == 1) Wish(s, j, kAttenuator, 0, true);
             };
             s.Request(
                 [](Wishes& w) {
                     w.Wish(kTune, 1);
                     w.Wish(kAttenuator, 1);
                 },
                 true);
         },
         "tune=1 att=0 left-att "},
        {"one that finds its value asked for already returns once a holder applied it",
         [](WishedSettings& s, Journal& j) {
             Wish(s, j, kAttenuator, 1, false);
             s.Request([](Wishes& w) { w.AwaitLatest(kAttenuator); }, true);
             j.entries += "returned ";
         },
         "att=1 returned "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Journal journal;
        WishedSettings wishes(kCount, journal);
        row.steps(wishes, journal);
        EXPECT_EQ(journal.entries, row.applied);
    }
}

// Closing sends the waiting threads away, waits for the operation running
// on another thread, lets it finish whole (nested entries included), applies
// no wish after it and lets nothing new in.
TEST(WishedSettingsTest, ClosingWaitsForTheRunningOperationAndAppliesNothingAfter) {
    Journal journal;
    WishedSettings wishes(kCount, journal);
    std::atomic<bool> entered{false};
    std::thread running([&] {
        ASSERT_EQ(wishes.Enter(), 1);
        entered = true;
        while (!wishes.Closed()) std::this_thread::yield();
        EXPECT_EQ(wishes.Enter(), 2) << "a nested entry after the close";
        journal.entries += "finished ";
        wishes.Leave();
        wishes.Leave();
    });
    while (!entered) std::this_thread::yield();
    EXPECT_EQ(wishes.TryEnter(), 0) << "the turn held by another thread";
    std::thread waiting([&] { Wish(wishes, journal, kTune, 1, true); });
    while (wishes.WaitingThreads() != 1) std::this_thread::yield();
    Wish(wishes, journal, kAttenuator, 1, false);
    wishes.CloseAfterTheRunningOne(platform::WhileWaiting::ServeNothing);
    running.join();
    waiting.join();
    EXPECT_EQ(wishes.Enter(), 0);
    EXPECT_EQ(wishes.TryEnter(), 0);
    EXPECT_EQ(Wish(wishes, journal, kTune, 2, false).sets, 0u);
    EXPECT_EQ(journal.entries, "finished ");
}
