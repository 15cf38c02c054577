#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "host/Fft.h"
#include "host/Spectrum.h"

namespace host {
namespace {

struct Tone {
    double offsetHz;
    double amplitude;
};

std::vector<float> Tones(std::initializer_list<Tone> tones, double rate, std::size_t pairs) {
    std::vector<float> iq(2 * pairs);
    for (std::size_t n = 0; n < pairs; ++n) {
        double re = 0.0, im = 0.0;
        for (const Tone& tone : tones) {
            const double phase = 2.0 * std::numbers::pi * tone.offsetHz * static_cast<double>(n) / rate;
            re += tone.amplitude * std::cos(phase);
            im += tone.amplitude * std::sin(phase);
        }
        iq[2 * n] = static_cast<float>(re);
        iq[2 * n + 1] = static_cast<float>(im);
    }
    return iq;
}

TEST(Fft, AgreesWithADirectTransform) {
    const std::size_t n = 32;
    std::vector<std::complex<double>> data(n);
    for (std::size_t i = 0; i < n; ++i) data[i] = {std::sin(0.3 * i) + 0.1 * i, std::cos(1.7 * i)};
    std::vector<std::complex<double>> direct(n);
    for (std::size_t k = 0; k < n; ++k)
        for (std::size_t i = 0; i < n; ++i)
            direct[k] += data[i] * std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(k * i) / n);
    ForwardFft(data);
    for (std::size_t k = 0; k < n; ++k) {
        EXPECT_NEAR(data[k].real(), direct[k].real(), 1e-9) << k;
        EXPECT_NEAR(data[k].imag(), direct[k].imag(), 1e-9) << k;
    }
}

TEST(Spectrum, ToneOnABinIsFoundAtItsAbsoluteFrequencyAndFullScaleLevel) {
    const double rate = 96000.0, lo = 7050000.0;
    const auto iq = Tones({{12000.0, 1.0}}, rate, 32768);
    const Spectrum spectrum = ComputeSpectrum(iq.data(), 32768, rate, lo, 1.0);
    EXPECT_EQ(spectrum.fftSize, 16384u);
    EXPECT_EQ(spectrum.averages, 3u);
    const auto peaks = StrongestPeaks(spectrum, 5);
    ASSERT_FALSE(peaks.empty());
    EXPECT_NEAR(peaks[0].frequencyHz, 7062000.0, 0.01);
    EXPECT_NEAR(peaks[0].offsetHz, 12000.0, 0.01);
    EXPECT_NEAR(peaks[0].dbfs, 0.0, 0.05);
    EXPECT_LT(spectrum.noiseFloorDbfs, -100.0);
}

TEST(Spectrum, NegativeOffsetsLieBelowTheLoAndPeaksComeStrongestFirst) {
    const double rate = 200000.0, lo = 14000000.0;
    const auto iq = Tones({{-31250.0, 0.1}, {45312.5, 0.5}, {5000.0, 0.01}}, rate, 16384);
    const auto peaks = StrongestPeaks(ComputeSpectrum(iq.data(), 16384, rate, lo, 1.0), 3);
    ASSERT_EQ(peaks.size(), 3u);
    EXPECT_NEAR(peaks[0].frequencyHz, lo + 45312.5, 0.5);
    EXPECT_NEAR(peaks[0].dbfs, -6.02, 0.1);
    EXPECT_NEAR(peaks[1].frequencyHz, lo - 31250.0, 0.5);
    EXPECT_NEAR(peaks[1].dbfs, -20.0, 0.1);
    EXPECT_NEAR(peaks[2].frequencyHz, lo + 5000.0, 12.2 * 0.1);
    EXPECT_NEAR(peaks[2].dbfs, -40.0, 1.0);
}

TEST(Spectrum, ToneBetweenBinsIsPlacedWithinATenthOfABin) {
    const double rate = 96000.0;
    const double bin = rate / 16384.0;
    const auto iq = Tones({{1000.0 * bin + 0.37 * bin, 0.5}}, rate, 16384);
    const auto peaks = StrongestPeaks(ComputeSpectrum(iq.data(), 16384, rate, 0.0, 1.0), 1);
    ASSERT_EQ(peaks.size(), 1u);
    EXPECT_NEAR(peaks[0].frequencyHz, 1000.37 * bin, 0.1 * bin);
    EXPECT_NEAR(peaks[0].dbfs, -6.02, 1.0) << "scalloping of the window stays under 1 dB";
}

TEST(Spectrum, SidelobesOfAStrongToneAreNotReportedAsPeaks) {
    const double rate = 96000.0;
    const double bin = rate / 16384.0;
    // Half a bin off: the worst leakage.
    const auto iq = Tones({{512.5 * bin, 1.0}, {-20000.0, 0.0001}}, rate, 16384);
    const auto peaks = StrongestPeaks(ComputeSpectrum(iq.data(), 16384, rate, 0.0, 1.0), 2);
    ASSERT_EQ(peaks.size(), 2u);
    EXPECT_NEAR(peaks[1].frequencyHz, -20000.0, 0.2 * bin);
    EXPECT_NEAR(peaks[1].dbfs, -80.0, 1.0);
}

TEST(Spectrum, NoiseAloneHasNoPeaksAndAToneInItHasOne) {
    const double rate = 48000.0;
    const std::size_t pairs = 16384;
    auto iq = Tones({{6000.0, 0.01}}, rate, pairs);
    std::vector<float> noise(iq.size());
    std::uint32_t state = 99;
    for (float& value : noise) {
        state = state * 1664525u + 1013904223u;
        value = static_cast<float>((static_cast<double>(state >> 8) / 16777216.0 - 0.5) * 0.01);
    }
    const Spectrum noiseOnly = ComputeSpectrum(noise.data(), pairs, rate, 0.0, 1.0);
    EXPECT_TRUE(StrongestPeaks(noiseOnly, 5).empty());
    for (std::size_t i = 0; i < iq.size(); ++i) iq[i] += noise[i];
    const auto peaks = StrongestPeaks(ComputeSpectrum(iq.data(), pairs, rate, 0.0, 1.0), 5);
    ASSERT_EQ(peaks.size(), 1u);
    EXPECT_NEAR(peaks[0].frequencyHz, 6000.0, 1.0);
}

TEST(Spectrum, TooFewSamplesGiveNoSpectrum) {
    const auto iq = Tones({{1000.0, 1.0}}, 48000.0, 63);
    const Spectrum spectrum = ComputeSpectrum(iq.data(), 63, 48000.0, 0.0, 1.0);
    EXPECT_EQ(spectrum.fftSize, 0u);
    EXPECT_TRUE(StrongestPeaks(spectrum, 5).empty());
    EXPECT_EQ(ComputeSpectrum(nullptr, 1000, 48000.0, 0.0, 1.0).fftSize, 0u);
}

}  // namespace
}  // namespace host
