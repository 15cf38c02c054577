#pragma once

#include <atomic>
#include <mutex>

namespace excalibur {

// The host's function for samples and status; called with the C convention.
using HostCallback = int (*)(int count, int status, float iqOffset, void* data);

// Status with which the host is told that the sample rate changed.
inline constexpr int kStatusSampleRateChanged = 100;
// Status with which the host is told to read GetActualAttIdx again.
inline constexpr int kStatusAttenuatorChanged = 125;

// The registered callback, called from the stream thread (data) and from the
// threads of the exports and the panel (status). Calls are counted, without a
// lock, in one of two slots, so that Replace can wait for exactly the calls
// that may still run the callback it replaced.
class HostCallbackSlot {
public:
    // Returns once no call of the replaced callback can still be running,
    // except when made from inside a call on this thread, where waiting would
    // wait for itself.
    void Replace(HostCallback callback);
    void CallWithData(int count, float* data);
    // (-1, status, 0, no data); held back while this thread defers status calls.
    void CallStatus(int status);

private:
    void Call(int count, int status, float* data);

    std::atomic<HostCallback> callback_{nullptr};
    std::atomic<unsigned> phase_{0};
    std::atomic<int> running_[2]{};
    std::mutex replacing_;
};

extern HostCallbackSlot hostCallback;

// While one exists on a thread, that thread's status calls wait until the
// outermost one ends: an operation calls the host only after releasing its lock.
class DeferredStatusCalls {
public:
    DeferredStatusCalls();
    ~DeferredStatusCalls();
    DeferredStatusCalls(const DeferredStatusCalls&) = delete;
    DeferredStatusCalls& operator=(const DeferredStatusCalls&) = delete;
};

}  // namespace excalibur
