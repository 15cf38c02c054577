#pragma once

#include <condition_variable>
#include <mutex>

#include "platform/Threads.h"

namespace excalibur {

// Lets operations run one at a time; a thread may take it again inside its
// own operation (a host's status handler calling an export, say). A thread
// waiting for its turn keeps serving what other threads send to its windows:
// the holder may be inside a host's handler that sends to the panel's window
// and waits for the answer.
class OperationLock {
public:
    void lock();
    void unlock();

private:
    std::mutex mutex_;  // guards the two below, never held for long
    std::condition_variable released_;
    platform::ThreadId owner_ = 0;
    int depth_ = 0;
};

}  // namespace excalibur
