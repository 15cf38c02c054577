#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "host/SpectrumPlot.h"

namespace host {
namespace {

TEST(FrequencyTicks, UseARoundStepAndEnoughDecimals) {
    // 96 kHz / 8 is 12 kHz, which rounds up to 20 kHz.
    const auto ticks = FrequencyTicks(7002000.0, 7098000.0, 8);
    ASSERT_EQ(ticks.size(), 4u);
    EXPECT_DOUBLE_EQ(ticks.front().value, 7020000.0);
    EXPECT_EQ(ticks.front().label, "7.02");
    EXPECT_DOUBLE_EQ(ticks.back().value, 7080000.0);
    EXPECT_EQ(ticks.back().label, "7.08");

    const auto exact = FrequencyTicks(0.0, 100000.0, 10);
    ASSERT_EQ(exact.size(), 11u) << "both ends are ticks when they fall on the step";
    EXPECT_EQ(exact.front().label, "0.00");
    EXPECT_EQ(exact.back().label, "0.10");

    const auto wide = FrequencyTicks(13500000.0, 14500000.0, 8);
    ASSERT_FALSE(wide.empty());
    EXPECT_EQ(wide.front().label, "13.6");
    EXPECT_DOUBLE_EQ(wide[1].value - wide[0].value, 200000.0) << "1 MHz / 8 rounds up to 0.2 MHz";

    const auto low = FrequencyTicks(-25000.0, 25000.0, 8);
    ASSERT_FALSE(low.empty());
    EXPECT_EQ(low.front().label, "-0.02");
    EXPECT_TRUE(FrequencyTicks(5.0, 5.0, 8).empty());
}

int TopmostRowOfColour(const RgbImage& image, int x, Rgb colour) {
    for (int y = 0; y < image.Height(); ++y)
        if (image.At(x, y) == colour) return y;
    return image.Height();
}

TEST(SpectrumPlot, TraceRisesHighestAtTheCarrier) {
    Spectrum spectrum;
    spectrum.fftSize = 4096;
    spectrum.sampleRate = 96000.0;
    spectrum.loFrequencyHz = 7050000.0;
    spectrum.dbfs.assign(4096, -120.0);
    spectrum.noiseFloorDbfs = -120.0;
    const std::size_t carrierBin = 2048 + 512;  // +12 kHz
    for (int d = -3; d <= 3; ++d) spectrum.dbfs[carrierBin + d] = -6.0 - 10.0 * std::abs(d);
    const std::vector<SpectralPeak> peaks = {{7062000.0, 12000.0, -6.0}};
    const RgbImage image = DrawSpectrumPlot(spectrum, peaks, 1000, 500);
    ASSERT_EQ(image.Width(), 1000);
    ASSERT_EQ(image.Height(), 500);

    const Rgb trace{96, 200, 255};
    int bestX = -1, bestY = image.Height();
    for (int x = 0; x < image.Width(); ++x) {
        const int y = TopmostRowOfColour(image, x, trace);
        if (y < bestY) {
            bestY = y;
            bestX = x;
        }
    }
    // Plot area runs from x 64 to 984 over 7.002 .. 7.098 MHz.
    const int expectedX = 64 + static_cast<int>(std::lround((7062000.0 - 7002000.0) / 96000.0 * 919));
    EXPECT_NEAR(bestX, expectedX, 2);
    const int floorY = TopmostRowOfColour(image, 100, trace);
    EXPECT_GT(floorY - bestY, 200) << "114 dB above the floor is most of the height";

    const Rgb marker{255, 190, 60};
    EXPECT_LT(TopmostRowOfColour(image, expectedX, marker), bestY);
}

struct RangeCase {
    double strongest, noiseFloor;
    LevelRange expected;
};

TEST(PlotLevelRange, TopFollowsTheStrongestBinAndTheSpanReachesBelowTheNoise) {
    const RangeCase cases[] = {
        {-6.0, -120.0, {-130.0, 0.0}},    // floats against 1.0
        {-30.0, -92.0, {-120.0, -20.0}},  // integers against 2^31
        {156.3, 60.0, {50.0, 160.0}},     // integers read against 1.0: nothing clips at the top
        {-1.0, -50.0, {-90.0, 10.0}},     // too close to a round top for the peak mark
        {-8.0, -8.0, {-100.0, 0.0}},      // noise alone: still the 100 dB span
        {0.0, -300.0, {-190.0, 10.0}},    // empty bins: the span stops at 200 dB
    };
    for (const RangeCase& c : cases) {
        const LevelRange range = PlotLevelRange(c.strongest, c.noiseFloor);
        EXPECT_DOUBLE_EQ(range.topDb, c.expected.topDb) << c.strongest << " / " << c.noiseFloor;
        EXPECT_DOUBLE_EQ(range.bottomDb, c.expected.bottomDb) << c.strongest << " / " << c.noiseFloor;
    }
    const LevelRange nothing = PlotLevelRange(std::nan(""), -100.0);
    EXPECT_LT(nothing.bottomDb, nothing.topDb);
    const LevelRange noFloor = PlotLevelRange(-6.0, -INFINITY);
    EXPECT_DOUBLE_EQ(noFloor.topDb, 0.0);
    EXPECT_DOUBLE_EQ(noFloor.bottomDb, -100.0);
}

TEST(SpectrumPlot, LevelsFarAboveZeroDbfsAreDrawnNotClipped) {
    // Receiver integers read against a full scale of 1: everything above 0 dBFS.
    Spectrum spectrum;
    spectrum.fftSize = 1024;
    spectrum.sampleRate = 96000.0;
    spectrum.dbfs.assign(1024, 60.0);
    spectrum.noiseFloorDbfs = 60.0;
    spectrum.dbfs[768] = 156.0;
    const RgbImage image = DrawSpectrumPlot(spectrum, {}, 1000, 500);
    const Rgb trace{96, 200, 255};
    const int carrierX = 64 + static_cast<int>(std::lround(768.0 / 1024.0 * 920));
    int carrierY = image.Height();
    for (int x = carrierX - 2; x <= carrierX + 2; ++x)
        carrierY = std::min(carrierY, TopmostRowOfColour(image, x, trace));
    const int floorY = TopmostRowOfColour(image, 200, trace);
    EXPECT_GT(carrierY, 28) << "the carrier stays below the top edge of the plot area";
    EXPECT_GT(floorY - carrierY, 300) << "96 dB between carrier and floor is most of the height";
    EXPECT_LT(floorY, 464) << "the floor stays above the bottom edge";
}

TEST(SpectrumPlot, EmptySpectrumStillGivesAnImage) {
    const RgbImage image = DrawSpectrumPlot(Spectrum{}, {}, 320, 200);
    EXPECT_EQ(image.Width(), 320);
    EXPECT_EQ(image.At(100, 100), (Rgb{10, 12, 18}));
}

TEST(RgbImage, ClipsDrawingAtTheEdges) {
    RgbImage image(4, 3, {0, 0, 0});
    image.Line(-5, 1, 10, 1, {1, 2, 3});
    image.FillRect(-2, -2, 1, 1, {9, 9, 9});
    image.Set(4, 0, {7, 7, 7});
    EXPECT_EQ(image.At(0, 0), (Rgb{9, 9, 9}));
    EXPECT_EQ(image.At(1, 0), (Rgb{0, 0, 0}));
    for (int x = 0; x < 4; ++x) EXPECT_EQ(image.At(x, 1), (Rgb{1, 2, 3}));
    EXPECT_EQ(image.At(3, 2), (Rgb{0, 0, 0}));
}

TEST(RgbImage, DrawsDigitsOfTheFont) {
    RgbImage image(12, 7, {0, 0, 0});
    EXPECT_EQ(image.Text(0, 0, "1-", {255, 255, 255}), 12);
    // "1": its stem is the middle column; "-": the middle row only.
    EXPECT_EQ(image.At(2, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(image.At(0, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(image.At(6, 3), (Rgb{255, 255, 255}));
    EXPECT_EQ(image.At(6, 2), (Rgb{0, 0, 0}));
}

TEST(RgbImage, TakesWindowsPixelsInTheirOwnByteOrder) {
    const std::uint8_t bgra[] = {
        0x01, 0x02, 0x03, 0xFF, 0x10, 0x20, 0x30, 0x00,  // top row
        0xAA, 0xBB, 0xCC, 0x00, 0x00, 0x00, 0xFF, 0x7F,  // bottom row
    };
    const RgbImage image = RgbImage::FromBgra(bgra, 2, 2);
    ASSERT_EQ(image.Width(), 2);
    ASSERT_EQ(image.Height(), 2);
    EXPECT_EQ(image.At(0, 0), (Rgb{0x03, 0x02, 0x01}));
    EXPECT_EQ(image.At(1, 0), (Rgb{0x30, 0x20, 0x10}));
    EXPECT_EQ(image.At(0, 1), (Rgb{0xCC, 0xBB, 0xAA}));
    EXPECT_EQ(image.At(1, 1), (Rgb{0xFF, 0x00, 0x00}));
}

TEST(RgbImage, TellsAFlatImageAndCropsInsideItsBounds) {
    RgbImage image(5, 4, {7, 7, 7});
    EXPECT_TRUE(image.IsOneColour());
    EXPECT_TRUE(RgbImage(0, 0, {1, 1, 1}).IsOneColour());
    image.Set(4, 3, {7, 7, 8});
    EXPECT_FALSE(image.IsOneColour());

    image.Set(1, 1, {1, 2, 3});
    const RgbImage part = image.Cropped(1, 1, 2, 2);
    ASSERT_EQ(part.Width(), 2);
    ASSERT_EQ(part.Height(), 2);
    EXPECT_EQ(part.At(0, 0), (Rgb{1, 2, 3}));
    EXPECT_EQ(part.At(1, 1), (Rgb{7, 7, 7}));

    const RgbImage corner = image.Cropped(3, 2, 10, 10);
    EXPECT_EQ(corner.Width(), 2);
    EXPECT_EQ(corner.Height(), 2);
    EXPECT_EQ(corner.At(1, 1), (Rgb{7, 7, 8}));
    const RgbImage outside = image.Cropped(-3, -3, 4, 4);
    EXPECT_EQ(outside.Width(), 1);
    EXPECT_EQ(outside.At(0, 0), (Rgb{7, 7, 7}));
    EXPECT_EQ(image.Cropped(9, 0, 2, 2).Width(), 0);

    EXPECT_EQ(image.Cropped(0, 0, 5, 4), image);
    EXPECT_FALSE(part == image.Cropped(2, 1, 2, 2));
}

}  // namespace
}  // namespace host
