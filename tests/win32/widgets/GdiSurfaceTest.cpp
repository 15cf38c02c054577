#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/GdiSurface_win.h"
#include "platform/win32/ScopedGdi_win.h"

namespace platform {
namespace {

class GdiSurfaceState : public ::testing::Test {
protected:
    void SetUp() override {
        HDC screen = GetDC(nullptr);
        m_dc = CreateCompatibleDC(screen);
        m_bitmap = CreateCompatibleBitmap(screen, 40, 20);
        ReleaseDC(nullptr, screen);
        ASSERT_NE(m_dc, nullptr);
        ASSERT_NE(m_bitmap, nullptr);
        m_previousBitmap = SelectObject(m_dc, m_bitmap);
    }
    void TearDown() override {
        SelectObject(m_dc, m_previousBitmap);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }

    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previousBitmap = nullptr;
};

TEST_F(GdiSurfaceState, DrawingCallsLeaveTheContextAsTheyFoundIt) {
    const HGDIOBJ pen = GetCurrentObject(m_dc, OBJ_PEN);
    const HGDIOBJ brush = GetCurrentObject(m_dc, OBJ_BRUSH);
    MoveToEx(m_dc, 3, 4, nullptr);

    GdiSurface surface(m_dc);
    const Point triangle[] = {{1, 1}, {6, 6}, {11, 1}};
    surface.Polygon(triangle, 3, RGB(1, 2, 3), RGB(4, 5, 6));
    surface.Line(Point{0, 10}, Point{30, 10}, RGB(7, 8, 9));
    surface.FillRect(Rect{0, 12, 10, 14}, RGB(10, 11, 12));

    EXPECT_EQ(GetCurrentObject(m_dc, OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(m_dc, OBJ_BRUSH), brush);
    POINT position{};
    GetCurrentPositionEx(m_dc, &position);
    EXPECT_EQ(position.x, 3);
    EXPECT_EQ(position.y, 4);

    EXPECT_EQ(surface.GetPixel(29, 10), RGB(7, 8, 9));
    EXPECT_NE(surface.GetPixel(30, 10), RGB(7, 8, 9)) << "the end point is not drawn";
    EXPECT_EQ(surface.GetPixel(9, 13), RGB(10, 11, 12));
    EXPECT_EQ(surface.GetPixel(6, 2), RGB(4, 5, 6));
    EXPECT_EQ(surface.GetPixel(6, 1), RGB(1, 2, 3));
    EXPECT_EQ(surface.GetPixel(-1, 0), kInvalidColor);
}

TEST_F(GdiSurfaceState, InvertedRectanglesPaintNothing) {
    GdiSurface surface(m_dc);
    surface.FillRect(Rect{0, 0, 40, 20}, RGB(50, 50, 50));
    surface.FillRect(Rect{10, 5, 4, 9}, RGB(200, 0, 0));
    surface.FillRect(Rect{10, 9, 14, 5}, RGB(200, 0, 0));
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(surface.GetPixel(x, y), RGB(50, 50, 50)) << x << "," << y;
        }
    }
}

TEST_F(GdiSurfaceState, FontSelectionAnswersWithThePreviousFont) {
    GdiSurface surface(m_dc);
    const HGDIOBJ original = GetCurrentObject(m_dc, OBJ_FONT);
    EXPECT_EQ(surface.SelectTextFont(nullptr), nullptr);
    EXPECT_EQ(GetCurrentObject(m_dc, OBJ_FONT), original);

    LOGFONTA description{};
    description.lfHeight = -12;
    ScopedGdiObject<HFONT> font(CreateFontIndirectA(&description));
    EXPECT_EQ(surface.SelectTextFont(font.Get()), original);
    Rect measured{0, 0, 200, 100};
    EXPECT_GT(surface.DrawFormattedText("Wide label", measured, kDtCalcRect), 0);
    EXPECT_GT(measured.right, 0);
    EXPECT_EQ(surface.SelectTextFont(original), font.Get());
}

TEST(ScopedSelection, PutsBackWhatItReplaced) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    const HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN);
    {
        ScopedPen red(CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
        {
            ScopedSelection selection(dc, red.Get());
            EXPECT_TRUE(selection.Selected());
            EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), red.Get());
        }
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
    }
    ScopedSelection nothing(dc, nullptr);
    EXPECT_FALSE(nothing.Selected());
    DeleteDC(dc);
}

}  // namespace
}  // namespace platform
