#pragma once

#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

// The lock a host holds around each of its calls into the plug-in: recursive,
// as a CRITICAL_SECTION is, so that a status handler on a thread that holds
// it takes it again. A take that lasts too long fails instead of hanging.
class HostLock {
public:
    bool TryFor(std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!TryTake()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
#ifdef _WIN32
    HostLock() { InitializeCriticalSection(&section_); }
    ~HostLock() { DeleteCriticalSection(&section_); }
    void Unlock() { LeaveCriticalSection(&section_); }
#else
    HostLock() = default;
    void Unlock() { mutex_.unlock(); }
#endif
    HostLock(const HostLock&) = delete;
    HostLock& operator=(const HostLock&) = delete;

private:
#ifdef _WIN32
    bool TryTake() { return TryEnterCriticalSection(&section_) != 0; }
    CRITICAL_SECTION section_;
#else
    // try_lock, not a timed lock: ThreadSanitizer misreads a recursive timed one.
    bool TryTake() { return mutex_.try_lock(); }
    std::recursive_mutex mutex_;
#endif
};
