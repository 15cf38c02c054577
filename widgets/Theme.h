#pragma once

#include "platform/SystemTheme.h"
#include "widgets/ColorModel.h"

namespace excalibur {

// One of the theme's fonts: empty until a font is attached, and the owner of
// what is attached from then on.
class ThemeFont {
public:
    ThemeFont() = default;
    ~ThemeFont();
    ThemeFont(const ThemeFont&) = delete;
    ThemeFont& operator=(const ThemeFont&) = delete;

    // Takes ownership; a font attached before is deleted.
    void Attach(platform::FontHandle font);
    platform::FontHandle Handle() const { return m_hFont; }

private:
    platform::FontHandle m_hFont = nullptr;
};

// Colours, fonts and cursor shared by every button, set once at start-up.
struct Theme {
    PackedColor FaceColor = 0;
    PackedColor LightColor = 0;
    PackedColor ShadowColor = 0;
    PackedColor DarkShadowColor = 0;
    PackedColor ButtonTextColor = 0;
    PackedColor HighlightColor = 0;
    ThemeFont NormalFont;
    ThemeFont BoldFont;
    ThemeFont LargeFont;
    platform::CursorHandle HandCursor = nullptr;  // loaded by the application's start-up
};

extern Theme theme;

// Captures the system colours, derives the highlight, creates the three fonts
// and sets the start-up sample mode in the shared record.
void InitTheme();

}  // namespace excalibur
