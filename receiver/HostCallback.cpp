#include "receiver/HostCallback.h"

#include <algorithm>
#include <thread>

namespace excalibur {

HostCallbackSlot hostCallback;

namespace {

constexpr int kMaxDeferredStatuses = 4;

// Per thread: how deep it is inside calls of the host and inside deferrals,
// and the distinct statuses held back, in order.
struct ThreadCalls {
    int insideCallback = 0;
    int deferring = 0;
    int deferred[kMaxDeferredStatuses] = {};
    int deferredCount = 0;
};
thread_local ThreadCalls thisThread;

}  // namespace

void HostCallbackSlot::Replace(HostCallback callback) {
    callback_.store(callback);
    if (thisThread.insideCallback > 0) return;
    std::lock_guard lock(replacing_);
    // Calls that begin from now on count in the other slot and load the new
    // callback; those counted in the old slot may hold the replaced one.
    const unsigned old = phase_.fetch_add(1) & 1u;
    while (running_[old].load() != 0) std::this_thread::yield();
}

void HostCallbackSlot::CallWithData(int count, float* data) { Call(count, 0, data); }

void HostCallbackSlot::CallStatus(int status) {
    ThreadCalls& calls = thisThread;
    if (calls.deferring == 0) {
        Call(-1, status, nullptr);
        return;
    }
    int* const end = calls.deferred + calls.deferredCount;
    if (std::find(calls.deferred, end, status) == end && calls.deferredCount < kMaxDeferredStatuses) {
        calls.deferred[calls.deferredCount++] = status;
    }
}

void HostCallbackSlot::Call(int count, int status, float* data) {
    // Counted in the slot that is still current after counting, so that a
    // Replace switching slots meanwhile either waits for this call or has
    // stored its callback before this call loads one.
    unsigned phase = phase_.load();
    for (;;) {
        running_[phase & 1u].fetch_add(1);
        const unsigned now = phase_.load();
        if (now == phase) break;
        running_[phase & 1u].fetch_sub(1);
        phase = now;
    }
    if (const HostCallback callback = callback_.load()) {
        ++thisThread.insideCallback;
        callback(count, status, 0.0f, data);
        --thisThread.insideCallback;
    }
    running_[phase & 1u].fetch_sub(1);
}

DeferredStatusCalls::DeferredStatusCalls() { ++thisThread.deferring; }

DeferredStatusCalls::~DeferredStatusCalls() {
    ThreadCalls& calls = thisThread;
    if (--calls.deferring != 0) return;
    const int count = calls.deferredCount;
    int statuses[kMaxDeferredStatuses];
    std::copy(calls.deferred, calls.deferred + count, statuses);
    calls.deferredCount = 0;
    for (int i = 0; i < count; ++i) hostCallback.CallStatus(statuses[i]);
}

}  // namespace excalibur
