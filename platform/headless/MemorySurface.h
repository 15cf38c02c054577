#pragma once

#include <vector>

#include "platform/DrawingSurface.h"
#include "platform/headless/HeadlessFont.h"

namespace headless {

// A surface of 32-bit packed colours (COLORREF layout) in memory, for the
// native build. Fills, pixels, one-pixel lines and the small polygons of the
// buttons come out as GDI draws them;
// text is drawn as one solid box per character, enough to place and colour a
// label but not to read it. Fonts are HeadlessFont handles, images MemoryImage.
class MemorySurface final : public platform::DrawingSurface {
public:
    MemorySurface(int width, int height, platform::Color background = 0);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // kInvalidColor off the surface.
    platform::Color Pixel(int x, int y) const;
    const std::vector<platform::Color>& Pixels() const { return m_pixels; }

    void FillRect(const platform::Rect& rect, platform::Color color) override;
    platform::Color GetPixel(int x, int y) override;
    void SetPixel(int x, int y, platform::Color color) override;
    void Polygon(const platform::Point* points, int count, platform::Color pen, platform::Color brush) override;
    void Line(platform::Point from, platform::Point to, platform::Color pen) override;
    int DrawFormattedText(std::string_view text, platform::Rect& rect, unsigned format) override;
    platform::FontHandle SelectTextFont(platform::FontHandle font) override;
    platform::Color SetTextColor(platform::Color color) override;
    int SetBackgroundMode(int mode) override;
    void DrawImage(const void* imageList, int x, int y) override;

private:
    bool Contains(int x, int y) const;
    void FillClipped(platform::Rect rect, const platform::Rect& clip, platform::Color color);
    const HeadlessFont& CurrentFont() const;
    int LineHeight() const;
    int CharWidth() const;

    platform::FontHandle m_font;
    int m_width;
    int m_height;
    std::vector<platform::Color> m_pixels;
    platform::Color m_textColor = 0;
    int m_backgroundMode = platform::kOpaque;
};

}  // namespace headless
