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

// The spectrum in dBFS over absolute frequency, with the peaks marked.
RgbImage DrawSpectrumPlot(const Spectrum& spectrum, const std::vector<SpectralPeak>& peaks, int width = 1000,
                          int height = 500);

}  // namespace host
