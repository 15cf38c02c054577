#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace host {

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

// An 8-bit RGB pixel buffer, rows top to bottom, as PNG stores it.
// Drawing outside the image is clipped.
class RgbImage {
public:
    RgbImage(int width, int height, Rgb background);
    // From 32-bit pixels in memory order blue, green, red, unused, as a
    // top-down Windows DIB holds them; rows are width * 4 bytes.
    static RgbImage FromBgra(const std::uint8_t* bgra, int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    const std::uint8_t* Pixels() const { return pixels_.data(); }

    Rgb At(int x, int y) const;
    void Set(int x, int y, Rgb colour);
    void FillRect(int left, int top, int right, int bottom, Rgb colour);  // right and bottom excluded
    void Line(int x0, int y0, int x1, int y1, Rgb colour);
    // Text in the built-in 5x7 font; returns the width drawn.
    int Text(int x, int y, std::string_view text, Rgb colour, int scale = 1);
    static int TextWidth(std::string_view text, int scale = 1);
    // True for an image of one flat colour, and for an empty one.
    bool IsOneColour() const;
    // The part inside the rectangle; what lies outside the image is left out.
    RgbImage Cropped(int left, int top, int width, int height) const;
    bool operator==(const RgbImage&) const = default;

private:
    int width_;
    int height_;
    std::vector<std::uint8_t> pixels_;
};

}  // namespace host
