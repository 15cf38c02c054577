#pragma once

#include <atomic>
#include <cstdint>
#include <vector>
#include <functional>
#include <mutex>

#include "platform/Threads.h"

namespace excalibur {

// Lets operations run one at a time, in the order they were asked for.
//
// Threads that wait get the turn first come, first served; the one leaving
// hands it to the next. A waiting thread keeps serving what other threads
// send it, since the holder may be inside a host's handler that sends to it.
// The running thread may enter again (a host's status handler calling an
// export): such a request runs at once.
//
// What cannot wait (a host's data callback, on the thread a stop waits for)
// is queued, first in, first out. The next operation to take the turn runs
// what was queued before that, then its own body; what is queued meanwhile
// waits for the one after, so a callback that asks on every block cannot
// keep an operation from ending.
//
// No request is undone by an older one. Each says what it sets, one bit a
// setting (the bits are the caller's); a request entering the queue, and one
// running nested, take what they set from the older queued requests, which
// then set only what is left to them, and are dropped when nothing is.
class OperationSequence {
public:
    using Settings = std::uint32_t;
    // Called with the settings still its own.
    using Request = std::function<void(Settings)>;

    // Waits for the turn and returns the depth: 1 for an outermost operation,
    // which has run the queued requests, more inside one, 0 once closed
    // (nothing new starts; a nested entry by the running operation still
    // works, so that it finishes whole).
    int Enter(Settings sets = 0);
    // With depth 1 calls the given function (say, to publish what the
    // operation changed), then hands the turn on.
    void Leave(void (*atTheEnd)() = nullptr);

    // False once closed: the request is dropped.
    bool Queue(Settings sets, Request request);

    // Nothing new starts from now on. Takes no lock at all: at process exit
    // the holder may be a thread that is gone.
    void Close() { closed_.store(true); }
    // Closes, sends the waiting threads away, waits for the operation
    // running on another thread and drops the queue.
    void CloseAfterTheRunningOne(platform::WhileWaiting whileWaiting);
    bool Closed() const { return closed_.load(); }
    // How many threads wait for the turn.
    std::size_t WaitingThreads();

private:
    struct Waiter {
        explicit Waiter(platform::ThreadId waiting) : thread(waiting) {}
        platform::ThreadId thread;
        platform::Wakeup wakeup;
        bool granted = false;
    };
    struct Queued {
        Settings sets;
        Request request;
        std::uint64_t number;
    };

    int Nest(Settings sets);
    void Release();
    void TakeFromQueued(Settings sets);
    void RunQueued();

    std::mutex mutex_;  // guards what follows, never held while a request runs
    platform::ThreadId owner_ = 0;
    int depth_ = 0;
    std::vector<Waiter*> waiters_;
    platform::Wakeup* closer_ = nullptr;
    std::vector<Queued> queue_;
    std::uint64_t nextNumber_ = 0;
    std::atomic<bool> closed_{false};
};

}  // namespace excalibur
