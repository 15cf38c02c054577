#include "panel/WishedSettings.h"

#include <algorithm>

namespace excalibur {

void WishedSettings::Wishes::Wish(int setting, Value value) {
    Entry& wish = owner_.wishes_[setting];
    if (wish.number != number_ && wish.number > owner_.taken_[setting]) overtook_ |= Bit(setting);
    wish = {value, number_};
    sets_ |= Bit(setting);
}

WishedSettings::WishedSettings(int settings, Applier& applier)
    : applier_(applier), count_(std::clamp(settings, 0, kMaxSettings)) {}

bool WishedSettings::TakenOrOvertaken(std::uint64_t number, Settings sets) const {
    for (int setting = 0; setting < count_; ++setting) {
        if ((sets & Bit(setting)) && wishes_[setting].number == number && taken_[setting] < number) return false;
    }
    return true;
}

bool WishedSettings::TakeTheTurnUnlessTaken(std::unique_lock<std::mutex>& lock, std::uint64_t number, Settings sets) {
    const platform::ThreadId self = platform::CurrentThreadId();
    while (!closed_.load() && (sets == 0 || !TakenOrOvertaken(number, sets))) {
        if (depth_ == 0) {
            owner_ = self;
            depth_ = 1;
            return true;
        }
        platform::Wakeup wakeup;
        waiters_.push_back(&wakeup);
        lock.unlock();
        wakeup.Wait(platform::WhileWaiting::ServeSentMessages);
        lock.lock();
    }
    return false;
}

void WishedSettings::AwaitTaken(std::uint64_t number, Settings sets) {
    std::unique_lock lock(mutex_);
    if (depth_ != 0 && owner_ == platform::CurrentThreadId()) {
        // Only the owner changes the depth while it is not 0.
        ++depth_;
        lock.unlock();
        ApplyPending();
        lock.lock();
        --depth_;
        return;
    }
    if (!TakeTheTurnUnlessTaken(lock, number, sets)) return;
    lock.unlock();
    ApplyPending();
    Leave();
}

int WishedSettings::Enter() {
    std::unique_lock lock(mutex_);
    if (depth_ != 0 && owner_ == platform::CurrentThreadId()) return ++depth_;
    if (!TakeTheTurnUnlessTaken(lock, 0, 0)) return 0;
    lock.unlock();
    ApplyPending();
    return 1;
}

int WishedSettings::TryEnter() {
    std::unique_lock lock(mutex_);
    const platform::ThreadId self = platform::CurrentThreadId();
    if (depth_ != 0 && owner_ == self) return ++depth_;
    if (depth_ != 0 || closed_.load()) return 0;
    owner_ = self;
    depth_ = 1;
    lock.unlock();
    ApplyPending();
    return 1;
}

void WishedSettings::Leave() {
    // Only the owner changes the depth while it is not 0.
    if (depth_ == 1) {
        ApplyPending();
        applier_.AtTheEnd();
    }
    std::lock_guard lock(mutex_);
    if (--depth_ == 0) Release();
}

// With the lock held: every waiting thread looks again; whichever comes
// first takes the turn, and those whose wishes were taken return.
void WishedSettings::Release() {
    depth_ = 0;
    owner_ = 0;
    if (closed_.load() && closer_ != nullptr) closer_->Set();
    for (platform::Wakeup* waiter : waiters_) waiter->Set();
    waiters_.clear();
}

// Oldest first, so that where two settings store into one place (the
// record and an attenuator change, say) the later request's value stays.
// Bounded by the latest wish when it began: a caller that wishes on every
// data block cannot keep the turn's holder here.
void WishedSettings::ApplyPending() {
    std::unique_lock lock(mutex_);
    const std::uint64_t horizon = lastNumber_;
    while (!closed_.load()) {
        int next = -1;
        for (int setting = 0; setting < count_; ++setting) {
            const Entry& wish = wishes_[setting];
            if (wish.number <= taken_[setting] || wish.number > horizon) continue;
            if (next < 0 || wish.number < wishes_[next].number) next = setting;
        }
        if (next < 0) return;
        taken_[next] = wishes_[next].number;
        const Value value = wishes_[next].value;
        applier_.Take(next);
        lock.unlock();
        // An exception ends that change alone, as the export's guard would have.
        try {
            applier_.Apply(next, value);
        } catch (...) {}
        lock.lock();
    }
}

std::size_t WishedSettings::WaitingThreads() {
    std::lock_guard lock(mutex_);
    return waiters_.size();
}

void WishedSettings::CloseAfterTheRunningOne(platform::WhileWaiting whileWaiting) {
    const platform::ThreadId self = platform::CurrentThreadId();
    std::unique_lock lock(mutex_);
    closed_.store(true);
    for (platform::Wakeup* waiter : waiters_) waiter->Set();
    waiters_.clear();
    if (depth_ != 0 && owner_ != self) {
        platform::Wakeup ended;
        closer_ = &ended;
        lock.unlock();
        ended.Wait(whileWaiting);
        lock.lock();
        closer_ = nullptr;
    }
}

}  // namespace excalibur
