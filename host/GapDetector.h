#pragma once

#include <cstdint>

namespace host {

struct GapReport {
    std::uint64_t blocks = 0;
    std::uint64_t pairs = 0;
    double spanSeconds = 0.0;   // first block's arrival to the last one's
    double measuredRate = 0.0;  // pairs per second over that span; 0 below two blocks
    std::uint64_t stalls = 0;   // waits between blocks of more than stallFactor block periods
    double longestWaitSeconds = 0.0;
    std::int64_t missingPairs = 0;  // what the nominal rate owed over the span and did not arrive
    bool shortfall = false;         // missingPairs worth more than a block and a half
};

// Judges block arrivals against the nominal rate. Fed on the stream thread,
// so it only does arithmetic.
class GapDetector {
public:
    static constexpr double stallFactor = 3.0;

    void Reset(double nominalRate);
    void OnBlock(double arrivalSeconds, std::uint32_t pairs);
    GapReport Report() const;

private:
    double nominalRate_ = 0.0;
    double firstArrival_ = 0.0;
    double lastArrival_ = 0.0;
    std::uint32_t firstPairs_ = 0;
    std::uint32_t lastPairs_ = 0;
    std::uint64_t largestBlock_ = 0;
    GapReport report_;
};

}  // namespace host
