#include "panel/OperationSequence.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using excalibur::OperationSequence;
using Settings = OperationSequence::Settings;

constexpr Settings kTune = 1, kStream = 2, kAttenuator = 4, kDither = 8;
constexpr Settings kRecord = kAttenuator | kDither;

// What ran, in order; a request that ran with fewer settings than it was
// queued with notes what was left to it.
struct Journal {
    std::string entries;
    OperationSequence::Request Note(const std::string& what, Settings queuedWith = 0) {
        return [this, what, queuedWith](Settings still) {
            entries += what;
            if (still != queuedWith && queuedWith != 0) entries += "(" + std::to_string(still) + ")";
            entries += " ";
        };
    }
};

// One outermost operation whose body may do more.
void Operate(
    OperationSequence& sequence, Journal& journal, const std::function<void()>& body = [] {}) {
    ASSERT_EQ(sequence.Enter(), 1);
    journal.entries += "body ";
    body();
    sequence.Leave();
}

}  // namespace

// Each row: what the data callbacks queue and what the operations do; the
// order the requests took effect in.
TEST(OperationSequenceTest, RequestsTakeEffectInTheOrderMade) {
    struct Row {
        const char* name;
        std::function<void(OperationSequence&, Journal&)> steps;
        const char* ran;
    };
    const std::vector<Row> rows = {
        {"queued ones run before the next body, in order; one entering drops an older one of its kind only",
         [](OperationSequence& s, Journal& j) {
             s.Queue(kTune, j.Note("tune-1"));
             s.Queue(kStream, j.Note("stop"));
             s.Queue(kTune, j.Note("tune-2"));
             s.Queue(kAttenuator, j.Note("att"));
             Operate(s, j);
         },
         "stop tune-2 att body "},
        {"a queued request that runs leaves a newer one of its kind, which runs next time",
         [](OperationSequence& s, Journal& j) {
             s.Queue(kTune, [&](Settings) {
                 j.entries += "tune-old ";
                 s.Queue(kTune, j.Note("tune-new"));
             });
             Operate(s, j);
             Operate(s, j);
         },
         "tune-old body tune-new body "},
        {"one queued while the batch runs drops an older one still waiting in it",
         [](OperationSequence& s, Journal& j) {
             s.Queue(kAttenuator, [&](Settings) {
                 j.entries += "att ";
                 s.Queue(kTune, j.Note("tune-new"));
             });
             s.Queue(kTune, j.Note("tune-old"));
             Operate(s, j);
             Operate(s, j);
         },
         "att body tune-new body "},
        {"a nested request takes its setting from an older queued record, which keeps the rest",
         [](OperationSequence& s, Journal& j) {
             Operate(s, j, [&] {
                 s.Queue(kRecord, j.Note("record", kRecord));
                 ASSERT_EQ(s.Enter(kAttenuator), 2);
                 j.entries += "nested-att ";
                 s.Leave();
             });
             Operate(s, j);
         },
         "body nested-att record(8) body "},
        {"a nested record drops the older queued settings, and the rest of the batch's",
         [](OperationSequence& s, Journal& j) {
             s.Queue(kStream, [&](Settings) {
                 j.entries += "start ";
                 ASSERT_EQ(s.Enter(kRecord), 2);
                 j.entries += "nested-record ";
                 s.Leave();
             });
             s.Queue(kDither, j.Note("dither"));
             s.Queue(kTune, j.Note("tune"));
             Operate(s, j);
         },
         "start nested-record tune body "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OperationSequence sequence;
        Journal journal;
        row.steps(sequence, journal);
        EXPECT_EQ(journal.entries, row.ran);
    }
}

// A request that queues itself whenever it runs (a callback asking on every
// block) runs once per operation: the operation ends.
TEST(OperationSequenceTest, ARequestQueueingItselfCannotKeepAnOperationFromEnding) {
    OperationSequence sequence;
    int runs = 0;
    std::function<void(Settings)> again = [&](Settings) {
        ++runs;
        sequence.Queue(kTune, again);
    };
    sequence.Queue(kTune, again);
    ASSERT_EQ(sequence.Enter(), 1);
    sequence.Leave();
    ASSERT_EQ(sequence.Enter(), 1);
    sequence.Leave();
    EXPECT_EQ(runs, 2);
}

// Threads that wait get the turn in the order they asked for it.
TEST(OperationSequenceTest, WaitingThreadsTakeTheTurnInTheOrderTheyAsked) {
    OperationSequence sequence;
    ASSERT_EQ(sequence.Enter(), 1);
    std::string order;
    std::vector<std::thread> threads;
    for (int caller = 0; caller < 4; ++caller) {
        threads.emplace_back([&, caller] {
            ASSERT_EQ(sequence.Enter(), 1);
            order += std::to_string(caller);
            sequence.Leave();
        });
        while (sequence.WaitingThreads() != static_cast<std::size_t>(caller + 1)) std::this_thread::yield();
    }
    sequence.Leave();
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(order, "0123");
}

// Closing sends the waiting threads away, waits for the operation running
// on another thread, lets it finish whole (nested entries included), drops
// the queue and lets nothing new in.
TEST(OperationSequenceTest, ClosingWaitsForTheRunningOperationAndDropsTheQueue) {
    OperationSequence sequence;
    Journal journal;
    std::atomic<bool> entered{false};
    std::thread running([&] {
        ASSERT_EQ(sequence.Enter(), 1);
        entered = true;
        while (!sequence.Closed()) std::this_thread::yield();
        EXPECT_EQ(sequence.Enter(), 2) << "a nested entry after the close";
        journal.entries += "finished ";
        sequence.Leave();
        sequence.Leave();
    });
    while (!entered) std::this_thread::yield();
    std::atomic<int> waiterGot{-1};
    std::thread waiting([&] { waiterGot = sequence.Enter(); });
    while (sequence.WaitingThreads() != 1) std::this_thread::yield();
    sequence.Queue(kTune, journal.Note("queued"));
    sequence.CloseAfterTheRunningOne(platform::WhileWaiting::ServeNothing);
    EXPECT_EQ(journal.entries, "finished ");
    running.join();
    waiting.join();
    EXPECT_EQ(waiterGot, 0);
    EXPECT_EQ(sequence.Enter(), 0);
    EXPECT_FALSE(sequence.Queue(kTune, journal.Note("late")));
    EXPECT_EQ(journal.entries, "finished ");
}
