#pragma once

#include <cstdint>

namespace excalibur {

// Packed colour in the COLORREF layout: red in bits 0-7, green 8-15, blue 16-23.
using PackedColor = std::uint32_t;

// All ones: a button without a text colour of its own.
inline constexpr PackedColor kNoColor = 0xFFFFFFFFu;

constexpr PackedColor PackRgb(unsigned red, unsigned green, unsigned blue) {
    return (red & 0xFFu) | (green & 0xFFu) << 8 | (blue & 0xFFu) << 16;
}
constexpr unsigned RedOf(PackedColor color) { return color & 0xFFu; }
constexpr unsigned GreenOf(PackedColor color) { return color >> 8 & 0xFFu; }
constexpr unsigned BlueOf(PackedColor color) { return color >> 16 & 0xFFu; }

// The HLS model with hue as a fraction of a full turn. Every step is done in
// IEEE double in a fixed order and bytes are made by truncation, so derived
// shades come out to the same byte values on every build.
void RgbToHls(PackedColor color, double& hue, double& saturation, double& lightness);
double HueToChannel(double p, double q, double t);
PackedColor HlsToRgb(double hue, double lightness, double saturation);

// Moves the lightness by amount, kept within 0.01..0.99 so that no derived
// shade becomes pure white or pure black.
PackedColor LightenColor(PackedColor color, double amount);

}  // namespace excalibur
