#pragma once

#include <atomic>
#include <cstdint>

#include "platform/Threads.h"

namespace excalibur {

// The host's function for samples and status; called with the C convention.
using HostCallback = int (*)(int count, int status, float iqOffset, void* data);

// Status with which the host is told that the sample rate changed.
inline constexpr int kStatusSampleRateChanged = 100;
// Status with which the host is told to read GetActualAttIdx again.
inline constexpr int kStatusAttenuatorChanged = 125;

// The registered callback. Data calls come from the driver's one stream
// thread; status calls from the thread running an operation, one at a time.
// Each kind is counted so that Replace can wait for the calls that may still
// run the callback it replaced, without a lock or thread-local storage on
// the sample path.
class HostCallbackSlot {
public:
    // Returns once no call of the replaced callback can still be running,
    // except when made from inside a call on this thread, where waiting would
    // wait for itself.
    void Replace(HostCallback callback);
    void CallWithData(int count, float* data);
    // (-1, status, 0, no data), on the calling thread, before it returns.
    void CallStatus(int status);
    // True on the driver's thread while it is inside a data call: a host
    // calling an operation from there must not wait for one that stops the stream.
    bool InsideDataCall() const;
    // Before the driver starts a stream: its thread identifies itself at
    // the first block, so that the others need not read the thread's id.
    void ExpectNewStreamThread() { identifyStreamThread_.store(true); }

private:
    std::atomic<HostCallback> callback_{nullptr};
    // The stream thread alone writes these, so they need no read-modify-write.
    std::atomic<bool> identifyStreamThread_{true};
    std::atomic<platform::ThreadId> dataThread_{0};
    std::atomic<std::uint32_t> dataStarted_{0};
    std::atomic<std::uint32_t> dataFinished_{0};
    std::atomic<platform::ThreadId> statusThread_{0};
    std::atomic<int> statusDepth_{0};
};

extern HostCallbackSlot hostCallback;

}  // namespace excalibur
