#include "panel/OperationSequence.h"

#include <algorithm>
#include <chrono>

namespace excalibur {

int OperationSequence::Enter() {
    const platform::ThreadId self = platform::CurrentThreadId();
    std::unique_lock lock(mutex_);
    if (depth_ != 0 && owner_ == self) return ++depth_;
    for (;;) {
        if (closed_.load()) return 0;
        if (depth_ == 0) break;
        // A sent message wakes no condition: look for them every millisecond.
        released_.wait_for(lock, std::chrono::milliseconds(1));
        lock.unlock();
        platform::ServeSentMessages();
        lock.lock();
    }
    owner_ = self;
    depth_ = 1;
    lock.unlock();
    RunQueued();
    return 1;
}

void OperationSequence::Leave(void (*atTheEnd)()) {
    // Only the owner changes the depth while it is not 0.
    if (depth_ == 1) {
        RunQueued();
        if (atTheEnd != nullptr) atTheEnd();
    }
    {
        std::lock_guard lock(mutex_);
        if (--depth_ != 0) return;
        owner_ = 0;
    }
    released_.notify_all();
}

// What was queued when it begins; what those queue meanwhile waits for the
// next operation, so that a callback queueing on every block cannot keep
// this one from ending.
void OperationSequence::RunQueued() {
    std::vector<std::pair<int, std::function<void()>>> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(queue_);
    }
    for (auto& [kind, operation] : batch) {
        if (closed_.load()) return;
        // An exception of one queued operation ends it alone, as the export's guard would have.
        try {
            operation();
        } catch (...) {}
    }
}

bool OperationSequence::Queue(int kind, std::function<void()> operation) {
    std::lock_guard lock(mutex_);
    if (closed_.load()) return false;
    std::erase_if(queue_, [&](const auto& queued) { return queued.first == kind; });
    queue_.emplace_back(kind, std::move(operation));
    return true;
}

void OperationSequence::Supersede(int kind) {
    std::lock_guard lock(mutex_);
    std::erase_if(queue_, [&](const auto& queued) { return queued.first == kind; });
}

void OperationSequence::Close(Wait wait) {
    closed_.store(true);
    if (wait == Wait::None) return;
    const platform::ThreadId self = platform::CurrentThreadId();
    std::unique_lock lock(mutex_);
    released_.notify_all();
    while (depth_ != 0 && owner_ != self) {
        released_.wait_for(lock, std::chrono::milliseconds(1));
        if (wait != Wait::ServingSentMessages) continue;
        lock.unlock();
        platform::ServeSentMessages();
        lock.lock();
    }
    queue_.clear();
}

}  // namespace excalibur
