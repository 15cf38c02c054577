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
#ifdef _WIN32
    HostLock() { InitializeCriticalSection(&section_); }
    ~HostLock() { DeleteCriticalSection(&section_); }
    bool TryFor(std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!TryEnterCriticalSection(&section_)) {
            if (std::chrono::steady_clock::now() > end) return false;
            Sleep(1);
        }
        return true;
    }
    void Unlock() { LeaveCriticalSection(&section_); }
#else
    HostLock() = default;
    bool TryFor(std::chrono::milliseconds limit) { return mutex_.try_lock_for(limit); }
    void Unlock() { mutex_.unlock(); }
#endif
    HostLock(const HostLock&) = delete;
    HostLock& operator=(const HostLock&) = delete;

private:
#ifdef _WIN32
    CRITICAL_SECTION section_;
#else
    std::recursive_timed_mutex mutex_;
#endif
};
