#pragma once

#include <cstdint>

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

}  // namespace platform
