#pragma once

#include <cstdint>

#include "receiver/ReceiverApi.h"

// The driver calls that every front-end of the receiver makes the same way:
// binding the entry points, power, and starting and stopping the DDC1 stream.
// They act on whichever entry-point table and handle the caller owns.
namespace excalibur::driver {

inline constexpr std::int32_t kMinFrequency = 10;
inline constexpr std::int32_t kMaxFrequency = 50000000;
inline constexpr std::uint32_t kAttenuatorDecibels = 21;
inline constexpr std::uint32_t kPairsPerBlock = 4096;

using SymbolResolver = void* (*)(void* library, const char* name);

// Resolves the 32 entry points in binding order. Returns the name of the
// first one the library lacks, or null when all are bound.
const char* ResolveEntryPoints(g31ddc::ReceiverApi& api, void* library, SymbolResolver resolve);

// Switches the power on unless the receiver reports it on, then the LED.
// PowerDown switches both off. With failedCall, the name of the first call
// that failed is kept there unless it holds one already.
void PowerUp(const g31ddc::ReceiverApi& api, std::int32_t handle, const char** failedCall = nullptr);
void PowerDown(const g31ddc::ReceiverApi& api, std::int32_t handle, const char** failedCall = nullptr);

// Powers up, selects the DDC1 type, sets the medium-wave filter (off unless
// asked), registers the handler with its user data and starts blocks of the
// given size. False when the driver refused to start. With failedCall, the
// name of the first call that failed (null if none) is stored there; every
// call is made either way.
bool StartDdc1(const g31ddc::ReceiverApi& api, std::int32_t handle, std::uint32_t typeIndex,
               const g31ddc::StreamCallbacks& callbacks, std::uintptr_t userData, std::uint32_t pairsPerBlock,
               const char** failedCall = nullptr, bool mwFilter = false);

// Once it returns true, the handler is not called again; false when the
// driver's StopDDC1 failed.
bool StopDdc1(const g31ddc::ReceiverApi& api, std::int32_t handle);

}  // namespace excalibur::driver
