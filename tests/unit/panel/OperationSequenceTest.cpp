#include "panel/OperationSequence.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace {

using excalibur::OperationSequence;

enum Kind { kTune, kStream, kAttenuator };

// One scenario of requests: what ran, in order.
struct Journal {
    std::string entries;
    std::function<void()> Note(const std::string& what) {
        return [this, what] { entries += what + " "; };
    }
};

}  // namespace

// Queued requests run before the outermost operation's body and in the
// order made; one of a kind is merged into a later one of its kind, and a
// request that runs supersedes the queued ones of its kind; a nested
// operation runs no queued request.
TEST(OperationSequenceTest, QueuedRequestsNeverOvertakeLaterOnes) {
    OperationSequence sequence;
    Journal journal;
    ASSERT_TRUE(sequence.Queue(kTune, journal.Note("tune-1")));
    ASSERT_TRUE(sequence.Queue(kStream, journal.Note("stop")));
    ASSERT_TRUE(sequence.Queue(kTune, journal.Note("tune-2")));
    ASSERT_EQ(sequence.Enter(), 1);
    journal.Note("body")();
    EXPECT_EQ(journal.entries, "stop tune-2 body ");

    sequence.Queue(kAttenuator, journal.Note("att"));
    sequence.Queue(kStream, journal.Note("start"));
    ASSERT_EQ(sequence.Enter(), 2);
    sequence.Supersede(kStream);
    journal.Note("nested-stop")();
    sequence.Leave();
    EXPECT_EQ(journal.entries, "stop tune-2 body nested-stop ");
    sequence.Leave();
    EXPECT_EQ(journal.entries, "stop tune-2 body nested-stop att ");
}

// A request that queues itself whenever it runs (a callback asking on every
// block) runs once before the body and once after it: the operation ends.
TEST(OperationSequenceTest, ARequestQueueingItselfCannotKeepAnOperationFromEnding) {
    OperationSequence sequence;
    int runs = 0;
    std::function<void()> again = [&] {
        ++runs;
        sequence.Queue(kTune, again);
    };
    sequence.Queue(kTune, again);
    ASSERT_EQ(sequence.Enter(), 1);
    EXPECT_EQ(runs, 1);
    sequence.Leave();
    EXPECT_EQ(runs, 2);
}

// Closing waits for the operation running on another thread, lets it finish
// whole (nested entries included), drops the queue and lets nothing new in.
TEST(OperationSequenceTest, ClosingWaitsForTheRunningOperationAndDropsTheQueue) {
    OperationSequence sequence;
    Journal journal;
    std::atomic<bool> entered{false};
    std::thread running([&] {
        ASSERT_EQ(sequence.Enter(), 1);
        entered = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(sequence.Enter(), 2) << "a nested entry after the close";
        journal.Note("finished")();
        sequence.Leave();
        sequence.Leave();
    });
    while (!entered) std::this_thread::yield();
    sequence.Queue(kTune, journal.Note("queued"));
    sequence.CloseAfterTheRunningOne(platform::WhileWaiting::ServeNothing);
    EXPECT_EQ(journal.entries, "finished ");
    running.join();
    EXPECT_EQ(sequence.Enter(), 0);
    EXPECT_FALSE(sequence.Queue(kTune, journal.Note("late")));
    EXPECT_EQ(journal.entries, "finished ");
}
