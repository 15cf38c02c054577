#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/DynamicLibrary.h"
#include "receiver/HostCallback.h"
#include "receiver/ReceiverApi.h"
#include "receiver/ReceiverDriver.h"

namespace excalibur {

// Module-wide tuning and stream values. Operations write them one at a
// time; those that an export may report on any thread are atomic, so that
// reading them waits for nothing.
extern std::atomic<std::int32_t> loFrequency;
extern std::atomic<std::uint32_t> sampleRate;
extern std::atomic<std::uint32_t> samplesPerBufferLog2;
extern std::uint32_t ddc1TypeIndex;

inline constexpr std::int32_t kStartUpFrequency = 7050000;

// The stream's rate, block size and DDC1 type as at load: the start-up
// sample mode's, until a mode is selected; no bandwidth known.
void ResetStreamSettings();

// The resolved driver entry points; all null while unbound.
extern g31ddc::ReceiverApi receiverApi;

inline constexpr const char* kDriverLibraryName = "G31DDCAPI.dll";
inline constexpr std::size_t kSampleBufferFloats = 8192;

// One WR-G31DDC receiver driven through the driver library. While no receiver
// is open (deviceHandle < 0) nothing reaches the driver; Tune still keeps the
// frequency, Stop still ends the streaming state and ApplyLevelOffset still
// sets the gain.
class ReceiverDevice {
public:
    ReceiverDevice();
    virtual ~ReceiverDevice();
    ReceiverDevice(const ReceiverDevice&) = delete;
    ReceiverDevice& operator=(const ReceiverDevice&) = delete;

    int Open();
    int Close();
    int Start();
    void Stop();
    int SelectSampleMode(int mode);
    void Tune(std::int32_t frequency);
    // What Tune makes of a requested frequency: the receiver's range.
    static std::int32_t TunedFrequency(std::int32_t frequency);
    void PowerUp();
    void ApplyAttenuator(std::uint32_t on);
    void ApplyDithering(std::uint32_t on);
    void ApplyNoiseBlanker(std::uint32_t on);
    // The host scales the samples itself when it gave a window in hostWindow.
    void ApplyLevelOffset(std::int16_t decibels, std::uint32_t hostWindow);
    void ApplyLevelOffset(std::int16_t decibels);
    // Once per load, while the stream is stopped: every mode's band as the
    // driver reports it (Ddc1Bandwidths), the DDC1 type set last set again.
    void LearnDdc1Bandwidths();
    // A status call, made once the host can read what it announces.
    static void TellHost(int status);

    static void EXCALIBUR_STDCALL Ddc1StreamHandler(const std::int32_t* block, std::uint32_t pairs,
                                                    std::uint32_t ignored, std::uintptr_t userData);

    int Bind();
    int Unbind();
    void ResetBinding();

    std::int32_t DeviceHandle() const { return deviceHandle; }
    bool IsStreaming() const { return streaming != 0; }
    float Gain() const { return gain.load(std::memory_order_relaxed); }
    const float* SampleBuffer() const { return sampleBuffer.get(); }

protected:
    void StopDriverStream();

    struct AlignedFree {
        void operator()(float* buffer) const;
    };

    platform::LibraryHandle libraryModule = nullptr;
    g31ddc::Ddc1Info ddc1Info{};
    std::uint32_t ddc1Type = 0;
    // What the driver was last told by SetDDC1, which learning the bands restores.
    std::uint32_t ddc1TypeSet = 0;
    bool ddc1BandwidthsLearned = false;
    g31ddc::StreamCallbacks callbacks{};
    std::int32_t streaming = 0;
    // The wish for a stream, kept apart from the driver's state: Start sets
    // it, Stop clears it, a selection's stop and restart leave it. The
    // restart goes by it as it stands after the status call, in which the
    // host may have stopped the stream.
    bool streamWanted = false;
    std::int32_t deviceHandle = -1;
    std::unique_ptr<float[], AlignedFree> sampleBuffer;
    // Read by the stream thread for every block while the panel may change it.
    std::atomic<float> gain{1.0f};
};

}  // namespace excalibur
