#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

// What the plug-in's concurrency needs of the system's threads.
namespace platform {

// The calling thread, named without thread-local storage.
using ThreadId = std::uintptr_t;
ThreadId CurrentThreadId();

// Runs what other threads have sent (SendMessage) to this thread's windows
// and returns; posted messages stay queued. A thread that waits for another
// serves them while it waits, or a sender that holds what it waits for would
// wait for ever. Only a thread under the loader lock serves nothing, since a
// sent message could run any code.
void ServeSentMessages();

enum class WhileWaiting { ServeSentMessages, ServeNothing };

// One waiting thread's wake-up, set by another thread. The waiter sleeps
// until then and wakes only for what is sent to it, so a handed-over turn
// costs no timer tick (a 1 ms sleep lasts up to 15.6 ms on Windows).
class Wakeup {
public:
    Wakeup();
    ~Wakeup();
    Wakeup(const Wakeup&) = delete;
    Wakeup& operator=(const Wakeup&) = delete;

    // Set and Reset under a lock of the waiter's, which it holds while it
    // looks at what it waits for, so that no Set is lost.
    void Set();
    void Reset();
    // True once set. Serving, it returns false, unserved, as soon as
    // something is sent to this thread: the caller serves it
    // (ServeSentMessages), knowing that it runs other code meanwhile.
    bool Wait(WhileWaiting whileWaiting);

private:
    std::atomic<bool> set_{false};
    void* event_ = nullptr;  // the system's event object on Windows
};

// For the rare waits with no signal to wake them: done() looked at every
// millisecond.
template <typename Done>
void WaitUntil(Done done, WhileWaiting whileWaiting = WhileWaiting::ServeSentMessages) {
    while (!done()) {
        if (whileWaiting == WhileWaiting::ServeSentMessages) ServeSentMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace platform
