#include "host/RgbImage.h"

#include <algorithm>
#include <cstdlib>

#include "host/PixelFont.h"

namespace host {

RgbImage::RgbImage(int width, int height, Rgb background)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 3) {
    FillRect(0, 0, width_, height_, background);
}

RgbImage RgbImage::FromBgra(const std::uint8_t* bgra, int width, int height) {
    RgbImage image(width, height, {0, 0, 0});
    const std::size_t count = static_cast<std::size_t>(image.width_) * static_cast<std::size_t>(image.height_);
    for (std::size_t i = 0; i < count; ++i) {
        image.pixels_[3 * i] = bgra[4 * i + 2];
        image.pixels_[3 * i + 1] = bgra[4 * i + 1];
        image.pixels_[3 * i + 2] = bgra[4 * i];
    }
    return image;
}

bool RgbImage::IsOneColour() const {
    for (std::size_t at = 3; at < pixels_.size(); at += 3)
        if (!std::equal(pixels_.begin(), pixels_.begin() + 3, pixels_.begin() + static_cast<std::ptrdiff_t>(at)))
            return false;
    return true;
}

RgbImage RgbImage::Cropped(int left, int top, int width, int height) const {
    const int right = std::min(left + width, width_), bottom = std::min(top + height, height_);
    left = std::clamp(left, 0, width_);
    top = std::clamp(top, 0, height_);
    RgbImage part(std::max(right - left, 0), std::max(bottom - top, 0), {0, 0, 0});
    for (int y = 0; y < part.height_; ++y)
        for (int x = 0; x < part.width_; ++x) part.Set(x, y, At(left + x, top + y));
    return part;
}

Rgb RgbImage::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {0, 0, 0};
    const std::size_t at =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 3;
    return {pixels_[at], pixels_[at + 1], pixels_[at + 2]};
}

void RgbImage::Set(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const std::size_t at =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 3;
    pixels_[at] = colour.r;
    pixels_[at + 1] = colour.g;
    pixels_[at + 2] = colour.b;
}

void RgbImage::FillRect(int left, int top, int right, int bottom, Rgb colour) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width_);
    bottom = std::min(bottom, height_);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) Set(x, y, colour);
}

void RgbImage::Line(int x0, int y0, int x1, int y1, Rgb colour) {
    // Bresenham, all octants.
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        Set(x0, y0, colour);
        if (x0 == x1 && y0 == y1) break;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x0 += sx;
        }
        if (twice <= dx) {
            error += dx;
            y0 += sy;
        }
    }
}

int RgbImage::Text(int x, int y, std::string_view text, Rgb colour, int scale) {
    int penX = x;
    for (char c : text) {
        const auto& rows = GlyphRows(c);
        for (int row = 0; row < glyphHeight; ++row)
            for (int column = 0; column < glyphWidth; ++column)
                if (rows[static_cast<std::size_t>(row)] & (0x10 >> column))
                    FillRect(penX + column * scale, y + row * scale, penX + (column + 1) * scale, y + (row + 1) * scale,
                             colour);
        penX += glyphAdvance * scale;
    }
    return penX - x;
}

int RgbImage::TextWidth(std::string_view text, int scale) {
    return static_cast<int>(text.size()) * glyphAdvance * scale;
}

}  // namespace host
