#pragma once

#include <atomic>

namespace excalibur {

// The host's function for samples and status; called with the C convention.
using HostCallback = int (*)(int count, int status, float iqOffset, void* data);

// Status with which the host is told that the sample rate changed.
inline constexpr int kStatusSampleRateChanged = 100;

// Shared with the driver's stream thread, hence atomic: a callback replaced
// or removed while a block arrives is never half-seen.
extern std::atomic<HostCallback> hostCallback;

}  // namespace excalibur
