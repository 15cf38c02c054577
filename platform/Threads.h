#pragma once

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
// calls it while it waits, or a sender that holds what it waits for would
// wait for ever.
void ServeSentMessages();

enum class WhileWaiting { ServeSentMessages, ServeNothing };

// Every wait of the plug-in's own: until done() is true, looked at every
// millisecond, since a sent message wakes no condition. Only a thread under
// the loader lock serves nothing, since a sent message could run any code.
template <typename Done>
void WaitUntil(Done done, WhileWaiting whileWaiting = WhileWaiting::ServeSentMessages) {
    while (!done()) {
        if (whileWaiting == WhileWaiting::ServeSentMessages) ServeSentMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace platform
