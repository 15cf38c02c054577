#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <type_traits>
#include <vector>

#include "receiver/ReceiverApi.h"
#include "simulator/Ddc1Stream.h"
#include "simulator/FrontEnd.h"
#include "simulator/Scene.h"
#include "simulator/StreamThread.h"

namespace simulator {

// The one simulated WR-G31DDC. Each member named after an entry point is that
// entry point's behaviour; entry points without one are Acknowledge. Results
// are 1 for success and 0 for failure, OpenDevice's a handle or -1.
class SimulatedReceiver final : private StreamBody {
public:
    static constexpr std::int32_t kAnyReceiver = -1;
    static constexpr std::int32_t kHandle = 0;
    static constexpr std::uint32_t kHighestFrequency = 50000000;
    static constexpr std::uint32_t kMostAttenuationDb = 21;

    SimulatedReceiver() = default;
    ~SimulatedReceiver();

    std::int32_t OpenDevice(std::int32_t serial);
    std::int32_t CloseDevice(std::int32_t handle);
    std::int32_t SetPower(std::int32_t handle, std::int32_t power);
    std::int32_t GetPower(std::int32_t handle, std::uint32_t* power);
    std::int32_t SetLED(std::int32_t handle, std::int32_t mode);
    std::int32_t SetDDC1(std::int32_t handle, std::uint32_t typeIndex);
    std::int32_t GetDDC1(std::int32_t handle, std::uint32_t* typeIndex, g31ddc::Ddc1Info* info);
    std::int32_t SetCallbacks(std::int32_t handle, const g31ddc::StreamCallbacks* callbacks, std::uintptr_t userData);
    std::int32_t StartDDC1(std::int32_t handle, std::uint32_t pairsPerBlock);
    std::int32_t StopDDC1(std::int32_t handle);
    std::int32_t SetFrequency(std::int32_t handle, std::uint32_t channel, std::uint32_t hertz);
    std::int32_t GetFrequency(std::int32_t handle, std::uint32_t channel, std::uint32_t* hertz);
    std::int32_t SetDDC1Frequency(std::int32_t handle, std::uint32_t hertz);
    std::int32_t GetDDC1Frequency(std::int32_t handle, std::uint32_t* hertz);
    std::int32_t SetAttenuator(std::int32_t handle, std::uint32_t decibels);
    std::int32_t SetDithering(std::int32_t handle, std::int32_t enabled);
    std::int32_t SetADCNoiseBlanker(std::int32_t handle, std::int32_t enabled);
    std::int32_t SetMWFilter(std::int32_t handle, std::int32_t enabled);

    // An entry point the plug-in binds but never calls: success on the open
    // receiver, every value it reports zero.
    template <typename... Rest>
    std::int32_t Acknowledge(std::int32_t handle, Rest... rest) {
        if (!IsOpen(handle)) return 0;
        (ClearOutput(rest), ...);
        return 1;
    }

private:
    template <typename T>
    static void ClearOutput(T value) {
        if constexpr (std::is_pointer_v<T> && !std::is_const_v<std::remove_pointer_t<T>>) {
            if (value) *value = {};
        }
    }

    bool IsOpen(std::int32_t handle) const { return handle == kHandle && open_.load(); }
    std::unique_lock<std::mutex> Lock();
    bool Streaming() const;
    void StopStream();
    void Run(StopSignal& stop) override;

    std::mutex mutex_;
    std::atomic<bool> open_{false};
    FrontEndControls controls_;
    std::atomic<std::int32_t> led_{0};

    // Guarded by mutex_.
    std::uint32_t ddc1Type_ = 0;
    g31ddc::Ddc1StreamCallback handler_ = nullptr;
    std::uintptr_t userData_ = 0;
    StreamThread thread_;

    // Set up by StartDDC1; the stream thread's own while it runs.
    Ddc1StreamSetup setup_;
    Scene scene_;
    std::vector<std::int32_t> block_;
};

}  // namespace simulator
