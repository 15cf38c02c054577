#include "platform/headless/MemorySurface.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/headless/HeadlessFont.h"
#include "platform/headless/MemoryImage.h"

namespace headless {

using platform::Color;
using platform::Point;
using platform::Rect;

namespace {

// Stands in for the system font a fresh device context has selected.
HeadlessFont systemFont{platform::FontDescription{16, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "System"}};
constexpr Color kOpaqueTextBackground = 0x00FFFFFFu;

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        if (c == '\n' || c == '\r') {
            lines.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    lines.push_back(current);
    return lines;
}

// Greedy wrapping at spaces; a word wider than the line stays whole.
std::vector<std::string> WrapLine(const std::string& line, int maxChars) {
    std::vector<std::string> wrapped;
    std::string current;
    std::size_t pos = 0;
    while (pos <= line.size()) {
        std::size_t end = line.find(' ', pos);
        if (end == std::string::npos) {
            end = line.size();
        }
        const std::string word = line.substr(pos, end - pos);
        if (current.empty()) {
            current = word;
        } else if (static_cast<int>(current.size() + 1 + word.size()) <= maxChars) {
            current += ' ';
            current += word;
        } else {
            wrapped.push_back(current);
            current = word;
        }
        pos = end + 1;
    }
    wrapped.push_back(current);
    return wrapped;
}

std::string WithEndEllipsis(const std::string& line, int maxChars) {
    if (static_cast<int>(line.size()) <= maxChars) {
        return line;
    }
    const int keep = std::max(0, maxChars - 3);
    return line.substr(0, static_cast<std::size_t>(keep)) + "...";
}

}  // namespace

MemorySurface::MemorySurface(int width, int height, Color background)
    : m_font(&systemFont),
      m_width(std::max(0, width)),
      m_height(std::max(0, height)),
      m_pixels(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), background) {}

bool MemorySurface::Contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }

Color MemorySurface::Pixel(int x, int y) const {
    if (!Contains(x, y)) {
        return platform::kInvalidColor;
    }
    return m_pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x)];
}

Color MemorySurface::GetPixel(int x, int y) { return Pixel(x, y); }

void MemorySurface::SetPixel(int x, int y, Color color) {
    if (Contains(x, y)) {
        m_pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x)] =
            color & 0x00FFFFFFu;
    }
}

void MemorySurface::FillClipped(Rect rect, const Rect& clip, Color color) {
    rect.left = std::max({rect.left, clip.left, 0});
    rect.top = std::max({rect.top, clip.top, 0});
    rect.right = std::min({rect.right, clip.right, m_width});
    rect.bottom = std::min({rect.bottom, clip.bottom, m_height});
    if (rect.IsEmpty()) {
        return;
    }
    color &= 0x00FFFFFFu;
    for (int y = rect.top; y < rect.bottom; ++y) {
        Color* row = &m_pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width)];
        std::fill(row + rect.left, row + rect.right, color);
    }
}

void MemorySurface::FillRect(const Rect& rect, Color color) { FillClipped(rect, Rect{0, 0, m_width, m_height}, color); }

// Bresenham, as GDI draws a one-pixel cosmetic pen.
void MemorySurface::Line(Point from, Point to, Color pen) {
    const int dx = std::abs(to.x - from.x);
    const int dy = std::abs(to.y - from.y);
    const int sx = from.x < to.x ? 1 : -1;
    const int sy = from.y < to.y ? 1 : -1;
    int x = from.x;
    int y = from.y;
    if (dx >= dy) {
        int error = 2 * dy - dx;
        for (int i = 0; i < dx; ++i) {
            SetPixel(x, y, pen);
            if (error > 0) {
                y += sy;
                error -= 2 * dx;
            }
            error += 2 * dy;
            x += sx;
        }
    } else {
        int error = 2 * dx - dy;
        for (int i = 0; i < dy; ++i) {
            SetPixel(x, y, pen);
            if (error > 0) {
                x += sx;
                error -= 2 * dy;
            }
            error += 2 * dx;
            y += sy;
        }
    }
}

// Alternate filling sampled at integer coordinates, right and bottom edges
// excluded, then the closed outline on top.
void MemorySurface::Polygon(const Point* points, int count, Color pen, Color brush) {
    if (points == nullptr || count < 2) {
        return;
    }
    int top = points[0].y;
    int bottom = points[0].y;
    for (int i = 1; i < count; ++i) {
        top = std::min(top, points[i].y);
        bottom = std::max(bottom, points[i].y);
    }
    std::vector<double> crossings;
    for (int y = std::max(top, 0); y < std::min(bottom, m_height); ++y) {
        crossings.clear();
        for (int i = 0; i < count; ++i) {
            const Point a = points[i];
            const Point b = points[(i + 1) % count];
            if (a.y == b.y) {
                continue;
            }
            const Point low = a.y < b.y ? a : b;
            const Point high = a.y < b.y ? b : a;
            if (y < low.y || y >= high.y) {
                continue;
            }
            crossings.push_back(low.x + static_cast<double>(y - low.y) * (high.x - low.x) / (high.y - low.y));
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
            const int left = static_cast<int>(std::ceil(crossings[i]));
            const int right = static_cast<int>(std::ceil(crossings[i + 1]));
            FillRect(Rect{left, y, right, y + 1}, brush);
        }
    }
    for (int i = 0; i < count; ++i) {
        Line(points[i], points[(i + 1) % count], pen);
    }
}

const HeadlessFont& MemorySurface::CurrentFont() const { return *static_cast<const HeadlessFont*>(m_font); }

int MemorySurface::LineHeight() const {
    const int height = std::abs(CurrentFont().description.height);
    return height > 0 ? height : systemFont.description.height;
}

int MemorySurface::CharWidth() const {
    const int width = CurrentFont().description.width;
    return width > 0 ? width : std::max(1, LineHeight() / 2);
}

int MemorySurface::DrawFormattedText(std::string_view text, Rect& rect, unsigned format) {
    const int lineHeight = LineHeight();
    const int charWidth = CharWidth();
    const int maxChars = std::max(0, rect.Width()) / charWidth;

    std::vector<std::string> lines;
    if (format & platform::kDtSingleLine) {
        std::string single;
        for (char c : text) {
            if (c != '\r' && c != '\n') {
                single.push_back(c);
            }
        }
        lines.push_back(single);
    } else {
        for (const std::string& line : SplitLines(text)) {
            if (format & platform::kDtWordBreak) {
                for (std::string& part : WrapLine(line, maxChars)) {
                    lines.push_back(std::move(part));
                }
            } else {
                lines.push_back(line);
            }
        }
    }
    if (text.empty()) {
        lines.clear();
    }

    const int textHeight = static_cast<int>(lines.size()) * lineHeight;
    if (format & platform::kDtCalcRect) {
        std::size_t widest = 0;
        for (const std::string& line : lines) {
            widest = std::max(widest, line.size());
        }
        rect.right = rect.left + static_cast<int>(widest) * charWidth;
        rect.bottom = rect.top + textHeight;
        return textHeight;
    }

    int y = rect.top;
    if ((format & platform::kDtSingleLine) && (format & platform::kDtVCenter)) {
        y = rect.top + (rect.Height() - lineHeight) / 2;
    }
    const int drawnTop = y;
    for (std::string line : lines) {
        if (format & platform::kDtEndEllipsis) {
            line = WithEndEllipsis(line, maxChars);
        }
        const int lineWidth = static_cast<int>(line.size()) * charWidth;
        int x = rect.left;
        if (format & platform::kDtCenter) {
            x = rect.left + (rect.Width() - lineWidth) / 2;
        }
        if (m_backgroundMode == platform::kOpaque) {
            FillClipped(Rect{x, y, x + lineWidth, y + lineHeight}, rect, kOpaqueTextBackground);
        }
        for (char c : line) {
            if (c != ' ') {
                FillClipped(Rect{x, y + lineHeight / 6, x + charWidth - 1, y + lineHeight - 1}, rect, m_textColor);
            }
            x += charWidth;
        }
        y += lineHeight;
    }
    return (format & platform::kDtVCenter) ? drawnTop - rect.top + textHeight : textHeight;
}

platform::FontHandle MemorySurface::SelectTextFont(platform::FontHandle font) {
    if (font == nullptr) {
        return nullptr;
    }
    platform::FontHandle previous = m_font;
    m_font = font;
    return previous;
}

Color MemorySurface::SetTextColor(Color color) {
    const Color previous = m_textColor;
    m_textColor = color & 0x00FFFFFFu;
    return previous;
}

int MemorySurface::SetBackgroundMode(int mode) {
    const int previous = m_backgroundMode;
    m_backgroundMode = mode;
    return previous;
}

void MemorySurface::DrawImage(const void* imageList, int x, int y) {
    const auto* image = static_cast<const MemoryImage*>(imageList);
    if (image == nullptr || image->pixels.size() < static_cast<std::size_t>(image->width) *
                                                       static_cast<std::size_t>(std::max(0, image->height))) {
        return;
    }
    for (int row = 0; row < image->height; ++row) {
        for (int column = 0; column < image->width; ++column) {
            const Color pixel = image->pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(image->width) +
                                              static_cast<std::size_t>(column)] &
                                0x00FFFFFFu;
            if (pixel != kImageTransparentColor) {
                SetPixel(x + column, y + row, pixel);
            }
        }
    }
}

}  // namespace headless
