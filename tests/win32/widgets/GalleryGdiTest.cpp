#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "tests/unit/widgets/GalleryMemoryRender.h"
#include "tests/unit/widgets/PaintCanvas.h"
#include "widgets/ButtonPainter.h"

namespace gallery {
namespace {

std::vector<Rendering> RenderWithGdi() {
    std::vector<std::unique_ptr<painttest::TestImage>> images;
    for (const ImageSpec& spec : Images()) {
        images.push_back(std::make_unique<painttest::TestImage>(spec.width, spec.height, spec.pixels));
    }
    std::vector<Rendering> renderings;
    for (Entry& entry : Entries()) {
        if (entry.imageIndex >= 0) {
            entry.look.image = images[static_cast<std::size_t>(entry.imageIndex)]->Handle();
        }
        const painttest::Canvas canvas =
            painttest::Paint(entry.width, entry.height, kBackdrop, [&](platform::DrawingSurface& surface) {
                excalibur::DrawButton(surface, platform::Rect{0, 0, entry.width, entry.height}, entry.look);
            });
        renderings.push_back(Rendering{entry.name, entry.width, entry.height, canvas.pixels});
    }
    return renderings;
}

// The gallery through GDI against the memory surface built into this same
// program; the GDI pixels are also written for the native build to compare.
TEST(GalleryOnGdi, MatchesTheMemorySurface) {
    UseGalleryTheme();
    const std::vector<Rendering> gdi = RenderWithGdi();
    ASSERT_TRUE(WriteDump("button_gallery_gdi.bin", gdi));
    EXPECT_EQ(Compare(gdi, RenderOnMemorySurface()), "");
}

}  // namespace
}  // namespace gallery
