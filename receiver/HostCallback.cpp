#include "receiver/HostCallback.h"

namespace excalibur {

HostCallbackSlot hostCallback;

void HostCallbackSlot::Replace(HostCallback callback) {
    // Stored before the counts are read, as the calls count before they load
    // the callback: a call either loads the new one or is seen running.
    callback_.store(callback);
    const platform::ThreadId self = platform::CurrentThreadId();
    const std::uint32_t started = dataStarted_.load();
    if (dataThread_.load() != self) {
        platform::WaitUntil([&] { return static_cast<std::int32_t>(dataFinished_.load() - started) >= 0; });
    }
    if (statusThread_.load() != self) platform::WaitUntil([&] { return statusDepth_.load() == 0; });
}

void HostCallbackSlot::CallWithData(int count, float* data) {
    if (identifyStreamThread_.load(std::memory_order_relaxed)) {
        dataThread_.store(platform::CurrentThreadId(), std::memory_order_relaxed);
        identifyStreamThread_.store(false, std::memory_order_relaxed);
    }
    const std::uint32_t call = dataStarted_.load(std::memory_order_relaxed) + 1;
    dataStarted_.store(call);
    if (const HostCallback callback = callback_.load()) callback(count, 0, 0.0f, data);
    dataFinished_.store(call, std::memory_order_release);
}

void HostCallbackSlot::CallStatus(int status) {
    statusThread_.store(platform::CurrentThreadId());
    statusDepth_.fetch_add(1);
    if (const HostCallback callback = callback_.load()) callback(-1, status, 0.0f, nullptr);
    statusDepth_.fetch_sub(1);
}

bool HostCallbackSlot::InsideDataCall() const {
    return dataStarted_.load() != dataFinished_.load() && dataThread_.load() == platform::CurrentThreadId();
}

}  // namespace excalibur
