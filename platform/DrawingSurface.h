#pragma once

#include <cstdint>
#include <string_view>

#include "platform/SystemTheme.h"
#include "platform/WindowTypes.h"

namespace platform {

// Packed colour, COLORREF layout.
using Color = std::uint32_t;

// What GetPixel answers for a point off the surface.
inline constexpr Color kInvalidColor = 0xFFFFFFFFu;

// Background modes and DrawText format flags, with their Win32 values.
inline constexpr int kTransparent = 1;
inline constexpr int kOpaque = 2;

inline constexpr unsigned kDtCenter = 0x1;
inline constexpr unsigned kDtVCenter = 0x4;
inline constexpr unsigned kDtWordBreak = 0x10;
inline constexpr unsigned kDtSingleLine = 0x20;
inline constexpr unsigned kDtCalcRect = 0x400;
inline constexpr unsigned kDtNoPrefix = 0x800;
inline constexpr unsigned kDtEndEllipsis = 0x8000;

// The drawing operations button painting needs. GDI on a device context on
// Windows, a memory pixel surface natively; the same painting code runs on
// both and must give the same pixels (text excepted).
class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    // An empty or inverted rectangle paints nothing.
    virtual void FillRect(const Rect& rect, Color color) = 0;
    virtual Color GetPixel(int x, int y) = 0;
    virtual void SetPixel(int x, int y, Color color) = 0;
    // Filled with the brush colour and outlined with a one-pixel pen.
    virtual void Polygon(const Point* points, int count, Color pen, Color brush) = 0;
    // One-pixel line; the end point is not drawn.
    virtual void Line(Point from, Point to, Color pen) = 0;
    // As DrawText: the height of the text; with kDtCalcRect the text is only
    // measured and rect receives its extent.
    virtual int DrawFormattedText(std::string_view text, Rect& rect, unsigned format) = 0;
    // The previously selected font, or null when nothing was selected (null
    // or unusable font): then the current font stays.
    virtual FontHandle SelectTextFont(FontHandle font) = 0;
    // Both return the previous value.
    virtual Color SetTextColor(Color color) = 0;
    virtual int SetBackgroundMode(int mode) = 0;
    // Image 0 of the platform's image list at (x, y), its transparent pixels
    // left alone. Null draws nothing.
    virtual void DrawImage(const void* imageList, int x, int y) = 0;
};

}  // namespace platform
