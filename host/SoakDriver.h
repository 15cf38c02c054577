#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "host/SoakSchedule.h"
#include "platform/CallingConvention.h"

namespace host {

// The plug-in's setting exports that a soak calls.
struct SoakExports {
    using Setter = void(EXCALIBUR_STDCALL*)(int);
    Setter setSamples = nullptr;
    Setter setLevelOffset = nullptr;
    Setter setAtt = nullptr;
    Setter setDither = nullptr;
    Setter setNb = nullptr;
};

// One SetSamples call: when it began and returned, in seconds since the soak's origin.
struct ModeSelection {
    double calledAt;
    double returnedAt;
    int mode;
};

inline constexpr int soakCallKinds = 5;  // one per SoakCall

// Runs a SoakSchedule on a thread of its own until asked to stop. The
// plug-in's panel belongs to the thread that starts the driver, and on
// Windows the plug-in's calls from this thread wait for that thread to
// handle their messages: so the owner never blocks on the driver. It asks
// it to stop, keeps pumping until Finished (the driver calls the wake
// function when it gets there), and only then joins.
class SoakDriver {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    SoakDriver(const SoakExports& exports, const SoakSchedule& schedule, TimePoint origin,
               std::function<void()> wakeOwner);
    ~SoakDriver();
    SoakDriver(const SoakDriver&) = delete;
    SoakDriver& operator=(const SoakDriver&) = delete;

    void Start();
    // Returns at once; a call in progress still completes.
    void RequestStop();
    bool Finished() const { return finished_.load(); }
    // Only once Finished.
    void Join();

    // After Join.
    const std::vector<ModeSelection>& Selections() const { return selections_; }
    int CallsOf(SoakCall call) const { return calls_[static_cast<std::size_t>(call)]; }

private:
    void Run();
    void Perform(const SoakStep& step);
    double SecondsSinceOrigin() const;

    SoakExports exports_;
    SoakSchedule schedule_;
    TimePoint origin_;
    std::function<void()> wakeOwner_;
    std::mutex mutex_;
    std::condition_variable stopSignal_;
    bool stopRequested_ = false;
    std::atomic<bool> finished_{false};
    std::thread thread_;

    // The driver thread's own until Join.
    std::vector<ModeSelection> selections_;
    std::array<int, soakCallKinds> calls_{};
};

}  // namespace host
