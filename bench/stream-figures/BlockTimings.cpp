#include "bench/stream-figures/BlockTimings.h"

#include <algorithm>
#include <cmath>

namespace bench {

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0.0;
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size())));
    const std::size_t index = std::clamp<std::size_t>(rank, 1, values.size()) - 1;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(index), values.end());
    return values[index];
}

StreamFigures Summarise(const BlockTimings& timings, double sampleRate) {
    StreamFigures figures;
    std::vector<double> conversion;
    std::vector<double> copy;
    std::vector<double> latency;
    double conversionTotal = 0.0;
    double copyTotal = 0.0;
    std::int64_t previousHandoff = 0;
    for (const BlockTimes& block : timings) {
        const bool fresh = block.handoff > previousHandoff && block.handoff <= block.entered;
        previousHandoff = std::max(previousHandoff, block.handoff);
        if (!fresh) {
            ++figures.staleHandoffs;
            continue;
        }
        const double micros[] = {(block.entered - block.handoff) / 1000.0, (block.copyEnd - block.copyStart) / 1000.0,
                                 (block.copyEnd - block.handoff) / 1000.0};
        conversion.push_back(micros[0]);
        copy.push_back(micros[1]);
        latency.push_back(micros[2]);
        conversionTotal += micros[0];
        copyTotal += micros[1];
        figures.pairs += static_cast<std::uint64_t>(block.values / 2);
    }
    figures.blocks = latency.size();
    figures.streamSeconds = sampleRate > 0.0 ? static_cast<double>(figures.pairs) / sampleRate : 0.0;
    if (figures.streamSeconds > 0.0) {
        figures.conversionMicrosPerSecond = conversionTotal / figures.streamSeconds;
        figures.copyMicrosPerSecond = copyTotal / figures.streamSeconds;
    }
    figures.conversionMedianMicros = Percentile(conversion, 0.5);
    figures.copyMedianMicros = Percentile(copy, 0.5);
    figures.latencyMedianMicros = Percentile(latency, 0.5);
    figures.latency99Micros = Percentile(latency, 0.99);
    return figures;
}

}  // namespace bench
