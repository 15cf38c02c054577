#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "platform/headless/MemoryImage.h"
#include "platform/headless/MemorySurface.h"
#include "platform/SystemTheme.h"

namespace headless {
namespace {

using platform::Point;
using platform::Rect;
using Pixel = std::pair<int, int>;

constexpr platform::Color kBack = 0x00102030u;
constexpr platform::Color kInk = 0x00C08040u;

std::set<Pixel> Inked(const MemorySurface& surface) {
    std::set<Pixel> pixels;
    for (int y = 0; y < surface.Height(); ++y) {
        for (int x = 0; x < surface.Width(); ++x) {
            if (surface.Pixel(x, y) != kBack) {
                pixels.insert({x, y});
            }
        }
    }
    return pixels;
}

TEST(MemorySurface, FillIsClippedAndEmptyRectanglesPaintNothing) {
    MemorySurface surface(10, 6, kBack);
    surface.FillRect(Rect{8, 4, 14, 9}, kInk);
    EXPECT_EQ(Inked(surface), (std::set<Pixel>{{8, 4}, {9, 4}, {8, 5}, {9, 5}}));
    surface.FillRect(Rect{5, 1, 3, 2}, kInk);
    surface.FillRect(Rect{1, 3, 4, 3}, kInk);
    surface.FillRect(Rect{-5, -5, 0, 10}, kInk);
    EXPECT_EQ(Inked(surface).size(), 4u);
}

TEST(MemorySurface, PixelsOffTheSurface) {
    MemorySurface surface(4, 3, kBack);
    EXPECT_EQ(surface.GetPixel(-1, 0), platform::kInvalidColor);
    EXPECT_EQ(surface.GetPixel(4, 0), platform::kInvalidColor);
    EXPECT_EQ(surface.GetPixel(0, 3), platform::kInvalidColor);
    surface.SetPixel(4, 1, kInk);
    surface.SetPixel(-1, -1, kInk);
    EXPECT_TRUE(Inked(surface).empty());
    surface.SetPixel(3, 2, kInk | 0xFF000000u);
    EXPECT_EQ(surface.GetPixel(3, 2), kInk);
}

TEST(MemorySurface, LinesLeaveOutTheirEndPoint) {
    MemorySurface surface(12, 12, kBack);
    surface.Line(Point{1, 1}, Point{5, 1}, kInk);
    EXPECT_EQ(Inked(surface), (std::set<Pixel>{{1, 1}, {2, 1}, {3, 1}, {4, 1}}));

    MemorySurface diagonal(12, 12, kBack);
    diagonal.Line(Point{3, 6}, Point{6, 3}, kInk);
    EXPECT_EQ(Inked(diagonal), (std::set<Pixel>{{3, 6}, {4, 5}, {5, 4}}));

    MemorySurface upward(12, 12, kBack);
    upward.Line(Point{2, 9}, Point{2, 6}, kInk);
    EXPECT_EQ(Inked(upward), (std::set<Pixel>{{2, 9}, {2, 8}, {2, 7}}));

    MemorySurface point(12, 12, kBack);
    point.Line(Point{2, 2}, Point{2, 2}, kInk);
    EXPECT_TRUE(Inked(point).empty());
}

TEST(MemorySurface, PolygonIsFilledAndOutlined) {
    MemorySurface surface(20, 10, kBack);
    const Point arrow[] = {{3, 2}, {6, 5}, {9, 2}};
    surface.Polygon(arrow, 3, kInk, kInk);
    std::set<Pixel> expected;
    for (int row = 0; row < 4; ++row) {
        for (int x = 3 + row; x <= 9 - row; ++x) {
            expected.insert({x, 2 + row});
        }
    }
    EXPECT_EQ(Inked(surface), expected);

    MemorySurface square(10, 10, kBack);
    const Point corners[] = {{1, 1}, {6, 1}, {6, 5}, {1, 5}};
    const platform::Color fill = 0x00000099u;
    square.Polygon(corners, 4, kInk, fill);
    EXPECT_EQ(square.Pixel(1, 1), kInk);
    EXPECT_EQ(square.Pixel(6, 5), kInk);
    EXPECT_EQ(square.Pixel(3, 3), fill);
    EXPECT_EQ(square.Pixel(7, 3), kBack);
    EXPECT_EQ(Inked(square).size(), 30u);
}

TEST(MemorySurface, ImageKeepsMagentaTransparentAndIsClipped) {
    MemoryImage image{
        3, 2, {kImageTransparentColor, 0x000000AAu, 0x000000BBu, 0x000000CCu, 0x000000DDu, kImageTransparentColor}};
    MemorySurface surface(4, 4, kBack);
    surface.DrawImage(&image, -1, 1);
    EXPECT_EQ(surface.Pixel(0, 1), 0x000000AAu);
    EXPECT_EQ(surface.Pixel(1, 1), 0x000000BBu);
    EXPECT_EQ(surface.Pixel(0, 2), 0x000000DDu);
    EXPECT_EQ(surface.Pixel(1, 2), kBack);
    EXPECT_EQ(Inked(surface).size(), 3u);

    surface.DrawImage(nullptr, 0, 0);
    MemoryImage broken{5, 5, {1, 2, 3}};
    surface.DrawImage(&broken, 0, 0);
    EXPECT_EQ(Inked(surface).size(), 3u);
}

TEST(MemorySurface, FontSelectionAndTextMeasure) {
    MemorySurface surface(100, 40, kBack);
    platform::FontDescription description;
    description.height = -12;
    const platform::FontHandle font = platform::CreateFontFromDescription(description);
    EXPECT_EQ(surface.SelectTextFont(nullptr), nullptr);
    const platform::FontHandle original = surface.SelectTextFont(font);
    ASSERT_NE(original, nullptr);

    Rect measured{10, 5, 90, 35};
    EXPECT_EQ(surface.DrawFormattedText("abcd", measured, platform::kDtCalcRect), 12);
    EXPECT_EQ(measured, (Rect{10, 5, 10 + 4 * 6, 5 + 12}));
    Rect twoLines{0, 0, 100, 40};
    surface.DrawFormattedText("ab\r\nc", twoLines, platform::kDtCalcRect);
    EXPECT_EQ(twoLines, (Rect{0, 0, 12, 24}));
    EXPECT_TRUE(Inked(surface).empty());

    EXPECT_EQ(surface.SelectTextFont(original), font);
    platform::DeleteFontHandle(font);
}

TEST(MemorySurface, TextIsCentredClippedAndColoured) {
    MemorySurface surface(60, 30, kBack);
    surface.SetBackgroundMode(platform::kTransparent);
    surface.SetTextColor(kInk);
    Rect rect{10, 5, 50, 25};
    surface.DrawFormattedText("HI", rect, platform::kDtCenter | platform::kDtVCenter | platform::kDtSingleLine);
    const std::set<Pixel> inked = Inked(surface);
    ASSERT_FALSE(inked.empty());
    int left = 60, right = 0, top = 30, bottom = 0;
    for (const Pixel& p : inked) {
        EXPECT_EQ(surface.Pixel(p.first, p.second), kInk);
        left = std::min(left, p.first);
        right = std::max(right, p.first + 1);
        top = std::min(top, p.second);
        bottom = std::max(bottom, p.second + 1);
    }
    // Centred: as much room on the left as on the right, give or take the glyph gap.
    EXPECT_LE(std::abs((left - 10) - (50 - right)), 1);
    EXPECT_LE(std::abs((top - 5) - (25 - bottom)), 3);

    MemorySurface narrow(60, 30, kBack);
    narrow.SetTextColor(kInk);
    narrow.SetBackgroundMode(platform::kTransparent);
    Rect small{5, 5, 20, 25};
    narrow.DrawFormattedText("a very long label", small, platform::kDtSingleLine | platform::kDtEndEllipsis);
    for (const Pixel& p : Inked(narrow)) {
        EXPECT_GE(p.first, 5);
        EXPECT_LT(p.first, 20);
    }
}

}  // namespace
}  // namespace headless
