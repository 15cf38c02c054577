#include "widgets/Theme.h"

#include <cstring>

#include "hostlink/ExParaBlock.h"

namespace excalibur {

Theme theme;

ThemeFont::~ThemeFont() { platform::DeleteFontHandle(m_hFont); }

void ThemeFont::Attach(platform::FontHandle font) {
    if (font == m_hFont) {
        return;
    }
    platform::DeleteFontHandle(m_hFont);
    m_hFont = font;
}

namespace {

void SetFaceName(platform::FontDescription& description, const char* name) {
    std::memset(description.faceName, 0, sizeof(description.faceName));
    std::strncpy(description.faceName, name, sizeof(description.faceName) - 1);
}

}  // namespace

void InitTheme() {
    theme.FaceColor = platform::GetSystemColor(platform::kColorBtnFace);
    theme.LightColor = platform::GetSystemColor(platform::kColor3dLight);
    theme.ShadowColor = platform::GetSystemColor(platform::kColorBtnShadow);
    theme.DarkShadowColor = platform::GetSystemColor(platform::kColor3dDkShadow);
    theme.ButtonTextColor = platform::GetSystemColor(platform::kColorBtnText);
    theme.HighlightColor = LightenColor(theme.LightColor, 0.1);

    platform::FontDescription font;
    font.height = -12;
    font.width = 0;
    font.weight = 400;
    font.pitchAndFamily = 32;
    SetFaceName(font, "MS Sans Serif");
    theme.NormalFont.Attach(platform::CreateFontFromDescription(font));

    font.weight = 700;
    theme.BoldFont.Attach(platform::CreateFontFromDescription(font));

    SetFaceName(font, "Arial");
    font.width = 12;
    font.height = -16;
    theme.LargeFont.Attach(platform::CreateFontFromDescription(font));

    exPara.sampleMode = kStartUpSampleMode;
    PublishRecord();
}

}  // namespace excalibur
