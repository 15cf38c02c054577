#include "panel/WishedSettings.h"

#include <algorithm>

namespace excalibur {

void WishedSettings::Wishes::Wish(int setting, Value value) {
    Entry& wish = owner_.latest_[setting];
    if (wish.fromDataCall && wish.number != number_ && wish.number > owner_.applied_[setting]) {
        overtook_ |= Bit(setting);
    }
    wish = {value, number_, fromDataCall_};
    values_[setting] = value;
    awaited_[setting] = 0;
    sets_ |= Bit(setting);
}

void WishedSettings::Wishes::AwaitLatest(int setting) {
    if ((sets_ & Bit(setting)) == 0) awaited_[setting] = std::max(awaited_[setting], owner_.latest_[setting].number);
}

WishedSettings::WishedSettings(int settings, Applier& applier)
    : applier_(applier), count_(std::clamp(settings, 0, kMaxSettings)) {}

bool WishedSettings::Holding() const { return depth_ != 0 && owner_ == platform::CurrentThreadId(); }

void WishedSettings::Carry(std::unique_lock<std::mutex>& lock, const Wishes& wishes, const Context* context) {
    const auto awaitedInForce = [&] {
        for (int setting = 0; setting < count_; ++setting) {
            if (inForce_[setting] < wishes.awaited_[setting]) return false;
        }
        return true;
    };
    if (wishes.sets_ == 0 && awaitedInForce()) return;
    if (Holding()) {
        // Nested in the holder's own call into the host: at once.
        ++depth_;
        ApplyDataWishes(lock, wishes.number_);
        ApplyOwn(lock, wishes, context);
        --depth_;
        return;
    }
    // One that only awaits takes its turn too: the wish it awaits may be a
    // data call's, which only a holder of the turn applies.
    if (TakeTheTurn(lock, wishes.number_)) {
        ApplyDataWishes(lock, lastNumber_ + 1);
        ApplyOwn(lock, wishes, context);
        lock.unlock();
        Leave();
        lock.lock();
    }
    if (awaitedInForce()) return;
    Waiter me{wishes.number_, false, false, {}};
    WaitFor(lock, me, awaitedInForce);
}

template <typename Done>
bool WishedSettings::WaitFor(std::unique_lock<std::mutex>& lock, Waiter& me, Done done) {
    waiters_.push_back(&me);
    const auto oldestReady = [&] {
        for (const Waiter* waiter : waiters_) {
            if (waiter->wantsTurn && !waiter->busy) return waiter == &me;
        }
        return false;
    };
    bool took = false;
    while (!closed_.load()) {
        if (me.wantsTurn && depth_ == 0 && oldestReady()) {
            took = true;
            break;
        }
        if (!me.wantsTurn && done()) break;
        me.wakeup.Reset();
        lock.unlock();
        const bool set = me.wakeup.Wait(platform::WhileWaiting::ServeSentMessages);
        lock.lock();
        if (set) continue;
        // What is sent may run host code for long: the next in line may go first.
        me.busy = true;
        if (depth_ == 0) WakeAll();
        lock.unlock();
        platform::ServeSentMessages();
        lock.lock();
        me.busy = false;
    }
    waiters_.erase(std::find(waiters_.begin(), waiters_.end(), &me));
    return took;
}

bool WishedSettings::TakeTheTurn(std::unique_lock<std::mutex>& lock, std::uint64_t number) {
    Waiter me{number, true, false, {}};
    if (!WaitFor(lock, me, [] { return false; })) return false;
    owner_ = platform::CurrentThreadId();
    ownerNumber_ = number;
    depth_ = 1;
    return true;
}

int WishedSettings::Enter() {
    std::unique_lock lock(mutex_);
    if (Holding()) return ++depth_;
    if (closed_.load()) return 0;
    const std::uint64_t number = ++lastNumber_;
    if (!TakeTheTurn(lock, number)) return 0;
    ApplyDataWishes(lock, lastNumber_ + 1);
    return 1;
}

int WishedSettings::TryEnter() {
    std::unique_lock lock(mutex_);
    if (Holding()) return ++depth_;
    if (closed_.load() || depth_ != 0) return 0;
    for (const Waiter* waiter : waiters_) {
        if (waiter->wantsTurn && !waiter->busy) return 0;
    }
    owner_ = platform::CurrentThreadId();
    ownerNumber_ = ++lastNumber_;
    depth_ = 1;
    ApplyDataWishes(lock, lastNumber_ + 1);
    return 1;
}

void WishedSettings::Leave() {
    // Only the owner changes the depth while it is not 0.
    if (depth_ == 1) applier_.AtTheEnd();
    std::lock_guard lock(mutex_);
    if (--depth_ == 0) Release();
}

void WishedSettings::Found(int setting, Value value) {
    std::lock_guard lock(mutex_);
    Entry& wish = latest_[setting];
    if (wish.number > ownerNumber_) return;
    wish = {value, ownerNumber_, false};
    applied_[setting] = std::max(applied_[setting], ownerNumber_);
    inForce_[setting] = std::max(inForce_[setting], ownerNumber_);
}

void WishedSettings::WakeAll() {
    for (Waiter* waiter : waiters_) waiter->wakeup.Set();
}

void WishedSettings::Release() {
    depth_ = 0;
    owner_ = 0;
    ownerNumber_ = 0;
    if (closed_.load() && closer_ != nullptr) closer_->Set();
    WakeAll();
}

// Oldest first, so that where two settings store into one place (the
// record and an attenuator change, say) the later request's value stays.
// Only those made before the holder took the turn: a callback that wishes
// on every block cannot keep the holder here.
void WishedSettings::ApplyDataWishes(std::unique_lock<std::mutex>& lock, std::uint64_t below) {
    while (!closed_.load()) {
        int next = -1;
        for (int setting = 0; setting < count_; ++setting) {
            const Entry& wish = latest_[setting];
            if (!wish.fromDataCall || wish.number <= applied_[setting] || wish.number >= below) continue;
            if (next < 0 || wish.number < latest_[next].number) next = setting;
        }
        if (next < 0) return;
        applier_.Take(next);
        ApplyOne(lock, next, latest_[next].value, latest_[next].number, nullptr);
    }
}

// In the order of the settings; one that a later request applied already
// is left to it.
void WishedSettings::ApplyOwn(std::unique_lock<std::mutex>& lock, const Wishes& wishes, const Context* context) {
    for (int setting = 0; setting < count_ && !closed_.load(); ++setting) {
        if ((wishes.sets_ & Bit(setting)) == 0) continue;
        if (applied_[setting] > wishes.number_) {
            lock.unlock();
            applier_.Leave(setting, context);
            lock.lock();
            continue;
        }
        ApplyOne(lock, setting, wishes.values_[setting], wishes.number_, context);
    }
}

void WishedSettings::ApplyOne(std::unique_lock<std::mutex>& lock, int setting, Value value, std::uint64_t number,
                              const Context* context) {
    applied_[setting] = number;
    lock.unlock();
    // An exception ends that change alone, as the export's guard would have.
    try {
        applier_.Apply(setting, value, context);
    } catch (...) {}
    lock.lock();
    inForce_[setting] = std::max(inForce_[setting], number);
    WakeAll();
}

std::size_t WishedSettings::WaitingThreads() {
    std::lock_guard lock(mutex_);
    return waiters_.size();
}

void WishedSettings::CloseAfterTheRunningOne(platform::WhileWaiting whileWaiting) {
    std::unique_lock lock(mutex_);
    closed_.store(true);
    WakeAll();
    if (depth_ != 0 && owner_ != platform::CurrentThreadId()) {
        platform::Wakeup ended;
        closer_ = &ended;
        lock.unlock();
        while (!ended.Wait(whileWaiting)) platform::ServeSentMessages();
        lock.lock();
        closer_ = nullptr;
    }
}

}  // namespace excalibur
