#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/Threads.h"

namespace excalibur {

// Lets operations run one at a time and in the order they were asked for.
//
// A thread may enter again inside its own operation (a host's status handler
// calling an export). A thread waiting for its turn keeps serving what other
// threads send to its windows: the holder may be inside a host's handler that
// sends to that thread and waits for the answer.
//
// What cannot wait (a host's data callback, on the thread a stop waits for)
// is queued instead. The outermost operation runs the queue before its own
// body, so that an older request never takes effect after a newer one, and
// again at its end for what the body's callbacks queued.
class OperationSequence {
public:
    // Waits for the turn and returns the depth: 1 for an outermost operation,
    // more inside one, 0 once closed (nothing new starts; a nested entry by
    // the running operation still works, so that it finishes whole).
    int Enter();
    // With depth 1 runs what was queued meanwhile and then the given
    // function (say, to publish what the operations changed), then lets the
    // next one in.
    void Leave(void (*atTheEnd)() = nullptr);

    // Queues an operation of a kind, merged with a queued one of the same
    // kind: that one is dropped and this one goes to the end, so no request
    // runs after one made later. False once closed: it is dropped.
    bool Queue(int kind, std::function<void()> operation);
    // A request of this kind runs now: the queued ones of the kind are older.
    void Supersede(int kind);

    // Nothing new starts from now on. Takes no lock at all: at process exit
    // the holder may be a thread that is gone.
    void Close() { closed_.store(true); }
    // Closes, then waits for the operation running on another thread and
    // drops the queue.
    void CloseAfterTheRunningOne(platform::WhileWaiting whileWaiting);
    bool Closed() const { return closed_.load(); }

private:
    void RunQueued();

    std::mutex mutex_;  // guards what follows, never held for long
    platform::ThreadId owner_ = 0;
    int depth_ = 0;
    std::vector<std::pair<int, std::function<void()>>> queue_;
    std::atomic<bool> closed_{false};
};

}  // namespace excalibur
