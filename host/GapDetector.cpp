#include "host/GapDetector.h"

#include <algorithm>

namespace host {

void GapDetector::Reset(double nominalRate) {
    *this = GapDetector{};
    nominalRate_ = nominalRate;
}

void GapDetector::OnBlock(double arrivalSeconds, std::uint32_t pairs) {
    if (report_.blocks == 0) {
        firstArrival_ = arrivalSeconds;
        firstPairs_ = pairs;
    } else if (nominalRate_ > 0.0) {
        // A block is due one period of the block before it after that one.
        const double wait = arrivalSeconds - lastArrival_;
        const double period = static_cast<double>(lastPairs_) / nominalRate_;
        report_.longestWaitSeconds = std::max(report_.longestWaitSeconds, wait);
        if (wait > stallFactor * period) ++report_.stalls;
    }
    lastArrival_ = arrivalSeconds;
    lastPairs_ = pairs;
    largestBlock_ = std::max<std::uint64_t>(largestBlock_, pairs);
    ++report_.blocks;
    report_.pairs += pairs;
}

GapReport GapDetector::Report() const {
    GapReport report = report_;
    report.spanSeconds = lastArrival_ - firstArrival_;
    if (report.blocks < 2 || report.spanSeconds <= 0.0) return report;
    // The first block's pairs were gathered before the span began.
    const double pairsInSpan = static_cast<double>(report.pairs - firstPairs_);
    report.measuredRate = pairsInSpan / report.spanSeconds;
    if (nominalRate_ > 0.0) {
        const double owed = nominalRate_ * report.spanSeconds;
        report.missingPairs = static_cast<std::int64_t>(owed - pairsInSpan + (owed >= pairsInSpan ? 0.5 : -0.5));
        report.shortfall = static_cast<double>(report.missingPairs) > 1.5 * static_cast<double>(largestBlock_);
    }
    return report;
}

}  // namespace host
