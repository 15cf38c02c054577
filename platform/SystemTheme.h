#pragma once

#include <cstdint>

namespace platform {

// A GDI font (HFONT) on Windows, a headless font natively; null is no font.
using FontHandle = void*;
// A shared cursor (HCURSOR) on Windows; null is none.
using CursorHandle = void*;

// The Win32 system-colour indices the buttons use.
enum SystemColorIndex : int {
    kColorBtnFace = 15,
    kColorBtnShadow = 16,
    kColorBtnText = 18,
    kColorBtnHighlight = 20,
    kColor3dDkShadow = 21,
    kColor3dLight = 22,
};

// The fields of the Win32 LOGFONT record, in its order.
struct FontDescription {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 0;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    char faceName[32] = {};
};

// Packed colour (COLORREF layout) of a system colour; 0 for an unknown index,
// as GetSysColor answers.
std::uint32_t GetSystemColor(int index);

// Null when the font cannot be created.
FontHandle CreateFontFromDescription(const FontDescription& description);
void DeleteFontHandle(FontHandle font);

}  // namespace platform
