#include "platform/headless/MemoryImage.h"
#include "platform/headless/MemorySurface.h"
#include "tests/unit/widgets/PaintCanvas.h"

namespace painttest {

Canvas Paint(int width, int height, std::uint32_t background, const DrawFunction& draw) {
    headless::MemorySurface surface(width, height, background);
    draw(surface);
    return Canvas{surface.Width(), surface.Height(), surface.Pixels()};
}

struct TestImage::Impl {
    headless::MemoryImage image;
};

TestImage::TestImage(int width, int height, const std::vector<std::uint32_t>& pixels)
    : m_impl(std::make_unique<Impl>(Impl{headless::MemoryImage{width, height, pixels}})) {}

TestImage::~TestImage() = default;

const void* TestImage::Handle() const { return &m_impl->image; }

}  // namespace painttest
