#include "host/Spectrum.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "host/Decibels.h"
#include "host/Fft.h"

namespace host {
namespace {

// Four-term Blackman-Harris: sidelobes 92 dB down, so a strong carrier's
// leakage is never taken for a weaker signal's peak.
std::vector<double> BlackmanHarrisWindow(std::size_t size) {
    std::vector<double> window(size);
    for (std::size_t i = 0; i < size; ++i) {
        const double x = 2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(size);
        window[i] = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2.0 * x) - 0.01168 * std::cos(3.0 * x);
    }
    return window;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

}  // namespace

double Spectrum::FrequencyOfBin(double bin) const {
    return loFrequencyHz + (bin - static_cast<double>(fftSize / 2)) * BinWidthHz();
}

Spectrum ComputeSpectrum(const float* iq, std::size_t pairs, double sampleRate, double loFrequencyHz, double fullScale,
                         std::size_t maxFftSize, std::size_t maxAverages) {
    Spectrum spectrum;
    spectrum.sampleRate = sampleRate;
    spectrum.loFrequencyHz = loFrequencyHz;
    spectrum.fullScale = fullScale;
    constexpr std::size_t smallest = 64;
    if (iq == nullptr || pairs < smallest || sampleRate <= 0.0) return spectrum;

    std::size_t size = smallest;
    while (size * 2 <= pairs && size * 2 <= maxFftSize) size *= 2;
    const std::size_t hop = size / 2;
    const std::size_t available = 1 + (pairs - size) / hop;
    const std::size_t segments = std::clamp<std::size_t>(available, 1, std::max<std::size_t>(maxAverages, 1));

    const std::vector<double> window = BlackmanHarrisWindow(size);
    double windowSum = 0.0;
    for (double w : window) windowSum += w;

    std::vector<double> power(size, 0.0);
    std::vector<std::complex<double>> buffer(size);
    for (std::size_t segment = 0; segment < segments; ++segment) {
        // Spread the segments over all pairs when there are more than we average.
        const std::size_t start = segments == 1 ? 0 : segment * (pairs - size) / (segments - 1);
        const float* block = iq + start * 2;
        for (std::size_t i = 0; i < size; ++i) buffer[i] = {window[i] * block[2 * i], window[i] * block[2 * i + 1]};
        ForwardFft(buffer);
        for (std::size_t k = 0; k < size; ++k) power[k] += std::norm(buffer[k]);
    }

    const double scale = 1.0 / (windowSum * windowSum * static_cast<double>(segments));
    spectrum.fftSize = size;
    spectrum.averages = segments;
    spectrum.dbfs.resize(size);
    for (std::size_t k = 0; k < size; ++k) {
        const std::size_t ordered = (k + size / 2) % size;
        spectrum.dbfs[ordered] = PowerToDbfs(power[k] * scale, fullScale);
    }
    spectrum.noiseFloorDbfs = Median(spectrum.dbfs);
    return spectrum;
}

std::vector<SpectralPeak> StrongestPeaks(const Spectrum& spectrum, std::size_t count, std::size_t minSeparationBins) {
    const std::vector<double>& d = spectrum.dbfs;
    const double averages = static_cast<double>(std::max<std::size_t>(spectrum.averages, 1));
    const double threshold = spectrum.noiseFloorDbfs + 6.0 + 10.0 / std::sqrt(averages);
    std::vector<std::size_t> candidates;
    for (std::size_t i = 1; i + 1 < d.size(); ++i)
        if (d[i] > d[i - 1] && d[i] >= d[i + 1] && d[i] >= threshold) candidates.push_back(i);
    std::sort(candidates.begin(), candidates.end(), [&](std::size_t a, std::size_t b) { return d[a] > d[b]; });

    std::vector<std::size_t> chosen;
    for (std::size_t candidate : candidates) {
        if (chosen.size() == count) break;
        const bool tooClose = std::any_of(chosen.begin(), chosen.end(), [&](std::size_t other) {
            return (candidate > other ? candidate - other : other - candidate) < minSeparationBins;
        });
        if (!tooClose) chosen.push_back(candidate);
    }

    std::vector<SpectralPeak> peaks;
    for (std::size_t i : chosen) {
        // A parabola through the top three bins in dB finds the peak between bins.
        const double left = d[i - 1], middle = d[i], right = d[i + 1];
        const double curvature = left - 2.0 * middle + right;
        const double shift = curvature < 0.0 ? 0.5 * (left - right) / curvature : 0.0;
        const double bin = static_cast<double>(i) + shift;
        const double frequency = spectrum.FrequencyOfBin(bin);
        peaks.push_back({frequency, frequency - spectrum.loFrequencyHz, middle - 0.25 * (left - right) * shift});
    }
    return peaks;
}

}  // namespace host
