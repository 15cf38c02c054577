#pragma once

#include <vector>

#include "tests/unit/widgets/ButtonGallery.h"

namespace gallery {

// Every entry drawn on the memory surface over the backdrop, in order.
std::vector<Rendering> RenderOnMemorySurface();

}  // namespace gallery
