#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "host/GapDetector.h"
#include "platform/CallingConvention.h"

namespace host {

struct LevelAccumulator {
    double sumOfSquares = 0.0;
    std::uint64_t pairs = 0;

    // Mean power of the I/Q pairs against a carrier of the full-scale amplitude.
    double Dbfs(double fullScale) const;
};

struct CaptureResult {
    std::uint64_t blocks = 0;
    std::uint64_t values = 0;
    std::uint64_t oversizedBlocks = 0;  // claimed more values than StartHW's block holds
    std::uint64_t emptyDataCalls = 0;   // status 0 with no values or no data
    double nominalRate = 0.0;
    int rateChanges = 0;
    GapReport gaps;  // since the last rate change
    LevelAccumulator level;
    std::array<LevelAccumulator, 3> phaseLevels;
    float peakMagnitude = 0.0f;     // largest |I| or |Q|
    const float* stored = nullptr;  // interleaved I/Q at storedRate, the first pairs since the last rate change
    std::size_t storedPairs = 0;
    double storedRate = 0.0;
    std::vector<std::pair<int, std::uint32_t>> statusCalls;  // status other than data, and how often
    std::uint32_t attenuatorReads = 0;                       // GetActualAttIdx calls made on status 125
    int attenuatorIndexRead = -1;                            // what the last of them returned
};

// Receives the plug-in's callbacks. Data calls come on the plug-in's stream
// thread: they copy into storage allocated beforehand and update plain
// counters that only that thread writes, with no lock and no allocation.
class SampleCapture {
public:
    using RateQuery = int(EXCALIBUR_STDCALL*)();
    using AttenuatorQuery = int(EXCALIBUR_STDCALL*)();
    static constexpr int phaseCount = 3;
    static constexpr int sampleRateChanged = 100;
    static constexpr int attenuatorChanged = 125;

    // attenuatorQuery (GetActualAttIdx) may be null: status 125 is then only counted.
    explicit SampleCapture(RateQuery rateQuery, AttenuatorQuery attenuatorQuery = nullptr);
    ~SampleCapture();
    SampleCapture(const SampleCapture&) = delete;
    SampleCapture& operator=(const SampleCapture&) = delete;

    // The function to register with SetCallback; it feeds the capture alive now.
    static int HostCallback(int count, int status, float iqOffset, void* data);

    // Before StartHW: storage for the first pairs, and the rate they come at.
    void Prepare(std::size_t storagePairs, double nominalRate);
    // StartHW's block size in I/Q pairs; longer blocks are cut to it.
    void SetBlockPairs(int pairs);
    void Arm();
    // Stops taking data and waits until no callback is inside the capture.
    void Disarm();
    // Which third of an attenuator toggle later blocks belong to.
    void SetPhase(int phase);

    // Readable while the stream runs.
    std::uint64_t BlocksSoFar() const { return blocksSoFar_.load(std::memory_order_relaxed); }
    std::uint64_t ValuesSoFar() const { return valuesSoFar_.load(std::memory_order_relaxed); }
    float LastBlockMeanPower() const { return lastBlockPower_.load(std::memory_order_relaxed); }
    double NominalRate() const { return nominalRate_.load(std::memory_order_relaxed); }

    // After Disarm.
    CaptureResult Result() const;

private:
    void OnStatus(int status);
    void OnData(const float* data, int count);
    double SecondsSinceArm() const;

    RateQuery rateQuery_;
    AttenuatorQuery attenuatorQuery_;
    std::atomic<std::uint32_t> attenuatorReads_{0};
    std::atomic<int> attenuatorIndexRead_{-1};
    std::atomic<bool> accepting_{false};
    std::atomic<double> nominalRate_{0.0};
    std::atomic<bool> restartPending_{false};
    std::atomic<int> rateChanges_{0};
    std::atomic<int> maxValuesPerBlock_{0};
    std::atomic<int> phase_{0};
    std::atomic<std::uint64_t> blocksSoFar_{0};
    std::atomic<std::uint64_t> valuesSoFar_{0};
    std::atomic<float> lastBlockPower_{0.0f};
    std::array<std::atomic<std::uint32_t>, 256> statusCounts_{};
    std::atomic<std::uint32_t> otherStatusCount_{0};
    std::chrono::steady_clock::time_point armedAt_{};

    // Written by the stream thread only.
    std::vector<float> storage_;
    std::size_t storedPairs_ = 0;
    double storedRate_ = 0.0;
    GapDetector gaps_;
    std::uint64_t blocks_ = 0;
    std::uint64_t values_ = 0;
    std::uint64_t oversized_ = 0;
    std::uint64_t emptyDataCalls_ = 0;
    std::array<LevelAccumulator, phaseCount> phaseLevels_{};
    int lastPhase_ = 0;
    float peakMagnitude_ = 0.0f;
};

}  // namespace host
