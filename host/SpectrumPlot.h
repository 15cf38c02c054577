#pragma once

#include <string>
#include <vector>

#include "host/RgbImage.h"
#include "host/Spectrum.h"

namespace host {

struct AxisTick {
    double value;
    std::string label;
};

// Ticks at a round step (1, 2 or 5 times a power of ten) inside [low, high],
// no more than about maxTicks of them, labelled in MHz with as many decimals
// as the step needs.
std::vector<AxisTick> FrequencyTicks(double lowHz, double highHz, int maxTicks);

struct LevelRange {
    double bottomDb;
    double topDb;
};

// The level axis follows the data, whatever the full scale: the top is the
// strongest bin rounded up to 10 dB with room for its peak mark; the span is
// 100 dB, or reaches 10 dB below the noise floor when that lies deeper, but
// never more than 200 dB.
LevelRange PlotLevelRange(double strongestDb, double noiseFloorDb);

// The spectrum in dBFS over absolute frequency, with the peaks marked.
RgbImage DrawSpectrumPlot(const Spectrum& spectrum, const std::vector<SpectralPeak>& peaks, int width = 1000,
                          int height = 500);

}  // namespace host
