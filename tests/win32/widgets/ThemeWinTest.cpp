#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "hostlink/ExParaBlock.h"
#include "widgets/Theme.h"

namespace excalibur {
namespace {

LOGFONTA DescriptionOf(const ThemeFont& font) {
    LOGFONTA description{};
    EXPECT_EQ(GetObjectA(static_cast<HFONT>(font.Handle()), sizeof(description), &description),
              static_cast<int>(sizeof(description)));
    return description;
}

TEST(InitThemeOnWindows, TakesTheSystemColours) {
    exPara.sampleMode = 4;
    InitTheme();
    EXPECT_EQ(theme.FaceColor, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(theme.LightColor, GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(theme.ShadowColor, GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(theme.DarkShadowColor, GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(theme.ButtonTextColor, GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(theme.HighlightColor, LightenColor(GetSysColor(COLOR_3DLIGHT), 0.1));
    EXPECT_EQ(exPara.sampleMode, 2);
}

TEST(InitThemeOnWindows, CreatesTheThreeFonts) {
    InitTheme();
    ASSERT_EQ(GetObjectType(theme.NormalFont.Handle()), static_cast<DWORD>(OBJ_FONT));
    ASSERT_EQ(GetObjectType(theme.BoldFont.Handle()), static_cast<DWORD>(OBJ_FONT));
    ASSERT_EQ(GetObjectType(theme.LargeFont.Handle()), static_cast<DWORD>(OBJ_FONT));

    const LOGFONTA normal = DescriptionOf(theme.NormalFont);
    EXPECT_EQ(normal.lfHeight, -12);
    EXPECT_EQ(normal.lfWidth, 0);
    EXPECT_EQ(normal.lfWeight, 400);
    EXPECT_EQ(normal.lfCharSet, ANSI_CHARSET);
    EXPECT_EQ(normal.lfPitchAndFamily, FF_SWISS | DEFAULT_PITCH);
    EXPECT_STREQ(normal.lfFaceName, "MS Sans Serif");

    const LOGFONTA bold = DescriptionOf(theme.BoldFont);
    EXPECT_EQ(bold.lfHeight, -12);
    EXPECT_EQ(bold.lfWeight, 700);
    EXPECT_STREQ(bold.lfFaceName, "MS Sans Serif");

    const LOGFONTA large = DescriptionOf(theme.LargeFont);
    EXPECT_EQ(large.lfHeight, -16);
    EXPECT_EQ(large.lfWidth, 12);
    EXPECT_EQ(large.lfWeight, 700);
    EXPECT_EQ(large.lfItalic, 0);
    EXPECT_EQ(large.lfPitchAndFamily, FF_SWISS | DEFAULT_PITCH);
    EXPECT_STREQ(large.lfFaceName, "Arial");
}

TEST(InitThemeOnWindows, FontsAreDeletedByTheirOwner) {
    InitTheme();
    HGDIOBJ first = theme.NormalFont.Handle();
    InitTheme();
    EXPECT_EQ(GetObjectType(first), 0u) << "the font replaced by a second InitTheme is deleted";

    HGDIOBJ owned = nullptr;
    {
        LOGFONTA description{};
        description.lfHeight = -12;
        ThemeFont font;
        font.Attach(CreateFontIndirectA(&description));
        owned = font.Handle();
        ASSERT_EQ(GetObjectType(owned), static_cast<DWORD>(OBJ_FONT));
    }
    EXPECT_EQ(GetObjectType(owned), 0u);
}

}  // namespace
}  // namespace excalibur
