#include "tests/unit/widgets/GalleryMemoryRender.h"

#include "platform/headless/MemoryImage.h"
#include "platform/headless/MemorySurface.h"
#include "widgets/ButtonPainter.h"

namespace gallery {

std::vector<Rendering> RenderOnMemorySurface() {
    std::vector<headless::MemoryImage> images;
    for (const ImageSpec& spec : Images()) {
        images.push_back(headless::MemoryImage{spec.width, spec.height, spec.pixels});
    }
    std::vector<Rendering> renderings;
    for (Entry& entry : Entries()) {
        if (entry.imageIndex >= 0) {
            entry.look.image = &images[static_cast<std::size_t>(entry.imageIndex)];
        }
        headless::MemorySurface surface(entry.width, entry.height, kBackdrop);
        excalibur::DrawButton(surface, platform::Rect{0, 0, entry.width, entry.height}, entry.look);
        renderings.push_back(Rendering{entry.name, entry.width, entry.height, surface.Pixels()});
    }
    return renderings;
}

}  // namespace gallery
