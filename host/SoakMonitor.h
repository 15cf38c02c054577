#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/CallingConvention.h"

namespace host {

// A wait between two blocks of more than the stall threshold, in seconds
// since the soak's origin: from the block before to the block that ended it
// (or to the end of the stream).
struct SoakStall {
    double from;
    double to;
};

// A status 100 call and the rate GetHWSR gave inside it.
struct RateNotice {
    double at;
    int rate;
};

// How many data calls carried one count of values.
struct CountTally {
    int count = 0;
    std::uint64_t calls = 0;
};

struct SoakObservations {
    std::uint64_t blocks = 0;
    std::vector<CountTally> counts;  // in the order first seen
    std::uint64_t callsOfUntalliedCounts = 0;
    std::vector<SoakStall> stalls;
    std::uint64_t stallsNotKept = 0;  // beyond the room kept for them
    double longestWait = 0.0;
    std::vector<RateNotice> notices;
    std::uint64_t blocksAfterStop = 0;
};

// Watches every callback of a soak, then hands it on to SampleCapture. Data
// calls come on the plug-in's stream thread: plain arithmetic into room
// reserved beforehand, no lock, no allocation. Status calls come on the
// thread that made the selection.
class SoakMonitor {
public:
    using RateQuery = int(EXCALIBUR_STDCALL*)();
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t stallRoom = 4096;
    static constexpr std::size_t talliedCounts = 4;
    static constexpr int sampleRateChanged = 100;

    explicit SoakMonitor(RateQuery rateQuery);
    ~SoakMonitor();
    SoakMonitor(const SoakMonitor&) = delete;
    SoakMonitor& operator=(const SoakMonitor&) = delete;

    // The function to register with SetCallback in place of SampleCapture's.
    static int HostCallback(int count, int status, float iqOffset, void* data);

    // Before StartHW: the time all others count from, and the rate in force.
    void Arm(Clock::time_point origin, int rate);
    void OnData(double seconds, int count);
    void OnRateNotice(double seconds, int rate);
    // Once StopHW has returned: any data call from now on is counted against
    // the plug-in. Waits for a call still inside, so that what the stream
    // thread wrote can be read from here on.
    void MarkStopped();
    // After MarkStopped: the wait from the last block to the time StopHW was
    // called is judged like any other.
    void CloseStream(double stopCalledAt);

    SoakObservations Observations() const;
    double SecondsSinceOrigin() const;

private:
    void JudgeWaitUntil(double seconds);
    void Tally(int count);

    RateQuery rateQuery_;
    Clock::time_point origin_{};
    std::atomic<bool> armed_{false};
    std::atomic<bool> stopped_{false};
    std::atomic<double> rateInForce_{0.0};
    std::atomic<std::uint64_t> blocksAfterStop_{0};

    // Written by the stream thread only.
    std::uint64_t blocks_ = 0;
    std::array<CountTally, talliedCounts> counts_{};
    std::size_t countsUsed_ = 0;
    std::uint64_t callsOfUntalliedCounts_ = 0;
    double lastArrival_ = 0.0;
    double lastPeriod_ = 0.0;
    double longestWait_ = 0.0;
    std::vector<SoakStall> stalls_;  // stallRoom of them, allocated up front
    std::size_t stallCount_ = 0;
    std::uint64_t stallsNotKept_ = 0;

    mutable std::mutex noticesMutex_;
    std::vector<RateNotice> notices_;
};

}  // namespace host
