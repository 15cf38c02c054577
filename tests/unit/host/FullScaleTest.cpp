#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <thread>

#include "host/Decibels.h"
#include "host/SampleCapture.h"
#include "host/Spectrum.h"
#include "host/SpectrumPlot.h"
#include "host/Summary.h"

namespace host {
namespace {

constexpr double integerFullScale = 2147483648.0;  // 2^31
const double integerFullScaleDb = 20.0 * std::log10(integerFullScale);

int EXCALIBUR_STDCALL Rate96k() { return 96000; }

// A complex carrier as a plug-in hands over unscaled 32-bit receiver values.
std::vector<float> Carrier(double amplitude, double offsetHz, double rate, std::size_t pairs) {
    std::vector<float> iq(2 * pairs);
    for (std::size_t n = 0; n < pairs; ++n) {
        const double phase = 2.0 * std::numbers::pi * offsetHz * static_cast<double>(n) / rate;
        iq[2 * n] = static_cast<float>(amplitude * std::cos(phase));
        iq[2 * n + 1] = static_cast<float>(amplitude * std::sin(phase));
    }
    return iq;
}

std::string SummaryLine(const std::string& summary, const std::string& label) {
    const std::string text = "\n" + summary;
    const auto at = text.find("\n" + label + " ");
    if (at == std::string::npos) return {};
    return text.substr(at + 1, text.find('\n', at + 1) - at - 1);
}

TEST(FullScale, AHalfScaleIntegerCarrierReadsMinus6DbfsEverywhere) {
    // Amplitude 2^30: half of full scale, 20 log10(1/2) = -6.02 dBFS.
    const double rate = 96000.0;
    const std::size_t blockPairs = 2048, blocks = 16;
    auto iq = Carrier(integerFullScale / 2.0, 12000.0, rate, blockPairs * blocks);

    SampleCapture capture(&Rate96k);
    capture.Prepare(blockPairs * blocks, rate);
    capture.SetBlockPairs(static_cast<int>(blockPairs));
    capture.Arm();
    std::thread stream([&] {
        for (std::size_t b = 0; b < blocks; ++b)
            SampleCapture::HostCallback(static_cast<int>(2 * blockPairs), 0, 0.0f, iq.data() + 2 * blockPairs * b);
    });
    stream.join();
    EXPECT_NEAR(PowerToDbfs(capture.LastBlockMeanPower(), integerFullScale), -6.02, 0.01) << "the progress line";
    capture.Disarm();

    RunReport report;
    report.fullScale = integerFullScale;
    report.capture = capture.Result();
    EXPECT_NEAR(report.capture.level.Dbfs(integerFullScale), -6.02, 0.01);
    EXPECT_NEAR(report.capture.level.Dbfs(1.0) - report.capture.level.Dbfs(integerFullScale), integerFullScaleDb, 1e-6)
        << "the full scale moves every level by the same amount";

    report.spectrum =
        ComputeSpectrum(report.capture.stored, report.capture.storedPairs, rate, 7050000.0, integerFullScale);
    report.peaks = StrongestPeaks(report.spectrum, 3);
    ASSERT_FALSE(report.peaks.empty());
    EXPECT_NEAR(report.peaks[0].frequencyHz, 7062000.0, 0.01);
    EXPECT_NEAR(report.peaks[0].dbfs, -6.02, 0.05);
    EXPECT_DOUBLE_EQ(report.spectrum.fullScale, integerFullScale);
    EXPECT_LT(report.spectrum.noiseFloorDbfs, -100.0);
    const LevelRange range = PlotLevelRange(report.peaks[0].dbfs, report.spectrum.noiseFloorDbfs);
    EXPECT_EQ(range.topDb, 0.0);

    const std::string summary = FormatSummary(report);
    EXPECT_EQ(SummaryLine(summary, "full scale"), "full scale      : 2147483648 (the sample value that reads 0 dBFS)");
    EXPECT_NE(SummaryLine(summary, "level").find("-6.02 dBFS RMS, peak sample 0.5000 of full scale"), std::string::npos)
        << summary;
    EXPECT_NE(SummaryLine(summary, "peak 1").find("7062000.0 Hz (LO +12000.0 Hz) -6.0 dBFS"), std::string::npos)
        << summary;
}

TEST(FullScale, LevelsStayFiniteForAnyFullScale) {
    EXPECT_DOUBLE_EQ(PowerToDbfs(0.25, 1.0), 10.0 * std::log10(0.25));
    EXPECT_NEAR(PowerToDbfs(1.0, 1e-3), 60.0, 1e-9);
    EXPECT_EQ(PowerToDbfs(0.0, integerFullScale), silenceDbfs);
    EXPECT_EQ(PowerToDbfs(1.0, 1e300), silenceDbfs) << "below the floor every report uses";
    EXPECT_NEAR(PowerToDbfs(1e300, 1e160), -200.0, 1e-9) << "the full scale's square is beyond a double";
    LevelAccumulator nothing;
    EXPECT_EQ(nothing.Dbfs(integerFullScale), silenceDbfs);
}

}  // namespace
}  // namespace host
