#include "platform/win32/GdiSurface_win.h"

#include <commctrl.h>

#include <climits>
#include <vector>

#include "platform/win32/ScopedGdi_win.h"

namespace platform {

namespace {

RECT ToRect(const Rect& rect) { return RECT{rect.left, rect.top, rect.right, rect.bottom}; }

}  // namespace

void GdiSurface::FillRect(const Rect& rect, Color color) {
    if (rect.IsEmpty()) {
        return;
    }
    ScopedBrush brush(CreateSolidBrush(color));
    if (!brush) {
        return;
    }
    const RECT area = ToRect(rect);
    ::FillRect(m_dc, &area, brush.Get());
}

Color GdiSurface::GetPixel(int x, int y) { return ::GetPixel(m_dc, x, y); }

void GdiSurface::SetPixel(int x, int y, Color color) { SetPixelV(m_dc, x, y, color); }

void GdiSurface::Polygon(const Point* points, int count, Color pen, Color brush) {
    if (points == nullptr || count < 2) {
        return;
    }
    ScopedPen gdiPen(CreatePen(PS_SOLID, 1, pen));
    ScopedBrush gdiBrush(CreateSolidBrush(brush));
    if (!gdiPen || !gdiBrush) {
        return;
    }
    std::vector<POINT> vertices(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        vertices[static_cast<std::size_t>(i)] = POINT{points[i].x, points[i].y};
    }
    ScopedSelection penSelection(m_dc, gdiPen.Get());
    ScopedSelection brushSelection(m_dc, gdiBrush.Get());
    ::Polygon(m_dc, vertices.data(), count);
}

void GdiSurface::Line(Point from, Point to, Color pen) {
    ScopedPen gdiPen(CreatePen(PS_SOLID, 1, pen));
    if (!gdiPen) {
        return;
    }
    ScopedSelection penSelection(m_dc, gdiPen.Get());
    POINT previous{};
    MoveToEx(m_dc, from.x, from.y, &previous);
    LineTo(m_dc, to.x, to.y);
    MoveToEx(m_dc, previous.x, previous.y, nullptr);
}

int GdiSurface::DrawFormattedText(std::string_view text, Rect& rect, unsigned format) {
    RECT area = ToRect(rect);
    const int length = text.size() > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(text.size());
    const int height = DrawTextA(m_dc, text.empty() ? "" : text.data(), length, &area, format);
    rect = Rect{area.left, area.top, area.right, area.bottom};
    return height;
}

FontHandle GdiSurface::SelectTextFont(FontHandle font) {
    if (font == nullptr) {
        return nullptr;
    }
    return SelectObject(m_dc, static_cast<HFONT>(font));
}

Color GdiSurface::SetTextColor(Color color) { return ::SetTextColor(m_dc, color); }

int GdiSurface::SetBackgroundMode(int mode) { return SetBkMode(m_dc, mode); }

void GdiSurface::DrawImage(const void* imageList, int x, int y) {
    if (imageList == nullptr) {
        return;
    }
    ImageList_Draw(static_cast<HIMAGELIST>(const_cast<void*>(imageList)), 0, m_dc, x, y, ILD_NORMAL);
}

}  // namespace platform
