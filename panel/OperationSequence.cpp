#include "panel/OperationSequence.h"

#include <algorithm>

namespace excalibur {

int OperationSequence::Enter() {
    const platform::ThreadId self = platform::CurrentThreadId();
    int depth = 0;
    platform::WaitUntil([&] {
        std::lock_guard lock(mutex_);
        if (depth_ != 0 && owner_ == self) {
            depth = ++depth_;
        } else if (depth_ == 0 && !closed_.load()) {
            owner_ = self;
            depth = depth_ = 1;
        }
        return depth != 0 || closed_.load();
    });
    if (depth == 1) RunQueued();
    return depth;
}

void OperationSequence::Leave(void (*atTheEnd)()) {
    // Only the owner changes the depth while it is not 0.
    if (depth_ == 1) {
        RunQueued();
        if (atTheEnd != nullptr) atTheEnd();
    }
    std::lock_guard lock(mutex_);
    if (--depth_ == 0) owner_ = 0;
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

void OperationSequence::CloseAfterTheRunningOne(platform::WhileWaiting whileWaiting) {
    Close();
    const platform::ThreadId self = platform::CurrentThreadId();
    platform::WaitUntil(
        [&] {
            std::lock_guard lock(mutex_);
            return depth_ == 0 || owner_ == self;
        },
        whileWaiting);
    std::lock_guard lock(mutex_);
    queue_.clear();
}

}  // namespace excalibur
