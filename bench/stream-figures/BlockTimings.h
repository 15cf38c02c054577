#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bench {

// One block's way through the plug-in, in nanoseconds of the simulator's
// clock: handed over by the driver, host callback entered, the host's copy
// begun and ended (the callback returns right after).
struct BlockTimes {
    std::int64_t handoff = 0;
    std::int64_t entered = 0;
    std::int64_t copyStart = 0;
    std::int64_t copyEnd = 0;
    std::int32_t values = 0;
};

// Written by the stream thread only, into storage made up front: Add never
// allocates. Blocks beyond the capacity are counted, not kept.
class BlockTimings {
public:
    explicit BlockTimings(std::size_t capacity) : blocks_(capacity) {}

    void Add(const BlockTimes& times) {
        if (kept_ < blocks_.size())
            blocks_[kept_++] = times;
        else
            ++dropped_;
    }

    const BlockTimes* begin() const { return blocks_.data(); }
    const BlockTimes* end() const { return blocks_.data() + kept_; }
    std::size_t Kept() const { return kept_; }
    std::size_t Dropped() const { return dropped_; }

private:
    std::vector<BlockTimes> blocks_;
    std::size_t kept_ = 0;
    std::size_t dropped_ = 0;
};

struct StreamFigures {
    std::size_t blocks = 0;
    // Blocks whose hand-off time was not fresh (0, older than the previous
    // block's, or later than the callback's entry); left out of every figure.
    std::size_t staleHandoffs = 0;
    std::uint64_t pairs = 0;
    double streamSeconds = 0.0;  // pairs / sample rate
    double conversionMicrosPerSecond = 0.0;
    double copyMicrosPerSecond = 0.0;
    double conversionMedianMicros = 0.0;
    double copyMedianMicros = 0.0;
    double latencyMedianMicros = 0.0;
    double latency99Micros = 0.0;
};

StreamFigures Summarise(const BlockTimings& timings, double sampleRate);

// Nearest rank: the smallest value with at least `fraction` of all at or below it.
double Percentile(std::vector<double> values, double fraction);

}  // namespace bench
