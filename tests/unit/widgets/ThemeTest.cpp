#include <gtest/gtest.h>

#include <cstring>

#include "platform/headless/HeadlessFont.h"
#include "hostlink/ExParaBlock.h"
#include "widgets/Theme.h"

namespace excalibur {
namespace {

const platform::FontDescription& DescriptionOf(const ThemeFont& font) {
    return static_cast<const headless::HeadlessFont*>(font.Handle())->description;
}

TEST(InitTheme, CapturesColoursCreatesFontsAndSetsStartUpSampleMode) {
    exPara.sampleMode = 0;
    InitTheme();

    EXPECT_EQ(theme.FaceColor, PackRgb(240, 240, 240));
    EXPECT_EQ(theme.LightColor, PackRgb(227, 227, 227));
    EXPECT_EQ(theme.ShadowColor, PackRgb(160, 160, 160));
    EXPECT_EQ(theme.DarkShadowColor, PackRgb(105, 105, 105));
    EXPECT_EQ(theme.ButtonTextColor, PackRgb(0, 0, 0));
    EXPECT_EQ(theme.HighlightColor, PackRgb(252, 252, 252));
    EXPECT_EQ(exPara.sampleMode, 2);

    ASSERT_NE(theme.NormalFont.Handle(), nullptr);
    ASSERT_NE(theme.BoldFont.Handle(), nullptr);
    ASSERT_NE(theme.LargeFont.Handle(), nullptr);

    const auto& normal = DescriptionOf(theme.NormalFont);
    EXPECT_EQ(normal.height, -12);
    EXPECT_EQ(normal.width, 0);
    EXPECT_EQ(normal.weight, 400);
    EXPECT_EQ(normal.pitchAndFamily, 32);
    EXPECT_EQ(normal.charSet, 0);
    EXPECT_EQ(normal.italic, 0);
    EXPECT_STREQ(normal.faceName, "MS Sans Serif");

    const auto& bold = DescriptionOf(theme.BoldFont);
    EXPECT_EQ(bold.height, -12);
    EXPECT_EQ(bold.width, 0);
    EXPECT_EQ(bold.weight, 700);
    EXPECT_STREQ(bold.faceName, "MS Sans Serif");

    const auto& large = DescriptionOf(theme.LargeFont);
    EXPECT_EQ(large.height, -16);
    EXPECT_EQ(large.width, 12);
    EXPECT_EQ(large.weight, 700);
    EXPECT_EQ(large.pitchAndFamily, 32);
    EXPECT_STREQ(large.faceName, "Arial");
    // No stale bytes of the longer face name behind "Arial".
    for (std::size_t i = std::strlen("Arial"); i < sizeof(large.faceName); ++i) {
        EXPECT_EQ(large.faceName[i], '\0') << i;
    }
}

TEST(InitTheme, RunningAgainReplacesTheFontsWithoutLeaking) {
    InitTheme();
    const int fonts = headless::LiveFontCount();
    InitTheme();
    EXPECT_EQ(headless::LiveFontCount(), fonts);
}

TEST(ThemeFont, OwnsWhatIsAttached) {
    const int before = headless::LiveFontCount();
    platform::FontDescription description;
    description.height = -12;
    {
        ThemeFont font;
        EXPECT_EQ(font.Handle(), nullptr);
        font.Attach(platform::CreateFontFromDescription(description));
        EXPECT_EQ(headless::LiveFontCount(), before + 1);
        font.Attach(platform::CreateFontFromDescription(description));
        EXPECT_EQ(headless::LiveFontCount(), before + 1);
        font.Attach(font.Handle());
        EXPECT_EQ(headless::LiveFontCount(), before + 1);
        EXPECT_NE(font.Handle(), nullptr);
    }
    EXPECT_EQ(headless::LiveFontCount(), before);
}

}  // namespace
}  // namespace excalibur
