#pragma once

#include <cstddef>
#include <vector>

namespace host {

struct SpectralPeak {
    double frequencyHz;  // absolute: LO plus the offset in the baseband
    double offsetHz;
    double dbfs;  // a complex carrier of the full-scale amplitude reads 0
};

struct Spectrum {
    std::size_t fftSize = 0;
    std::size_t averages = 0;
    double sampleRate = 0.0;
    double loFrequencyHz = 0.0;
    double fullScale = 1.0;  // the sample value that reads 0 dBFS
    // Bin powers in dBFS, ordered from -rate/2 to +rate/2 around the LO.
    std::vector<double> dbfs;
    double noiseFloorDbfs = 0.0;  // median bin

    double BinWidthHz() const { return fftSize ? sampleRate / static_cast<double>(fftSize) : 0.0; }
    double FrequencyOfBin(double bin) const;
};

// Averaged Blackman-Harris-windowed periodogram of interleaved I/Q (Welch, half overlap).
// Empty when fewer than 64 pairs are given.
Spectrum ComputeSpectrum(const float* iq, std::size_t pairs, double sampleRate, double loFrequencyHz, double fullScale,
                         std::size_t maxFftSize = 16384, std::size_t maxAverages = 64);

// The strongest local maxima, at least minSeparationBins apart, strongest
// first, their frequencies refined between bins. A peak must stand clear of
// the noise floor by more than noise alone reaches: the fewer averages, the
// further (16 dB for one, about 8 dB for twenty).
std::vector<SpectralPeak> StrongestPeaks(const Spectrum& spectrum, std::size_t count,
                                         std::size_t minSeparationBins = 8);

}  // namespace host
