#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

#include "widgets/ColorModel.h"

namespace excalibur {
namespace {

struct Hls {
    double hue;
    double saturation;
    double lightness;
};

Hls ToHls(PackedColor color) {
    Hls hls{};
    RgbToHls(color, hls.hue, hls.saturation, hls.lightness);
    return hls;
}

TEST(RgbToHls, GreysHaveNoHueAndNoSaturation) {
    for (unsigned v = 0; v < 256; ++v) {
        const Hls hls = ToHls(PackRgb(v, v, v));
        EXPECT_EQ(hls.hue, 0.0) << v;
        EXPECT_EQ(hls.saturation, 0.0) << v;
        EXPECT_EQ(hls.lightness, v * 0.00392156862745098) << v;
    }
}

TEST(RgbToHls, PrimariesAndTies) {
    const Hls blue = ToHls(PackRgb(0, 0, 255));
    EXPECT_EQ(blue.hue, 0.6666666666666666);
    EXPECT_EQ(blue.saturation, 1.0);
    EXPECT_EQ(blue.lightness, 0.5);

    EXPECT_EQ(ToHls(PackRgb(255, 0, 0)).hue, 0.0);
    EXPECT_EQ(ToHls(PackRgb(0, 255, 0)).hue, 2.0 * 0.16666666666666666);
    // Magenta: red wins the tie, so the hue comes out negative and wraps.
    EXPECT_EQ(ToHls(PackRgb(255, 0, 255)).hue, -1.0 * 0.16666666666666666 + 1.0);
    // Yellow: red wins over green.
    EXPECT_EQ(ToHls(PackRgb(255, 255, 0)).hue, 1.0 * 0.16666666666666666);
    // Cyan: green wins over blue.
    EXPECT_EQ(ToHls(PackRgb(0, 255, 255)).hue, 3.0 * 0.16666666666666666);
}

TEST(RgbToHls, SaturationUsesTheLightnessHalf) {
    const Hls dark = ToHls(PackRgb(100, 50, 50));
    const double max = 100 * 0.00392156862745098;
    const double min = 50 * 0.00392156862745098;
    EXPECT_LT(dark.lightness, 0.5);
    EXPECT_EQ(dark.saturation, (max - min) / (max + min));

    const Hls light = ToHls(PackRgb(250, 200, 200));
    const double lmax = 250 * 0.00392156862745098;
    const double lmin = 200 * 0.00392156862745098;
    EXPECT_GE(light.lightness, 0.5);
    EXPECT_EQ(light.saturation, (lmax - lmin) / ((2 - lmax) - lmin));
}

TEST(RgbToHls, IgnoresTheTopByte) {
    const Hls plain = ToHls(PackRgb(12, 200, 99));
    const Hls tagged = ToHls(PackRgb(12, 200, 99) | 0xAB000000u);
    EXPECT_EQ(plain.hue, tagged.hue);
    EXPECT_EQ(plain.saturation, tagged.saturation);
    EXPECT_EQ(plain.lightness, tagged.lightness);
}

TEST(HueToChannel, PiecesAndWrapping) {
    const double p = 0.2;
    const double q = 0.8;
    EXPECT_DOUBLE_EQ(HueToChannel(p, q, 0.1), p + (q - p) * 0.1 * 6);
    EXPECT_EQ(HueToChannel(p, q, 0.3), q);
    EXPECT_DOUBLE_EQ(HueToChannel(p, q, 0.6), p + (q - p) * (0.6666666666666666 - 0.6) * 6);
    EXPECT_EQ(HueToChannel(p, q, 0.9), p);
    // Below 0 and above 1 wrap once.
    EXPECT_EQ(HueToChannel(p, q, -0.1), HueToChannel(p, q, 0.9));
    EXPECT_EQ(HueToChannel(p, q, 1.3), HueToChannel(p, q, 0.30000000000000004));
    // Boundaries belong to the later piece.
    EXPECT_EQ(HueToChannel(p, q, 0.5), p + ((q - p) * (0.6666666666666666 - 0.5)) * 6);
}

TEST(HlsToRgb, GreyTruncatesLightness) {
    EXPECT_EQ(HlsToRgb(0.7, 0.99, 0.0), PackRgb(252, 252, 252));
    EXPECT_EQ(HlsToRgb(0.0, 0.01, 0.0), PackRgb(2, 2, 2));
    EXPECT_EQ(HlsToRgb(0.0, 1.0, 0.0), PackRgb(255, 255, 255));
    EXPECT_EQ(HlsToRgb(0.0, 0.0, 0.0), PackRgb(0, 0, 0));
}

TEST(HlsToRgb, ArgumentOrderIsHueLightnessSaturation) {
    EXPECT_EQ(HlsToRgb(0.6666666666666666, 0.5, 1.0), PackRgb(0, 0, 255));
    EXPECT_EQ(HlsToRgb(0.0, 0.25, 1.0), PackRgb(127, 0, 0));
}

TEST(LightenColor, EdgeValues) {
    EXPECT_EQ(LightenColor(PackRgb(255, 255, 255), 0.1), PackRgb(252, 252, 252));
    EXPECT_EQ(LightenColor(PackRgb(255, 255, 255), -0.07), PackRgb(237, 237, 237));
    EXPECT_EQ(LightenColor(PackRgb(0, 0, 0), -0.07), PackRgb(2, 2, 2));
    EXPECT_EQ(LightenColor(PackRgb(0, 0, 0), 0.1), PackRgb(25, 25, 25));
    EXPECT_EQ(LightenColor(PackRgb(212, 208, 200), 0.0), PackRgb(211, 208, 200));
    EXPECT_EQ(LightenColor(PackRgb(255, 0, 0), 0.1), PackRgb(255, 50, 50));
    EXPECT_EQ(LightenColor(PackRgb(128, 128, 128), 0.05), PackRgb(140, 140, 140));
    EXPECT_EQ(LightenColor(PackRgb(240, 240, 240), -0.07), PackRgb(222, 222, 222));
    EXPECT_EQ(LightenColor(PackRgb(227, 227, 227), 0.1), PackRgb(252, 252, 252));
}

TEST(LightenColor, LargeAmountsArePinned) {
    EXPECT_EQ(LightenColor(PackRgb(0, 0, 0), 0.01), PackRgb(2, 2, 2));
    EXPECT_EQ(LightenColor(PackRgb(0, 0, 0), 5.0), PackRgb(252, 252, 252));
    EXPECT_EQ(LightenColor(PackRgb(255, 255, 255), -5.0), PackRgb(2, 2, 2));
}

// A colour converted to HLS and back loses at most one unit per channel and
// never gains; every colour of the 24-bit cube.
TEST(ColorModelSweep, RoundTripCostsAtMostOneUnit) {
    int exact = 0;
    for (std::uint32_t color = 0; color < (1u << 24); ++color) {
        Hls hls{};
        RgbToHls(color, hls.hue, hls.saturation, hls.lightness);
        const PackedColor back = HlsToRgb(hls.hue, hls.lightness, hls.saturation);
        const int dr = static_cast<int>(RedOf(color)) - static_cast<int>(RedOf(back));
        const int dg = static_cast<int>(GreenOf(color)) - static_cast<int>(GreenOf(back));
        const int db = static_cast<int>(BlueOf(color)) - static_cast<int>(BlueOf(back));
        if (dr < 0 || dr > 1 || dg < 0 || dg > 1 || db < 0 || db > 1 || (back >> 24) != 0) {
            FAIL() << std::hex << "colour 0x" << color << " came back as 0x" << back;
        }
        exact += (dr | dg | db) == 0;
    }
    // Truncation does cost a unit on a good share of colours.
    EXPECT_LT(exact, 1 << 24);
}

// Derived shades never reach pure white or black, and a grey stays in 2..252.
TEST(ColorModelSweep, LightenNeverLeavesTheClampedRange) {
    const double amounts[] = {0.1, 0.05, -0.07, 1.0, -1.0};
    for (unsigned v = 0; v < 256; ++v) {
        for (double amount : amounts) {
            const PackedColor out = LightenColor(PackRgb(v, v, v), amount);
            ASSERT_EQ(RedOf(out), GreenOf(out));
            ASSERT_EQ(RedOf(out), BlueOf(out));
            ASSERT_GE(RedOf(out), 2u) << v << " " << amount;
            ASSERT_LE(RedOf(out), 252u) << v << " " << amount;
        }
    }
    std::mt19937 random(20240611u);
    std::uniform_int_distribution<std::uint32_t> colors(0, 0xFFFFFFu);
    std::uniform_real_distribution<double> anyAmount(-1.5, 1.5);
    for (int i = 0; i < 1000000; ++i) {
        const PackedColor color = colors(random);
        const double amount = (i % 4 == 0) ? anyAmount(random) : amounts[i % 3];
        const PackedColor out = LightenColor(color, amount);
        ASSERT_NE(out, PackRgb(255, 255, 255)) << std::hex << color << " " << amount;
        ASSERT_NE(out, PackRgb(0, 0, 0)) << std::hex << color << " " << amount;
        ASSERT_EQ(out >> 24, 0u);
        const unsigned max = std::max({RedOf(out), GreenOf(out), BlueOf(out)});
        const unsigned min = std::min({RedOf(out), GreenOf(out), BlueOf(out)});
        // Lightness (max + min) / 2 stays within 0.01..0.99 up to the truncation.
        ASSERT_LE(max + min, 504u) << std::hex << color << " " << amount;
        ASSERT_GE(max + min, 2u * 2u) << std::hex << color << " " << amount;
    }
}

}  // namespace
}  // namespace excalibur
