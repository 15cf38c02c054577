#pragma once

#include <cstdint>

#include "platform/CallingConvention.h"

// The driver library's entry points, written once. Each row: name, result,
// parameter list, and the parameters' names, so that a definition made from a
// row can pass its arguments on. The order is the order in which the binding
// resolves the names.
// clang-format off
#define G31DDC_ENTRY_POINTS_WITH_ARGUMENTS(X)                                                                 \
    X(OpenDevice, std::int32_t, (std::int32_t serial), (serial))                                              \
    X(CloseDevice, std::int32_t, (std::int32_t handle), (handle))                                             \
    X(SetPower, std::int32_t, (std::int32_t handle, std::int32_t power), (handle, power))                     \
    X(GetPower, std::int32_t, (std::int32_t handle, std::uint32_t* power), (handle, power))                   \
    X(StartIF, std::int32_t, (std::int32_t handle, std::uint32_t period), (handle, period))                   \
    X(SetDDC1, std::int32_t, (std::int32_t handle, std::uint32_t typeIndex), (handle, typeIndex))             \
    X(GetDDC1, std::int32_t,                                                                                  \
      (std::int32_t handle, std::uint32_t* typeIndex, Ddc1Info* info),                                        \
      (handle, typeIndex, info))                                                                              \
    X(GetDDC2, std::int32_t,                                                                                  \
      (std::int32_t handle, std::uint32_t* typeIndex, Ddc1Info* info),                                        \
      (handle, typeIndex, info))                                                                              \
    X(SetCallbacks, std::int32_t,                                                                             \
      (std::int32_t handle, const StreamCallbacks* callbacks, std::uintptr_t userData),                       \
      (handle, callbacks, userData))                                                                          \
    X(SetFrequency, std::int32_t,                                                                             \
      (std::int32_t handle, std::uint32_t channel, std::uint32_t hertz),                                      \
      (handle, channel, hertz))                                                                               \
    X(GetFrequency, std::int32_t,                                                                             \
      (std::int32_t handle, std::uint32_t channel, std::uint32_t* hertz),                                     \
      (handle, channel, hertz))                                                                               \
    X(StartDDC1, std::int32_t, (std::int32_t handle, std::uint32_t pairsPerBlock), (handle, pairsPerBlock))   \
    X(StopDDC1, std::int32_t, (std::int32_t handle), (handle))                                                \
    X(StartDDC2, std::int32_t,                                                                                \
      (std::int32_t handle, std::uint32_t channel, std::uint32_t pairsPerBlock),                              \
      (handle, channel, pairsPerBlock))                                                                       \
    X(StopDDC2, std::int32_t, (std::int32_t handle, std::uint32_t channel), (handle, channel))                \
    X(StartAudio, std::int32_t,                                                                               \
      (std::int32_t handle, std::uint32_t channel, std::uint32_t samplesPerBlock),                            \
      (handle, channel, samplesPerBlock))                                                                     \
    X(StopAudio, std::int32_t, (std::int32_t handle, std::uint32_t channel), (handle, channel))               \
    X(SetAGC, std::int32_t,                                                                                   \
      (std::int32_t handle, std::uint32_t channel, std::int32_t enabled),                                     \
      (handle, channel, enabled))                                                                             \
    X(SetLED, std::int32_t, (std::int32_t handle, std::int32_t mode), (handle, mode))                         \
    X(SetMWFilter, std::int32_t, (std::int32_t handle, std::int32_t enabled), (handle, enabled))              \
    X(SetAttenuator, std::int32_t, (std::int32_t handle, std::uint32_t decibels), (handle, decibels))         \
    X(SetDithering, std::int32_t, (std::int32_t handle, std::int32_t enabled), (handle, enabled))             \
    X(SetAGCParams, std::int32_t,                                                                             \
      (std::int32_t handle, std::uint32_t channel, std::int32_t attackMs, std::int32_t decayMs, std::int32_t referenceDb), \
      (handle, channel, attackMs, decayMs, referenceDb))                                                      \
    X(SetDemodulatorMode, std::int32_t,                                                                       \
      (std::int32_t handle, std::uint32_t channel, std::uint32_t mode),                                       \
      (handle, channel, mode))                                                                                \
    X(SetDemodulatorFilterBandwidth, std::int32_t,                                                            \
      (std::int32_t handle, std::uint32_t channel, std::uint32_t bandwidth),                                  \
      (handle, channel, bandwidth))                                                                           \
    X(SetDDC1Frequency, std::int32_t, (std::int32_t handle, std::uint32_t hertz), (handle, hertz))            \
    X(SetDDC2Frequency, std::int32_t,                                                                         \
      (std::int32_t handle, std::uint32_t channel, std::int32_t hertz),                                       \
      (handle, channel, hertz))                                                                               \
    X(SetDemodulatorFrequency, std::int32_t,                                                                  \
      (std::int32_t handle, std::uint32_t channel, std::int32_t hertz),                                       \
      (handle, channel, hertz))                                                                               \
    X(GetDDC1Frequency, std::int32_t, (std::int32_t handle, std::uint32_t* hertz), (handle, hertz))           \
    X(GetDDC2Frequency, std::int32_t,                                                                         \
      (std::int32_t handle, std::uint32_t channel, std::int32_t* hertz),                                      \
      (handle, channel, hertz))                                                                               \
    X(GetDemodulatorFrequency, std::int32_t,                                                                  \
      (std::int32_t handle, std::uint32_t channel, std::int32_t* hertz),                                      \
      (handle, channel, hertz))                                                                               \
    X(SetADCNoiseBlanker, std::int32_t, (std::int32_t handle, std::int32_t enabled), (handle, enabled))
// clang-format on

// The same rows as X(name, result, parameter list). The names are dropped by
// a second expansion pass, so X sees exactly three arguments.
#define G31DDC_ENTRY_POINTS(X) G31DDC_EXPAND_ROWS(G31DDC_ENTRY_POINTS_WITH_ARGUMENTS(X G31DDC_DROP_ARGUMENTS))
#define G31DDC_DROP_ARGUMENTS(name, result, params, arguments) (name, result, params)
#define G31DDC_EXPAND_ROWS(...) __VA_ARGS__

namespace g31ddc {

// What GetDDC1 reports of the DDC1 type in force; the plug-in keeps it and
// never reads it.
struct Ddc1Info {
    std::uint32_t sampleRate;
    std::uint32_t bandwidth;
    std::uint32_t bitsPerSample;
};
static_assert(sizeof(Ddc1Info) == 12);

// The driver calls this once per block of interleaved signed 32-bit I/Q pairs.
using Ddc1StreamCallback = void(EXCALIBUR_STDCALL*)(const std::int32_t* block, std::uint32_t pairs,
                                                    std::uint32_t ignored, std::uintptr_t userData);
using UnusedCallback = void(EXCALIBUR_STDCALL*)();

// Seven slots; only the second, the DDC1 stream, is ever filled.
struct StreamCallbacks {
    UnusedCallback ifStream;
    Ddc1StreamCallback ddc1Stream;
    UnusedCallback ddc1Playback;
    UnusedCallback ddc2Stream;
    UnusedCallback ddc2Preprocessed;
    UnusedCallback audioStream;
    UnusedCallback audioPlayback;
};
static_assert(sizeof(StreamCallbacks) == 7 * sizeof(void*));

#define G31DDC_DECLARE_POINTER_TYPE(name, result, params) using name##Fn = result(EXCALIBUR_STDCALL*) params;
G31DDC_ENTRY_POINTS(G31DDC_DECLARE_POINTER_TYPE)
#undef G31DDC_DECLARE_POINTER_TYPE

constexpr int kEntryPointCount = 0
#define G31DDC_COUNT(name, result, params) +1
    G31DDC_ENTRY_POINTS(G31DDC_COUNT)
#undef G31DDC_COUNT
    ;
static_assert(kEntryPointCount == 32);

// The names in binding order.
inline constexpr const char* kEntryPointNames[] = {
#define G31DDC_NAME(name, result, params) #name,
    G31DDC_ENTRY_POINTS(G31DDC_NAME)
#undef G31DDC_NAME
};

// The module-wide table of resolved entry points; all null while unbound.
struct ReceiverApi {
#define G31DDC_MEMBER(name, result, params) name##Fn name = nullptr;
    G31DDC_ENTRY_POINTS(G31DDC_MEMBER)
#undef G31DDC_MEMBER
};

}  // namespace g31ddc
