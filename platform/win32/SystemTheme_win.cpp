#include "platform/SystemTheme.h"

#include <windows.h>

#include <cstring>

namespace platform {

std::uint32_t GetSystemColor(int index) { return GetSysColor(index); }

FontHandle CreateFontFromDescription(const FontDescription& description) {
    LOGFONTA font{};
    font.lfHeight = description.height;
    font.lfWidth = description.width;
    font.lfEscapement = description.escapement;
    font.lfOrientation = description.orientation;
    font.lfWeight = description.weight;
    font.lfItalic = description.italic;
    font.lfUnderline = description.underline;
    font.lfStrikeOut = description.strikeOut;
    font.lfCharSet = description.charSet;
    font.lfOutPrecision = description.outPrecision;
    font.lfClipPrecision = description.clipPrecision;
    font.lfQuality = description.quality;
    font.lfPitchAndFamily = description.pitchAndFamily;
    static_assert(sizeof(font.lfFaceName) == sizeof(description.faceName));
    std::memcpy(font.lfFaceName, description.faceName, sizeof(font.lfFaceName));
    font.lfFaceName[sizeof(font.lfFaceName) - 1] = '\0';
    return CreateFontIndirectA(&font);
}

void DeleteFontHandle(FontHandle font) {
    if (font != nullptr) {
        DeleteObject(static_cast<HFONT>(font));
    }
}

}  // namespace platform
