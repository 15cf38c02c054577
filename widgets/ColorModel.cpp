#include "widgets/ColorModel.h"

#include <algorithm>

namespace excalibur {

namespace {

constexpr double kOneOver255 = 0.00392156862745098;
constexpr double kOneSixth = 0.16666666666666666;
constexpr double kOneThird = 0.3333333333333333;
constexpr double kTwoThirds = 0.6666666666666666;

std::uint32_t ChannelByte(double channel) {
    return static_cast<std::uint32_t>(static_cast<int>(channel * 255.0)) & 0xFFu;
}

}  // namespace

void RgbToHls(PackedColor color, double& hue, double& saturation, double& lightness) {
    const double r = static_cast<double>(RedOf(color)) * kOneOver255;
    const double g = static_cast<double>(GreenOf(color)) * kOneOver255;
    const double b = static_cast<double>(BlueOf(color)) * kOneOver255;
    const double max = std::max({r, g, b});
    const double min = std::min({r, g, b});

    lightness = (max + min) * 0.5;
    if (max == min) {
        saturation = 0.0;
        hue = 0.0;
        return;
    }

    const double delta = max - min;
    saturation = lightness < 0.5 ? delta / (max + min) : delta / ((2.0 - max) - min);

    double h;
    if (r == max) {
        h = (g - b) / delta;
    } else if (g == max) {
        h = 2.0 + (b - r) / delta;
    } else {
        h = 4.0 + (r - g) / delta;
    }
    hue = h * kOneSixth;
    if (hue < 0.0) {
        hue += 1.0;
    }
}

double HueToChannel(double p, double q, double t) {
    if (t < 0.0) {
        t += 1.0;
    }
    if (t > 1.0) {
        t -= 1.0;
    }
    if (6.0 * t < 1.0) {
        return p + ((q - p) * t) * 6.0;
    }
    if (2.0 * t < 1.0) {
        return q;
    }
    if (3.0 * t < 2.0) {
        return p + ((q - p) * (kTwoThirds - t)) * 6.0;
    }
    return p;
}

PackedColor HlsToRgb(double hue, double lightness, double saturation) {
    if (saturation == 0.0) {
        const std::uint32_t v = ChannelByte(lightness);
        return v | v << 8 | v << 16;
    }
    const double q =
        lightness <= 0.5 ? lightness * (1.0 + saturation) : (lightness + saturation) - (lightness * saturation);
    const double p = 2.0 * lightness - q;
    const std::uint32_t red = ChannelByte(HueToChannel(p, q, hue + kOneThird));
    const std::uint32_t green = ChannelByte(HueToChannel(p, q, hue));
    const std::uint32_t blue = ChannelByte(HueToChannel(p, q, hue - kOneThird));
    return red | green << 8 | blue << 16;
}

PackedColor LightenColor(PackedColor color, double amount) {
    double hue = 0.0;
    double saturation = 0.0;
    double lightness = 0.0;
    RgbToHls(color, hue, saturation, lightness);
    lightness += amount;
    if (lightness > 0.99) {
        lightness = 0.99;
    } else if (lightness < 0.01) {
        lightness = 0.01;
    }
    return HlsToRgb(hue, lightness, saturation);
}

}  // namespace excalibur
