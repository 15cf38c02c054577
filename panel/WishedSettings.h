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
// Every request is numbered in the order made and writes a wished value for
// each setting it sets, under a short lock, so that the next request reads
// the state the requests before it asked for. A caller that may wait then
// applies its own request itself, on its own thread (its host's status calls
// come there), once it has the turn; the turn goes to the oldest waiting
// request whose thread is not busy serving a message sent to it, so a waiter
// that runs host code holds up nobody. A setting that a later request has
// already applied is left alone. A request from inside a data call cannot
// wait: it only wishes, and the next holder of the turn applies its wishes
// before its own. The holder may enter again (a host's status handler
// calling an export): that request is applied at once.
class WishedSettings {
public:
    using Settings = std::uint32_t;  // one bit a setting
    using Value = std::int64_t;
    static constexpr int kMaxSettings = 16;

    // What a request carries beyond its values (the record it was made
    // under, say); the applier knows its type. None for a data call's wish.
    struct Context {
        virtual ~Context() = default;
    };

    // How a request's settings are brought in line, on the thread with the turn.
    class Applier {
    public:
        virtual ~Applier() = default;
        // Under the lock, as a data call's wish is taken: copy what Apply needs beyond the value.
        virtual void Take(int /*setting*/) {}
        virtual void Apply(int setting, Value value, const Context* context) = 0;
        // A later request applied the setting first: this request leaves it.
        virtual void Leave(int /*setting*/, const Context* /*context*/) {}
        // When the outermost turn ends, before the next thread may take it.
        virtual void AtTheEnd() {}
    };

    // The wishes as the requests so far made them; a request writes its own
    // through this, under the lock.
    class Wishes {
    public:
        Value Latest(int setting) const { return owner_.latest_[setting].value; }
        // Which request wished it last; 0 for none since the start.
        std::uint64_t NumberOf(int setting) const { return owner_.latest_[setting].number; }
        void Wish(int setting, Value value);
        // Nothing to wish, since the latest wish asks for the value already:
        // the request returns once that wish is in force or overtaken.
        void AwaitLatest(int setting);
        // The settings whose data-call wish, not yet applied, this request replaced.
        Settings Overtook() const { return overtook_; }

    private:
        friend class WishedSettings;
        Wishes(WishedSettings& owner, std::uint64_t number, bool fromDataCall)
            : owner_(owner), number_(number), fromDataCall_(fromDataCall) {}
        WishedSettings& owner_;
        std::uint64_t number_;
        bool fromDataCall_;
        Settings sets_ = 0;
        Settings overtook_ = 0;
        std::array<Value, kMaxSettings> values_{};
        std::array<std::uint64_t, kMaxSettings> awaited_{};
    };

    // What a request wished: its settings, and those of the data calls'
    // wishes it replaced.
    struct Written {
        Settings sets = 0;
        Settings overtook = 0;
    };

    WishedSettings(int settings, Applier& applier);

    // Runs write(Wishes&) under the lock. From inside a data call (mayWait
    // false) that is all; otherwise the caller applies its request in its
    // turn and returns once it is in force. Nothing is written once closed.
    template <typename Write>
    Written Request(Write write, bool mayWait, const Context* context = nullptr) {
        std::unique_lock lock(mutex_);
        if (closed_.load()) return {};
        Wishes wishes(*this, ++lastNumber_, !mayWait);
        write(wishes);
        const Written written{wishes.sets_, wishes.overtook_};
        if (mayWait) Carry(lock, wishes, context);
        return written;
    }

    // An operation of its own (no wish): waits for its turn in the order
    // made and returns the depth, 1 for an outermost operation, which has
    // applied the data calls' wishes made before it; 0 once closed (a nested
    // entry by the running operation still works, so that it finishes whole).
    int Enter();
    // Takes the turn only if it is free or this thread's already: the depth, or 0.
    int TryEnter();
    void Leave();

    // Inside a turn: the operation found the value in force (a load of
    // settings). It becomes the wish, unless a later request wished the setting.
    void Found(int setting, Value value);

    // Nothing new starts from now on. Takes no lock at all: at process exit
    // the holder may be a thread that is gone.
    void Close() { closed_.store(true); }
    // Closes, sends the waiting threads away and waits for the operation
    // running on another thread; nothing is applied after it.
    void CloseAfterTheRunningOne(platform::WhileWaiting whileWaiting);
    bool Closed() const { return closed_.load(); }
    // How many threads wait.
    std::size_t WaitingThreads();

private:
    struct Entry {
        Value value = 0;
        std::uint64_t number = 0;
        bool fromDataCall = false;
    };
    // A thread waiting in the plug-in: for its turn, or for what it awaits.
    struct Waiter {
        std::uint64_t number;
        bool wantsTurn;
        bool busy = false;  // serving a message sent to its thread
        platform::Wakeup wakeup;
    };

    static Settings Bit(int setting) { return Settings{1} << setting; }
    bool Holding() const;
    // With the lock held: the caller's request, applied in its turn, then
    // awaited until in force.
    void Carry(std::unique_lock<std::mutex>& lock, const Wishes& wishes, const Context* context);
    // With the lock held: waits until done() or closed, serving what is sent
    // to the thread meanwhile; a waiter for the turn takes it when it is
    // free and it is the oldest such waiter not busy (true).
    template <typename Done>
    bool WaitFor(std::unique_lock<std::mutex>& lock, Waiter& me, Done done);
    bool TakeTheTurn(std::unique_lock<std::mutex>& lock, std::uint64_t number);
    // With the lock held: the data calls' wishes not yet applied, below the
    // number, oldest first; then a request's own.
    void ApplyDataWishes(std::unique_lock<std::mutex>& lock, std::uint64_t below);
    void ApplyOwn(std::unique_lock<std::mutex>& lock, const Wishes& wishes, const Context* context);
    void ApplyOne(std::unique_lock<std::mutex>& lock, int setting, Value value, std::uint64_t number,
                  const Context* context);
    void WakeAll();
    void Release();

    Applier& applier_;
    const int count_;
    std::mutex mutex_;  // guards what follows, never held while a setting is applied
    std::array<Entry, kMaxSettings> latest_{};
    // Per setting: the latest request that began to apply it, and that finished.
    std::array<std::uint64_t, kMaxSettings> applied_{};
    std::array<std::uint64_t, kMaxSettings> inForce_{};
    std::uint64_t lastNumber_ = 0;
    platform::ThreadId owner_ = 0;
    std::uint64_t ownerNumber_ = 0;
    int depth_ = 0;
    std::vector<Waiter*> waiters_;  // in the order made
    platform::Wakeup* closer_ = nullptr;
    std::atomic<bool> closed_{false};
};

}  // namespace excalibur
