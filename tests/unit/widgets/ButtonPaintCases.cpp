// Painting cases shared by the memory surface (native) and GDI (under Wine).
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/unit/widgets/PaintCanvas.h"
#include "widgets/ButtonPainter.h"
#include "widgets/Theme.h"

namespace excalibur {
namespace {

using painttest::Canvas;
using platform::DrawingSurface;
using platform::Rect;
using Pixel = std::pair<int, int>;

constexpr PackedColor kBackdrop = PackRgb(7, 77, 177);
constexpr PackedColor kWhite = PackRgb(255, 255, 255);
constexpr PackedColor kMagenta = PackRgb(255, 0, 255);

// Step i of a gradient from black at the bottom to (220, 132, 44) at the top.
constexpr PackedColor kGradientTop = PackRgb(220, 132, 44);
constexpr PackedColor Step(int i) {
    return PackRgb(5u * static_cast<unsigned>(i), 3u * static_cast<unsigned>(i), static_cast<unsigned>(i));
}
constexpr PackedColor Average(PackedColor a, PackedColor b) {
    return PackRgb((RedOf(a) + RedOf(b)) / 2, (GreenOf(a) + GreenOf(b)) / 2, (BlueOf(a) + BlueOf(b)) / 2);
}

class ButtonPaint : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitTheme(); }

    void SetUp() override {
        theme.FaceColor = PackRgb(240, 240, 240);
        theme.LightColor = PackRgb(227, 227, 227);
        theme.ShadowColor = PackRgb(160, 160, 160);
        theme.DarkShadowColor = PackRgb(105, 105, 105);
        theme.ButtonTextColor = PackRgb(16, 32, 48);
        theme.HighlightColor = LightenColor(theme.LightColor, 0.1);
    }

    static Canvas PaintButton(const ButtonLook& look, int width = 80, int height = 24) {
        return painttest::Paint(width, height, kBackdrop, [&](DrawingSurface& surface) {
            DrawButton(surface, Rect{0, 0, width, height}, look);
        });
    }

    static Canvas PaintGradient(int width, int height, const Rect& rect) {
        return painttest::Paint(width, height, kBackdrop, [&](DrawingSurface& surface) {
            DrawGradient(surface, rect, PackRgb(0, 0, 0), kGradientTop);
        });
    }

    static std::set<Pixel> Differences(const Canvas& a, const Canvas& b) {
        std::set<Pixel> pixels;
        for (int y = 0; y < a.height; ++y) {
            for (int x = 0; x < a.width; ++x) {
                if (a.At(x, y) != b.At(x, y)) {
                    pixels.insert({x, y});
                }
            }
        }
        return pixels;
    }

    // Whether every channel of `got` lies within the range the given colours span:
    // a smoothed text edge is a blend of the text colour and what lies under it.
    static bool IsBlendOf(PackedColor got, std::initializer_list<PackedColor> colours) {
        for (int shift : {0, 8, 16}) {
            unsigned low = 255;
            unsigned high = 0;
            for (PackedColor c : colours) {
                low = std::min(low, c >> shift & 0xFFu);
                high = std::max(high, c >> shift & 0xFFu);
            }
            const unsigned g = got >> shift & 0xFFu;
            if (g < low || g > high) {
                return false;
            }
        }
        return true;
    }

    // Text pixels are the label colour, or with a smoothed font a blend of it
    // and what lies under the label; at least one is fully the label colour.
    static void ExpectLabelColour(const Canvas& labelled, const Canvas& unlabelled, PackedColor expected) {
        const std::set<Pixel> text = Differences(labelled, unlabelled);
        ASSERT_FALSE(text.empty());
        int exact = 0;
        for (const Pixel& p : text) {
            const PackedColor got = labelled.At(p.first, p.second);
            const PackedColor under = unlabelled.At(p.first, p.second);
            exact += got == expected;
            ASSERT_TRUE(IsBlendOf(got, {under, expected})) << p.first << "," << p.second << std::hex << ": " << got
                                                           << " is not between " << under << " and " << expected;
        }
        EXPECT_GT(exact, 0) << std::hex << expected;
    }

    struct Extent {
        int left = 1 << 20;
        int top = 1 << 20;
        int right = -1;
        int bottom = -1;
        void Add(const Pixel& p) {
            left = std::min(left, p.first);
            top = std::min(top, p.second);
            right = std::max(right, p.first);
            bottom = std::max(bottom, p.second);
        }
    };

    // The solid arrow of a drop-down button whose rectangle is (0, 0, width, height).
    static std::set<Pixel> ArrowPixels(int width, int height) {
        const int cy = height / 2;
        std::set<Pixel> pixels;
        for (int row = 0; row < 4; ++row) {
            for (int x = width - 13 + row; x <= width - 7 - row; ++x) {
                pixels.insert({x, cy - 2 + row});
            }
        }
        return pixels;
    }
};

// One row of a gradient as painted: its step, the inset of a pass-2 band
// with blended ends (-1 for none), and the colour under those ends.
struct GradientRow {
    int row;
    int step;
    int inset;
    PackedColor under;
};

void ExpectGradientRows(const Canvas& canvas, const std::vector<GradientRow>& rows) {
    for (const GradientRow& plan : rows) {
        for (int x = 0; x < canvas.width; ++x) {
            PackedColor expected = Step(plan.step);
            if (plan.inset >= 0) {
                const int k = plan.inset;
                if (x < k || x > canvas.width - 1 - k) {
                    expected = plan.under;
                } else if (x == k || x == canvas.width - 1 - k) {
                    expected = Average(plan.under, Step(plan.step));
                }
            }
            ASSERT_EQ(canvas.At(x, plan.row), expected) << "row " << plan.row << " column " << x;
        }
    }
}

TEST_F(ButtonPaint, GradientWithOneRowBands) {
    const int width = 30;
    const Canvas canvas = PaintGradient(width, 34, Rect{0, 1, width, 34});
    std::vector<GradientRow> rows;
    for (int row = 33; row >= 18; --row) {
        rows.push_back({row, 33 - row, -1, 0});
    }
    for (int row = 17; row >= 12; --row) {
        rows.push_back({row, 24 + (17 - row), 5 - (17 - row), Step(33 - row)});
    }
    for (int row = 11; row >= 0; --row) {
        rows.push_back({row, 30 + (11 - row), -1, 0});
    }
    ExpectGradientRows(canvas, rows);
}

TEST_F(ButtonPaint, GradientWithUnevenBands) {
    const int width = 25;
    const Canvas canvas = PaintGradient(width, 20, Rect{0, 1, width, 20});
    const int pass1[] = {1, 3, 5, 7, 8, 10, 12, 14, 15, 17, 19, 21, 23, 24, 26, 28, 30};
    const int pass2[] = {25, 27, 29, 31, 32, 34, 36, 38, 39, 41, 43};
    std::vector<GradientRow> rows;
    for (int row = 19; row >= 11; --row) {
        rows.push_back({row, pass1[19 - row], -1, 0});
    }
    for (int row = 10; row >= 0; --row) {
        const int inset = row >= 5 ? row - 5 : -1;
        const PackedColor under = row >= 3 ? Step(pass1[19 - row]) : kBackdrop;
        rows.push_back({row, pass2[10 - row], inset, under});
    }
    ExpectGradientRows(canvas, rows);
}

TEST_F(ButtonPaint, GradientStaysWithinItsColumns) {
    const Canvas canvas = PaintGradient(40, 34, Rect{6, 1, 30, 34});
    for (int y = 0; y < canvas.height; ++y) {
        for (int x : {0, 5, 30, 39}) {
            ASSERT_EQ(canvas.At(x, y), kBackdrop) << x << "," << y;
        }
        ASSERT_NE(canvas.At(17, y), kBackdrop) << y;
    }
}

TEST_F(ButtonPaint, GradientUnderTwoRowsPaintsNothing) {
    for (const Rect& rect : {Rect{0, 5, 30, 6}, Rect{0, 5, 30, 5}, Rect{0, 5, 30, 2}}) {
        const Canvas canvas = PaintGradient(30, 12, rect);
        for (std::uint32_t pixel : canvas.pixels) {
            ASSERT_EQ(pixel, kBackdrop) << rect.top << ".." << rect.bottom;
        }
    }
    const Canvas twoRows = PaintGradient(30, 12, Rect{0, 5, 30, 7});
    EXPECT_NE(Differences(twoRows, PaintGradient(30, 12, Rect{0, 5, 30, 6})).size(), 0u);
}

TEST_F(ButtonPaint, ThreeDimensionalFaceFollowsTheState) {
    struct State {
        int check, hover, pressed;
        PackedColor bottom, top;
    };
    const std::vector<State> states = {
        {0, 0, 0, theme.ShadowColor, theme.LightColor},      {0, 0, 1, theme.ShadowColor, theme.LightColor},
        {0, 1, 0, theme.LightColor, theme.ShadowColor},      {0, 1, 1, theme.LightColor, theme.ShadowColor},
        {1, 0, 0, theme.ShadowColor, theme.DarkShadowColor}, {1, 0, 1, theme.ShadowColor, theme.DarkShadowColor},
        {1, 1, 0, theme.DarkShadowColor, theme.ShadowColor}, {1, 1, 1, theme.LightColor, theme.ShadowColor},
    };
    for (const State& state : states) {
        ButtonLook look;
        look.check = state.check;
        look.hover = state.hover;
        look.pressed = state.pressed;
        // 35 rows: the gradient is 33 rows tall, so its bottom row is step 0.
        const Canvas face = painttest::Paint(60, 35, kBackdrop, [&](DrawingSurface& surface) {
            DrawBackground(surface, Rect{0, 0, 60, 35}, look);
        });
        const Canvas expected = painttest::Paint(60, 35, kBackdrop, [&](DrawingSurface& surface) {
            DrawGradient(surface, Rect{1, 1, 59, 34}, LightenColor(state.bottom, 0.05), LightenColor(state.top, 0.05));
        });
        EXPECT_TRUE(Differences(face, expected).empty())
            << "check " << state.check << " hover " << state.hover << " pressed " << state.pressed;
        EXPECT_EQ(face.At(30, 33), LightenColor(state.bottom, 0.05));
    }
}

TEST_F(ButtonPaint, FlatFaceDarkensWhenActiveAndCheckDisagree) {
    const PackedColor darker = LightenColor(theme.FaceColor, -0.07);
    struct State {
        int check, hover, pressed;
        PackedColor face;
    };
    const State states[] = {
        {0, 0, 0, theme.FaceColor}, {0, 1, 0, darker},          {0, 0, 1, darker},
        {1, 0, 0, darker},          {1, 1, 0, theme.FaceColor}, {1, 1, 1, theme.FaceColor},
    };
    for (const State& state : states) {
        ButtonLook look;
        look.flat = 1;
        look.check = state.check;
        look.hover = state.hover;
        look.pressed = state.pressed;
        const Canvas face = painttest::Paint(40, 20, kBackdrop, [&](DrawingSurface& surface) {
            DrawBackground(surface, Rect{0, 0, 40, 20}, look);
        });
        for (std::uint32_t pixel : face.pixels) {
            ASSERT_EQ(pixel, state.face) << "check " << state.check << " hover " << state.hover;
        }
    }
}

TEST_F(ButtonPaint, RoundFrameCutsItsCorners) {
    const PackedColor frame = PackRgb(200, 10, 10);
    const Rect r{2, 1, 18, 9};
    const Canvas canvas =
        painttest::Paint(20, 11, kBackdrop, [&](DrawingSurface& surface) { DrawRoundFrame(surface, r, frame); });
    const std::set<Pixel> corners = {{2, 1}, {17, 1}, {2, 8}, {17, 8}};
    const std::set<Pixel> inner = {{3, 2}, {16, 2}, {3, 7}, {16, 7}};
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            const bool ring = inside && (x == r.left || x == r.right - 1 || y == r.top || y == r.bottom - 1);
            PackedColor expected = kBackdrop;
            if (corners.count({x, y})) {
                expected = theme.FaceColor;
            } else if (ring || inner.count({x, y})) {
                expected = frame;
            }
            ASSERT_EQ(canvas.At(x, y), expected) << x << "," << y;
        }
    }
}

TEST_F(ButtonPaint, ButtonFrameColourDependsOnTheLook) {
    for (int flat : {0, 1}) {
        ButtonLook look;
        look.flat = flat;
        const Canvas canvas = PaintButton(look, 50, 20);
        const PackedColor frame = flat ? theme.DarkShadowColor : theme.HighlightColor;
        for (const Pixel& p : std::vector<Pixel>{{0, 0}, {49, 0}, {0, 19}, {49, 19}}) {
            EXPECT_EQ(canvas.At(p.first, p.second), theme.FaceColor) << flat;
        }
        for (const Pixel& p :
             std::vector<Pixel>{{1, 1}, {48, 1}, {1, 18}, {48, 18}, {25, 0}, {0, 10}, {49, 10}, {25, 19}}) {
            EXPECT_EQ(canvas.At(p.first, p.second), frame) << flat << " " << p.first << "," << p.second;
        }
    }
}

// Image pixels: a distinct colour per position, magenta corners.
std::vector<std::uint32_t> ImagePixels(int width, int height) {
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool corner = (x < 2 || x >= width - 2) && (y < 2 || y >= height - 2);
            pixels.push_back(corner ? kMagenta
                                    : PackRgb(static_cast<unsigned>(x * 2), static_cast<unsigned>(100 + y * 3), 60));
        }
    }
    return pixels;
}

struct ImageCase {
    const char* name;
    std::string label;
    int align;
    unsigned menu;
    int imageWidth;
    int imageHeight;
    int x;
    int y;
};

class ButtonImage : public ButtonPaint, public ::testing::WithParamInterface<ImageCase> {};

// Compared with the same button whose image is all transparent, only the
// image's own pixels inside the frame differ, at the expected place.
TEST_P(ButtonImage, IsPlacedByTheRules) {
    const ImageCase& c = GetParam();
    const int width = 80;
    const int height = 24;
    const std::vector<std::uint32_t> pixels = ImagePixels(c.imageWidth, c.imageHeight);
    painttest::TestImage image(c.imageWidth, c.imageHeight, pixels);
    painttest::TestImage clear(c.imageWidth, c.imageHeight, std::vector<std::uint32_t>(pixels.size(), kMagenta));

    ButtonLook look;
    look.label = c.label;
    look.imageAlign = c.align;
    look.menuId = c.menu;
    look.imageWidth = c.imageWidth;
    look.imageHeight = c.imageHeight;
    look.image = image.Handle();
    const Canvas drawn = PaintButton(look, width, height);
    look.image = clear.Handle();
    const Canvas reference = PaintButton(look, width, height);
    // The label is drawn over the image; its pixels are those a label-less
    // button with the invisible image lacks.
    look.label.clear();
    const std::set<Pixel> text = Differences(reference, PaintButton(look, width, height));

    const std::set<Pixel> frameInside = {{1, 1}, {width - 2, 1}, {1, height - 2}, {width - 2, height - 2}};
    int imagePixelsSeen = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int ix = x - c.x;
            const int iy = y - c.y;
            const bool inFace = x > 0 && x < width - 1 && y > 0 && y < height - 1 && !frameInside.count({x, y});
            const bool onImage = ix >= 0 && iy >= 0 && ix < c.imageWidth && iy < c.imageHeight;
            PackedColor expected = reference.At(x, y);
            const std::uint32_t pixel =
                inFace && onImage ? pixels[static_cast<std::size_t>(iy * c.imageWidth + ix)] : kMagenta;
            if (pixel != kMagenta && text.count({x, y})) {
                // A smoothed label edge blends with the image instead of the face.
                ASSERT_TRUE(IsBlendOf(drawn.At(x, y), {pixel, theme.ButtonTextColor}))
                    << c.name << " label over the image at " << x << "," << y << std::hex << ": " << drawn.At(x, y);
                continue;
            }
            if (pixel != kMagenta) {
                expected = pixel;
                ++imagePixelsSeen;
            }
            ASSERT_EQ(drawn.At(x, y), expected) << c.name << " at " << x << "," << y;
        }
    }
    EXPECT_GT(imagePixelsSeen, 0);
}

INSTANTIATE_TEST_SUITE_P(Placement, ButtonImage,
                         ::testing::Values(ImageCase{"Left", "Go", 0, 0, 16, 12, 5, 6},
                                           ImageCase{"RightOfArrowSpace", "Go", 1, 1020, 16, 12, 49, 6},
                                           ImageCase{"RightWithoutMenu", "Go", 7, 0, 16, 12, 59, 6},
                                           ImageCase{"Centred", "Go", 3, 1020, 16, 12, 32, 6},
                                           ImageCase{"EmptyLabelCentresOnWholeButton", "", 0, 1020, 16, 12, 32, 6},
                                           ImageCase{"TallerThanButtonStartsAtTop", "", 0, 0, 16, 30, 32, 0},
                                           ImageCase{"WiderThanSpaceStartsLeftOfIt", "", 0, 0, 100, 12, -10, 6}),
                         [](const ::testing::TestParamInfo<ImageCase>& info) { return std::string(info.param.name); });

TEST_F(ButtonPaint, DropDownArrowInTheLabelColour) {
    ButtonLook look;
    look.menuId = 1020;
    const Canvas withArrow = PaintButton(look);
    look.menuId = 0;
    const Canvas without = PaintButton(look);
    EXPECT_EQ(Differences(withArrow, without), ArrowPixels(80, 24));
    for (const Pixel& p : ArrowPixels(80, 24)) {
        EXPECT_EQ(withArrow.At(p.first, p.second), theme.ButtonTextColor);
    }

    look.menuId = 1020;
    look.textColor = PackRgb(150, 0, 0);
    const Canvas red = PaintButton(look, 60, 31);
    for (const Pixel& p : ArrowPixels(60, 31)) {
        EXPECT_EQ(red.At(p.first, p.second), PackRgb(150, 0, 0));
    }
}

TEST_F(ButtonPaint, CheckedThreeDimensionalDropDownHasWhiteLabelAndPlainArrow) {
    ButtonLook look;
    look.menuId = 1020;
    look.check = 1;
    look.label = "OK";
    const Canvas labelled = PaintButton(look);
    look.label.clear();
    const Canvas empty = PaintButton(look);

    ExpectLabelColour(labelled, empty, kWhite);
    for (const Pixel& p : ArrowPixels(80, 24)) {
        EXPECT_EQ(labelled.At(p.first, p.second), theme.ButtonTextColor);
    }
}

TEST_F(ButtonPaint, LabelColourByLook) {
    struct Case {
        int flat, check;
        PackedColor own;
        PackedColor expected;
    };
    const Case cases[] = {
        {0, 1, kNoColor, kWhite},
        {0, 1, PackRgb(150, 0, 0), PackRgb(150, 0, 0)},
        {1, 1, kNoColor, theme.ButtonTextColor},
        {0, 0, kNoColor, theme.ButtonTextColor},
        {1, 0, PackRgb(0, 120, 0), PackRgb(0, 120, 0)},
    };
    for (const Case& c : cases) {
        ButtonLook look;
        look.flat = c.flat;
        look.check = c.check;
        look.textColor = c.own;
        look.label = "HI";
        const Canvas labelled = PaintButton(look);
        look.label.clear();
        SCOPED_TRACE(::testing::Message() << "flat " << c.flat << " check " << c.check);
        ExpectLabelColour(labelled, PaintButton(look), c.expected);
    }
}

TEST_F(ButtonPaint, DisabledButtonEmbossesItsLabelAndGreysItsArrow) {
    ButtonLook look;
    look.enabled = false;
    look.menuId = 1020;
    look.label = "HH";
    const Canvas labelled = PaintButton(look);
    look.label.clear();
    const Canvas empty = PaintButton(look);
    look.menuId = 0;
    const Canvas plain = PaintButton(look);

    // The label in the dark shadow colour over its copy in the highlight colour
    // one pixel down and right. Smoothed edges blend the two with the face, so
    // the check is by colour family (darker or lighter than the face) and extent:
    // the dark label holds the top left corner, the light copy the bottom right.
    Extent all;
    Extent dark;
    Extent light;
    for (const Pixel& p : Differences(labelled, empty)) {
        const PackedColor color = labelled.At(p.first, p.second);
        const PackedColor face = empty.At(p.first, p.second);
        ASSERT_TRUE(IsBlendOf(color, {face, theme.DarkShadowColor, theme.HighlightColor}))
            << "label pixel " << p.first << "," << p.second << " has colour " << std::hex << color;
        all.Add(p);
        (GreenOf(color) < GreenOf(face) ? dark : light).Add(p);
    }
    ASSERT_GE(dark.right, 0);
    ASSERT_GE(light.right, 0);
    EXPECT_EQ(dark.left, all.left);
    EXPECT_EQ(dark.top, all.top);
    EXPECT_EQ(light.right, all.right);
    EXPECT_EQ(light.bottom, all.bottom);
    EXPECT_GT(light.left, all.left);
    EXPECT_GT(light.top, all.top);

    const int cy = 12;
    std::set<Pixel> arrow = ArrowPixels(80, 24);
    const std::set<Pixel> edge = {{80 - 9, cy + 1}, {80 - 8, cy}, {80 - 7, cy - 1}};
    std::set<Pixel> expected = arrow;
    expected.insert(edge.begin(), edge.end());
    EXPECT_EQ(Differences(empty, plain), expected);
    for (const Pixel& p : arrow) {
        EXPECT_EQ(empty.At(p.first, p.second), theme.ShadowColor);
    }
    for (const Pixel& p : edge) {
        EXPECT_EQ(empty.At(p.first, p.second), theme.HighlightColor);
    }
}

TEST_F(ButtonPaint, MultiLineLabelSitsInACentredBand) {
    ButtonLook look;
    look.multiline = true;
    look.label = "ABC DEF GHI JKL";
    const int width = 44;
    const int height = 50;
    int bandTop = 0;
    int bandBottom = 0;
    const Canvas labelled = painttest::Paint(width, height, kBackdrop, [&](DrawingSurface& surface) {
        const platform::FontHandle previous = surface.SelectTextFont(theme.NormalFont.Handle());
        Rect measured{1, 1, width - 1, height - 1};
        surface.DrawFormattedText(look.label, measured, platform::kDtCalcRect);
        if (previous != nullptr) {
            surface.SelectTextFont(previous);
        }
        const int lineHeight = measured.bottom - measured.top;
        const int margin = ((height - 2) - 2 * lineHeight) / 2;
        bandTop = 1 + margin - 1;
        bandBottom = height - 1 - margin;
        DrawButton(surface, Rect{0, 0, width, height}, look);
    });
    look.label.clear();
    const std::set<Pixel> text = Differences(labelled, PaintButton(look, width, height));
    ASSERT_FALSE(text.empty());
    int top = height;
    int bottom = 0;
    for (const Pixel& p : text) {
        top = std::min(top, p.second);
        bottom = std::max(bottom, p.second + 1);
    }
    EXPECT_GE(top, bandTop);
    EXPECT_LE(bottom, bandBottom);
    // The label wraps, so it reaches below the first line's height.
    EXPECT_GT(bottom - top, (bandBottom - bandTop) / 2);
}

TEST_F(ButtonPaint, DrawButtonPutsBackTheSurfaceState) {
    const PackedColor before = PackRgb(1, 2, 3);
    painttest::Paint(60, 20, kBackdrop, [&](DrawingSurface& surface) {
        surface.SetTextColor(before);
        surface.SetBackgroundMode(platform::kOpaque);
        const platform::FontHandle original = surface.SelectTextFont(theme.LargeFont.Handle());
        ButtonLook look;
        look.check = 1;
        look.enabled = false;
        look.menuId = 1;
        look.label = "x";
        DrawButton(surface, Rect{0, 0, 60, 20}, look);
        EXPECT_EQ(surface.SetTextColor(before), before);
        EXPECT_EQ(surface.SetBackgroundMode(platform::kOpaque), platform::kOpaque);
        if (theme.LargeFont.Handle() != nullptr) {
            EXPECT_EQ(surface.SelectTextFont(original), theme.LargeFont.Handle());
        }
    });
}

}  // namespace
}  // namespace excalibur
