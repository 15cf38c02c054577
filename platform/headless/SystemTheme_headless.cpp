#include <atomic>

#include "platform/SystemTheme.h"
#include "platform/headless/HeadlessFont.h"

namespace platform {

namespace {

std::atomic<int> liveFonts{0};

constexpr std::uint32_t Rgb(unsigned r, unsigned g, unsigned b) { return r | g << 8 | b << 16; }

}  // namespace

// The default colours of a current Windows desktop.
std::uint32_t GetSystemColor(int index) {
    switch (index) {
        case kColorBtnFace: return Rgb(240, 240, 240);
        case kColorBtnShadow: return Rgb(160, 160, 160);
        case kColorBtnText: return Rgb(0, 0, 0);
        case kColorBtnHighlight: return Rgb(255, 255, 255);
        case kColor3dDkShadow: return Rgb(105, 105, 105);
        case kColor3dLight: return Rgb(227, 227, 227);
        default: return 0;
    }
}

FontHandle CreateFontFromDescription(const FontDescription& description) {
    auto* font = new headless::HeadlessFont{description};
    font->description.faceName[sizeof(font->description.faceName) - 1] = '\0';
    liveFonts.fetch_add(1, std::memory_order_relaxed);
    return font;
}

void DeleteFontHandle(FontHandle font) {
    if (font != nullptr) {
        delete static_cast<headless::HeadlessFont*>(font);
        liveFonts.fetch_sub(1, std::memory_order_relaxed);
    }
}

}  // namespace platform

namespace headless {

int LiveFontCount() { return platform::liveFonts.load(std::memory_order_relaxed); }

}  // namespace headless
