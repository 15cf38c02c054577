#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/DrawingSurface.h"

// What the painting tests need from a platform: a fresh surface to draw on,
// its pixels afterwards, and an image list of the platform's kind. The memory
// surface implements it natively, GDI under Wine; the cases are shared.
namespace painttest {

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // packed colours, rows top to bottom

    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

using DrawFunction = std::function<void(platform::DrawingSurface&)>;

// A surface of the size, filled with background, handed to draw; then read back.
Canvas Paint(int width, int height, std::uint32_t background, const DrawFunction& draw);

// One image of packed colours (magenta transparent) in the platform's image list.
class TestImage {
public:
    TestImage(int width, int height, const std::vector<std::uint32_t>& pixels);
    ~TestImage();
    TestImage(const TestImage&) = delete;
    TestImage& operator=(const TestImage&) = delete;

    const void* Handle() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace painttest
