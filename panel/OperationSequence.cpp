#include "panel/OperationSequence.h"

#include <algorithm>

namespace excalibur {

int OperationSequence::Enter(Settings sets) {
    const platform::ThreadId self = platform::CurrentThreadId();
    std::unique_lock lock(mutex_);
    if (depth_ != 0 && owner_ == self) return Nest(sets);
    if (closed_.load()) return 0;
    if (depth_ == 0) {
        owner_ = self;
        depth_ = 1;
    } else {
        Waiter waiter(self);
        waiters_.push_back(&waiter);
        lock.unlock();
        waiter.wakeup.Wait(platform::WhileWaiting::ServeSentMessages);
        lock.lock();
        if (!waiter.granted) {
            // The turn went to this thread's outer wait (this one runs in a
            // message it served meanwhile), or the sequence closed.
            std::erase(waiters_, &waiter);
            return depth_ != 0 && owner_ == self ? Nest(sets) : 0;
        }
        if (closed_.load()) {
            Release();
            return 0;
        }
    }
    lock.unlock();
    RunQueued();
    return 1;
}

int OperationSequence::Nest(Settings sets) {
    TakeFromQueued(sets);
    return ++depth_;
}

void OperationSequence::Leave(void (*atTheEnd)()) {
    // Only the owner changes the depth while it is not 0.
    if (depth_ == 1 && atTheEnd != nullptr) atTheEnd();
    std::lock_guard lock(mutex_);
    if (--depth_ == 0) Release();
}

// With the lock held and depth 0: the turn to the first waiter.
void OperationSequence::Release() {
    depth_ = 0;
    owner_ = 0;
    if (closed_.load()) {
        if (closer_ != nullptr) closer_->Set();
        return;
    }
    if (waiters_.empty()) return;
    Waiter* next = waiters_.front();
    waiters_.erase(waiters_.begin());
    owner_ = next->thread;
    depth_ = 1;
    next->granted = true;
    // A later wait of the same thread, inside the first, runs nested in its turn.
    for (Waiter* waiter : waiters_) {
        if (waiter->thread == next->thread) waiter->wakeup.Set();
    }
    next->wakeup.Set();
}

void OperationSequence::TakeFromQueued(Settings sets) {
    for (Queued& queued : queue_) queued.sets &= ~sets;
    std::erase_if(queue_, [](const Queued& queued) { return queued.sets == 0; });
}

bool OperationSequence::Queue(Settings sets, Request request) {
    std::lock_guard lock(mutex_);
    if (closed_.load()) return false;
    TakeFromQueued(sets);
    queue_.push_back({sets, std::move(request), nextNumber_++});
    return true;
}

void OperationSequence::RunQueued() {
    std::uint64_t end = 0;
    {
        std::lock_guard lock(mutex_);
        end = nextNumber_;
    }
    while (!closed_.load()) {
        Queued queued;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty() || queue_.front().number >= end) return;
            queued = std::move(queue_.front());
            queue_.erase(queue_.begin());
        }
        // An exception of one queued request ends it alone, as the export's guard would have.
        try {
            queued.request(queued.sets);
        } catch (...) {}
    }
}

std::size_t OperationSequence::WaitingThreads() {
    std::lock_guard lock(mutex_);
    return waiters_.size();
}

void OperationSequence::CloseAfterTheRunningOne(platform::WhileWaiting whileWaiting) {
    const platform::ThreadId self = platform::CurrentThreadId();
    std::unique_lock lock(mutex_);
    closed_.store(true);
    for (Waiter* waiter : waiters_) waiter->wakeup.Set();
    waiters_.clear();
    if (depth_ != 0 && owner_ != self) {
        platform::Wakeup ended;
        closer_ = &ended;
        lock.unlock();
        ended.Wait(whileWaiting);
        lock.lock();
        closer_ = nullptr;
    }
    queue_.clear();
}

}  // namespace excalibur
