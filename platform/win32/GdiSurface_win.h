#pragma once

#include <windows.h>

#include "platform/DrawingSurface.h"

namespace platform {

// The drawing surface on a device context it does not own. Every pen and
// brush is made for one call and deleted before the call returns; selections
// made by a call are undone by it.
class GdiSurface final : public DrawingSurface {
public:
    explicit GdiSurface(HDC dc) : m_dc(dc) {}

    void FillRect(const Rect& rect, Color color) override;
    Color GetPixel(int x, int y) override;
    void SetPixel(int x, int y, Color color) override;
    void Polygon(const Point* points, int count, Color pen, Color brush) override;
    void Line(Point from, Point to, Color pen) override;
    int DrawFormattedText(std::string_view text, Rect& rect, unsigned format) override;
    FontHandle SelectTextFont(FontHandle font) override;
    Color SetTextColor(Color color) override;
    int SetBackgroundMode(int mode) override;
    void DrawImage(const void* imageList, int x, int y) override;

private:
    HDC m_dc;
};

}  // namespace platform
