#include "panel/OperationLock.h"

#include <chrono>

namespace excalibur {

void OperationLock::lock() {
    const platform::ThreadId self = platform::CurrentThreadId();
    std::unique_lock lock(mutex_);
    if (depth_ != 0 && owner_ == self) {
        ++depth_;
        return;
    }
    // A sent message wakes no condition: look for them every millisecond.
    while (!released_.wait_for(lock, std::chrono::milliseconds(1), [&] { return depth_ == 0; })) {
        lock.unlock();
        platform::ServeSentMessages();
        lock.lock();
    }
    owner_ = self;
    depth_ = 1;
}

void OperationLock::unlock() {
    {
        std::lock_guard lock(mutex_);
        if (--depth_ != 0) return;
        owner_ = 0;
    }
    released_.notify_one();
}

}  // namespace excalibur
