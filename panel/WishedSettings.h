#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/Threads.h"

namespace excalibur {

// For every setting, the latest request wins, whichever thread made it and
// whatever ran first.
//
// A request writes a wished value for each setting it sets, numbered, under
// a short lock. Whoever holds the turn brings the settings in line with
// every wish not yet taken, oldest first, before it leaves; so a wish
// overwritten before it was taken is never applied. A request from inside a
// data call only writes its wishes (the next holder of the turn applies
// them). Any other request waits until its wishes are taken, by itself or
// by another thread, or overtaken by a later request: the turn is never
// handed to a thread, so one that waits, and meanwhile runs host code that
// waits in turn, holds up nobody. The holder may enter again (a host's
// status handler calling an export): its request is applied at once.
class WishedSettings {
public:
    using Settings = std::uint32_t;  // one bit a setting
    using Value = std::int64_t;
    static constexpr int kMaxSettings = 16;

    // How the holder of the turn brings the settings in line.
    class Applier {
    public:
        virtual ~Applier() = default;
        // Under the lock, as a wish is taken: copy what Apply needs beyond the value.
        virtual void Take(int /*setting*/) {}
        virtual void Apply(int setting, Value value) = 0;
        // When the outermost turn ends, before the next thread may take it.
        virtual void AtTheEnd() {}
    };

    // The wishes as the requests so far made them; a request writes its own
    // through this, under the lock.
    class Wishes {
    public:
        Value Latest(int setting) const { return owner_.wishes_[setting].value; }
        // Which request wished it last; 0 for none since the start.
        std::uint64_t NumberOf(int setting) const { return owner_.wishes_[setting].number; }
        void Wish(int setting, Value value);
        // The settings whose wish not yet taken this request replaced.
        Settings Overtook() const { return overtook_; }

    private:
        friend class WishedSettings;
        Wishes(WishedSettings& owner, std::uint64_t number) : owner_(owner), number_(number) {}
        WishedSettings& owner_;
        std::uint64_t number_;
        Settings sets_ = 0;
        Settings overtook_ = 0;
    };

    // What a request wished: its settings, and those of its wishes that
    // replaced a wish not yet taken (that request was overtaken).
    struct Written {
        Settings sets = 0;
        Settings overtook = 0;
    };

    WishedSettings(int settings, Applier& applier);

    // Runs write(Wishes&) under the lock, then has the wishes applied: from
    // inside a data call (mayWait false) it leaves that to the next holder of
    // the turn. Nothing is written once closed.
    template <typename Write>
    Written Request(Write write, bool mayWait) {
        std::unique_lock lock(mutex_);
        if (closed_.load()) return {};
        Wishes wishes(*this, ++lastNumber_);
        write(wishes);
        const Written written{wishes.sets_, wishes.overtook_};
        lock.unlock();
        if (mayWait && written.sets != 0) AwaitTaken(wishes.number_, written.sets);
        return written;
    }

    // Like Request, for values the settings already have (a load that was
    // applied as it happened): nothing is left to take.
    template <typename Write>
    void Settle(Write write) {
        std::lock_guard lock(mutex_);
        Wishes wishes(*this, ++lastNumber_);
        write(wishes);
        for (int setting = 0; setting < count_; ++setting) {
            if (wishes.sets_ & Bit(setting)) taken_[setting] = wishes.number_;
        }
    }

    // An operation of its own (no wish): waits for the turn and returns the
    // depth, 1 for an outermost operation, which has applied the wishes
    // made before it; 0 once closed (a nested entry by the running operation
    // still works, so that it finishes whole).
    int Enter();
    // Enter without waiting: the new depth when the turn is free or this
    // thread holds it, else 0 and nothing taken.
    int TryEnter();
    // The outermost operation applies the wishes made meanwhile and hands
    // the turn back.
    void Leave();

    // Nothing new starts from now on. Takes no lock at all: at process exit
    // the holder may be a thread that is gone.
    void Close() { closed_.store(true); }
    // Closes, sends the waiting threads away and waits for the operation
    // running on another thread; no wish is applied after it.
    void CloseAfterTheRunningOne(platform::WhileWaiting whileWaiting);
    bool Closed() const { return closed_.load(); }
    // How many threads wait.
    std::size_t WaitingThreads();

private:
    struct Entry {
        Value value = 0;
        std::uint64_t number = 0;
    };

    static Settings Bit(int setting) { return Settings{1} << setting; }
    // With the lock held.
    bool TakenOrOvertaken(std::uint64_t number, Settings sets) const;
    // With the lock held: waits until the turn is free and takes it (true),
    // or until the request's wishes (sets, if any) were taken or overtaken
    // or the sequence closed (false).
    bool TakeTheTurnUnlessTaken(std::unique_lock<std::mutex>& lock, std::uint64_t number, Settings sets);
    void AwaitTaken(std::uint64_t number, Settings sets);
    // With the turn: applies every wish not yet taken, up to the latest when it began.
    void ApplyPending();
    void Release();

    Applier& applier_;
    const int count_;
    std::mutex mutex_;  // guards what follows, never held while a wish is applied
    std::array<Entry, kMaxSettings> wishes_{};
    std::array<std::uint64_t, kMaxSettings> taken_{};
    std::uint64_t lastNumber_ = 0;
    platform::ThreadId owner_ = 0;
    int depth_ = 0;
    std::vector<platform::Wakeup*> waiters_;
    platform::Wakeup* closer_ = nullptr;
    std::atomic<bool> closed_{false};
};

}  // namespace excalibur
