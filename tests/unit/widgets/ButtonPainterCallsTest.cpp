// What the painter asks of the surface: fonts, label rectangles and flags,
// arrow geometry, and the order of the layers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "widgets/ButtonPainter.h"
#include "widgets/MyButton.h"
#include "widgets/Theme.h"

namespace excalibur {
namespace {

using platform::Point;
using platform::Rect;

struct TextCall {
    std::string text;
    Rect rect;
    unsigned format;
    platform::Color color;
};

class RecordingSurface final : public platform::DrawingSurface {
public:
    std::vector<std::string> layers;  // "fill", "image", "text", "polygon", "line"
    std::vector<TextCall> texts;
    std::vector<platform::FontHandle> fonts;
    std::vector<Point> polygon;
    platform::Color polygonPen = 0;
    platform::Color polygonBrush = 0;
    std::vector<std::pair<Point, Point>> lines;
    platform::Color linePen = 0;
    Point imageAt{-999, -999};

    void FillRect(const Rect&, platform::Color) override { layers.push_back("fill"); }
    platform::Color GetPixel(int, int) override { return 0; }
    void SetPixel(int, int, platform::Color) override {}
    void Polygon(const Point* points, int count, platform::Color pen, platform::Color brush) override {
        layers.push_back("polygon");
        polygon.assign(points, points + count);
        polygonPen = pen;
        polygonBrush = brush;
    }
    void Line(Point from, Point to, platform::Color pen) override {
        layers.push_back("line");
        lines.push_back({from, to});
        linePen = pen;
    }
    int DrawFormattedText(std::string_view text, Rect& rect, unsigned format) override {
        layers.push_back("text");
        texts.push_back({std::string(text), rect, format, m_color});
        if (format & platform::kDtCalcRect) {
            rect.bottom = rect.top + 13;
        }
        return 13;
    }
    platform::FontHandle SelectTextFont(platform::FontHandle font) override {
        if (font == nullptr) {
            return nullptr;
        }
        fonts.push_back(font);
        platform::FontHandle previous = m_font;
        m_font = font;
        return previous;
    }
    platform::Color SetTextColor(platform::Color color) override {
        const platform::Color previous = m_color;
        m_color = color;
        return previous;
    }
    int SetBackgroundMode(int mode) override {
        const int previous = m_mode;
        m_mode = mode;
        return previous;
    }
    void DrawImage(const void*, int x, int y) override {
        layers.push_back("image");
        imageAt = {x, y};
    }

    platform::FontHandle m_font = &m_initialFont;
    platform::Color m_color = 0;
    int m_mode = platform::kOpaque;

private:
    int m_initialFont = 0;
};

class PainterCalls : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitTheme(); }
    void SetUp() override {
        theme.ButtonTextColor = PackRgb(16, 32, 48);
        theme.HighlightColor = PackRgb(252, 252, 252);
        theme.DarkShadowColor = PackRgb(105, 105, 105);
        theme.ShadowColor = PackRgb(160, 160, 160);
    }

    // The button drawn at an offset, so that every coordinate shows which
    // edge of the rectangle it is taken from.
    static constexpr Rect kButton{10, 5, 90, 29};

    static RecordingSurface Draw(const ButtonLook& look) {
        RecordingSurface surface;
        DrawButton(surface, kButton, look);
        return surface;
    }
};

TEST_F(PainterCalls, FontChoice) {
    struct Case {
        int choice, flat, check, hover, pressed;
        const ThemeFont* font;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, &theme.NormalFont}, {1, 0, 0, 0, 0, &theme.BoldFont},   {2, 0, 0, 0, 0, &theme.LargeFont},
        {7, 0, 0, 0, 0, &theme.NormalFont}, {0, 0, 1, 1, 1, &theme.NormalFont}, {0, 1, 0, 0, 0, &theme.NormalFont},
        {0, 1, 1, 0, 0, &theme.BoldFont},   {0, 1, 0, 1, 0, &theme.BoldFont},   {0, 1, 0, 0, 1, &theme.BoldFont},
        {2, 1, 1, 0, 0, &theme.LargeFont},  {-1, 1, 0, 1, 0, &theme.BoldFont},
    };
    for (const Case& c : cases) {
        ButtonLook look;
        look.fontChoice = c.choice;
        look.flat = c.flat;
        look.check = c.check;
        look.hover = c.hover;
        look.pressed = c.pressed;
        const RecordingSurface surface = Draw(look);
        ASSERT_EQ(surface.fonts.size(), 2u);
        EXPECT_EQ(surface.fonts[0], c.font->Handle()) << c.choice << c.flat << c.check << c.hover << c.pressed;
        EXPECT_EQ(surface.fonts[1], surface.m_font) << "the original font is selected back";
    }
}

TEST_F(PainterCalls, SingleLineLabelRectangles) {
    struct Case {
        const char* label;
        unsigned menu;
        int imageWidth;
        int align;
        Rect text;
    };
    const Case cases[] = {
        {"A", 0, 0, 0, Rect{11, 6, 89, 28}},
        {"A", 1020, 0, 0, Rect{11, 6, 79, 28}},
        {"A", 0, 16, 0, Rect{10 + 16 + 5 + 1, 6, 89, 28}},
        {"A", 1020, 16, 1, Rect{11, 6, 80 - 5 - 16 - 1, 28}},
        {"A", 0, 16, 9, Rect{11, 6, 90 - 5 - 16 - 1, 28}},
        {"A", 1020, 16, 3, Rect{11, 6, 79, 28}},
        {"", 0, 16, 0, Rect{11, 6, 89, 28}},
    };
    for (const Case& c : cases) {
        ButtonLook look;
        look.label = c.label;
        look.menuId = c.menu;
        look.imageWidth = c.imageWidth;
        look.imageHeight = 10;
        look.imageAlign = c.align;
        const RecordingSurface surface = Draw(look);
        ASSERT_EQ(surface.texts.size(), 1u);
        EXPECT_EQ(surface.texts[0].text, c.label);
        EXPECT_EQ(surface.texts[0].rect, c.text) << c.menu << " " << c.imageWidth << " " << c.align;
        EXPECT_EQ(surface.texts[0].format, 0x8825u);
    }
}

TEST_F(PainterCalls, ImagePositionUsesTheButtonsTopAndIsDrawnOverTheFace) {
    ButtonLook look;
    look.label = "A";
    look.imageWidth = 16;
    look.imageHeight = 10;
    const RecordingSurface surface = Draw(look);
    EXPECT_EQ(surface.imageAt, (Point{15, 5 + 7}));

    look.imageWidth = 0;
    EXPECT_EQ(Draw(look).imageAt, (Point{-999, -999})) << "no image without a width";

    look.imageWidth = 16;
    look.imageHeight = 40;
    look.label.clear();
    EXPECT_EQ(Draw(look).imageAt, (Point{10 + 32, 5}));
}

TEST_F(PainterCalls, LayersAreFaceImageFrameLabelArrow) {
    ButtonLook look;
    look.flat = 1;
    look.label = "A";
    look.menuId = 1;
    look.imageWidth = 4;
    look.imageHeight = 4;
    const RecordingSurface surface = Draw(look);
    const std::vector<std::string> expected = {"fill", "image", "fill", "fill", "fill", "fill", "text", "polygon"};
    EXPECT_EQ(surface.layers, expected);
}

TEST_F(PainterCalls, DisabledLabelIsDrawnTwice) {
    ButtonLook look;
    look.enabled = false;
    look.label = "Off";
    look.textColor = PackRgb(200, 0, 0);
    const RecordingSurface surface = Draw(look);
    ASSERT_EQ(surface.texts.size(), 2u);
    EXPECT_EQ(surface.texts[0].rect, (Rect{12, 7, 90, 29}));
    EXPECT_EQ(surface.texts[0].color, theme.HighlightColor);
    EXPECT_EQ(surface.texts[0].format, 0x8825u);
    EXPECT_EQ(surface.texts[1].rect, (Rect{11, 6, 89, 28}));
    EXPECT_EQ(surface.texts[1].color, theme.DarkShadowColor);

    look.multiline = true;
    const RecordingSurface multi = Draw(look);
    ASSERT_EQ(multi.texts.size(), 3u);
    EXPECT_EQ(multi.texts[0].format, 0x8825u) << "the emboss stays single-line";
}

TEST_F(PainterCalls, MultiLineLabelIsMeasuredThenDrawnInABand) {
    ButtonLook look;
    look.multiline = true;
    look.label = "two words";
    const RecordingSurface surface = Draw(look);
    ASSERT_EQ(surface.texts.size(), 2u);
    EXPECT_EQ(surface.texts[0].format, 0x400u);
    EXPECT_EQ(surface.texts[0].rect, (Rect{11, 6, 89, 28}));
    // Label height 22, measured 13: margin (22 - 26) / 2 = -2, truncated toward zero.
    EXPECT_EQ(surface.texts[1].format, 0x811u);
    EXPECT_EQ(surface.texts[1].rect, (Rect{11, 6 - 2 - 1, 89, 28 + 2}));
}

TEST_F(PainterCalls, ArrowGeometryAndColours) {
    ButtonLook look;
    look.menuId = 1;
    look.check = 1;
    const RecordingSurface checked = Draw(look);
    const int cy = (5 + 29) / 2;
    const std::vector<Point> arrow = {{90 - 13, cy - 2}, {90 - 10, cy + 1}, {90 - 7, cy - 2}};
    EXPECT_EQ(checked.polygon, arrow);
    EXPECT_EQ(checked.polygonPen, theme.ButtonTextColor) << "not the white of the label";
    EXPECT_EQ(checked.polygonBrush, theme.ButtonTextColor);
    EXPECT_TRUE(checked.lines.empty());

    look.enabled = false;
    const RecordingSurface disabled = Draw(look);
    EXPECT_EQ(disabled.polygonPen, theme.ShadowColor);
    EXPECT_EQ(disabled.polygonBrush, theme.ShadowColor);
    ASSERT_EQ(disabled.lines.size(), 1u);
    EXPECT_EQ(disabled.lines[0].first, (Point{90 - 9, cy + 1}));
    EXPECT_EQ(disabled.lines[0].second, (Point{90 - 6, cy - 2}));
    EXPECT_EQ(disabled.linePen, theme.HighlightColor);
}

// A new button has no text colour of its own: its label takes the theme's,
// and white on a checked 3-D face, which a colour of its own never turns.
TEST_F(PainterCalls, ANewButtonsLabelTakesTheThemesColour) {
    MyButton button;
    EXPECT_EQ(Draw(button.Look()).texts.at(0).color, theme.ButtonTextColor);
    button.SetCheckState(1, 0);
    EXPECT_EQ(Draw(button.Look()).texts.at(0).color, PackRgb(255, 255, 255));
    button.SetTextColorAndFont(PackRgb(200, 0, 0), 0, 0);
    EXPECT_EQ(Draw(button.Look()).texts.at(0).color, PackRgb(200, 0, 0));
}

TEST_F(PainterCalls, MissingFontKeepsTheCurrentOne) {
    theme.LargeFont.Attach(nullptr);  // as when its creation failed
    ButtonLook look;
    look.fontChoice = 2;
    RecordingSurface surface;
    const platform::FontHandle initial = surface.m_font;
    DrawButton(surface, kButton, look);
    EXPECT_TRUE(surface.fonts.empty());
    EXPECT_EQ(surface.m_font, initial);
    InitTheme();
}

}  // namespace
}  // namespace excalibur
