#pragma once

#include "platform/SystemTheme.h"

namespace headless {

// What a FontHandle points to natively: the description it was made from,
// which the memory surface uses to size its glyphs.
struct HeadlessFont {
    platform::FontDescription description;
};

// Fonts created and not yet deleted, so tests can see that owners release them.
int LiveFontCount();

}  // namespace headless
