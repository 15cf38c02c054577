#pragma once

#include <mutex>

namespace excalibur {

// Lets operations run one at a time; a thread may take it again inside its
// own operation (a host's status handler calling an export, say). A thread
// waiting for its turn keeps serving what other threads send to its windows:
// the holder may be inside a host's handler that sends to the panel's window
// and waits for the answer.
class OperationLock {
public:
    void lock();
    void unlock() { mutex_.unlock(); }

private:
    std::recursive_timed_mutex mutex_;
};

}  // namespace excalibur
