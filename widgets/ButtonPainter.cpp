#include "widgets/ButtonPainter.h"

#include "widgets/Theme.h"

namespace excalibur {

using platform::DrawingSurface;
using platform::Point;
using platform::Rect;

namespace {

constexpr int kGradientSteps = 44;
constexpr int kArrowSpace = 10;
constexpr int kImageMargin = 5;
constexpr int kCentredImage = 3;
constexpr PackedColor kWhite = PackRgb(255, 255, 255);
constexpr unsigned kSingleLineLabel = platform::kDtCenter | platform::kDtVCenter | platform::kDtSingleLine |
                                      platform::kDtNoPrefix | platform::kDtEndEllipsis;
constexpr unsigned kMultiLineLabel = platform::kDtCenter | platform::kDtWordBreak | platform::kDtNoPrefix;

PackedColor GradientStep(PackedColor bottom, PackedColor top, int i) {
    const auto mix = [i](unsigned b, unsigned t) {
        return (b * static_cast<unsigned>(kGradientSteps - i) + t * static_cast<unsigned>(i)) /
               static_cast<unsigned>(kGradientSteps);
    };
    return PackRgb(mix(RedOf(bottom), RedOf(top)), mix(GreenOf(bottom), GreenOf(top)),
                   mix(BlueOf(bottom), BlueOf(top)));
}

PackedColor Average(PackedColor a, PackedColor b) {
    return PackRgb((RedOf(a) + RedOf(b)) / 2, (GreenOf(a) + GreenOf(b)) / 2, (BlueOf(a) + BlueOf(b)) / 2);
}

void BlendPixel(DrawingSurface& surface, int x, int y, PackedColor color) {
    surface.SetPixel(x, y, Average(surface.GetPixel(x, y), color));
}

Rect Shrunk(Rect rect, int by) { return Rect{rect.left + by, rect.top + by, rect.right - by, rect.bottom - by}; }

platform::FontHandle LabelFont(const ButtonLook& look) {
    if (look.fontChoice == 2) {
        return theme.LargeFont.Handle();
    }
    if (look.fontChoice == 1) {
        return theme.BoldFont.Handle();
    }
    if (look.flat && (look.check || look.pressed || look.hover)) {
        return theme.BoldFont.Handle();
    }
    return theme.NormalFont.Handle();
}

// Puts back the text colour, background mode and font a paint changed.
class SurfaceStateRestorer {
public:
    explicit SurfaceStateRestorer(DrawingSurface& surface) : m_surface(surface) {}
    ~SurfaceStateRestorer() {
        if (m_hasTextColor) {
            m_surface.SetTextColor(m_textColor);
        }
        if (m_hasBackgroundMode) {
            m_surface.SetBackgroundMode(m_backgroundMode);
        }
        if (m_font != nullptr) {
            m_surface.SelectTextFont(m_font);
        }
    }
    SurfaceStateRestorer(const SurfaceStateRestorer&) = delete;
    SurfaceStateRestorer& operator=(const SurfaceStateRestorer&) = delete;

    void SetBackgroundMode(int mode) {
        const int previous = m_surface.SetBackgroundMode(mode);
        if (!m_hasBackgroundMode) {
            m_backgroundMode = previous;
            m_hasBackgroundMode = true;
        }
    }
    void SelectTextFont(platform::FontHandle font) {
        const platform::FontHandle previous = m_surface.SelectTextFont(font);
        if (m_font == nullptr) {
            m_font = previous;
        }
    }
    void SetTextColor(PackedColor color) {
        const PackedColor previous = m_surface.SetTextColor(color);
        if (!m_hasTextColor) {
            m_textColor = previous;
            m_hasTextColor = true;
        }
    }

private:
    DrawingSurface& m_surface;
    PackedColor m_textColor = 0;
    bool m_hasTextColor = false;
    int m_backgroundMode = 0;
    bool m_hasBackgroundMode = false;
    platform::FontHandle m_font = nullptr;
};

void DrawArrow(DrawingSurface& surface, const Rect& rect, const ButtonLook& look, PackedColor labelColor) {
    const PackedColor color = look.enabled ? labelColor : theme.ShadowColor;
    const int cy = (rect.top + rect.bottom) / 2;
    const Point arrow[3] = {{rect.right - 13, cy - 2}, {rect.right - 10, cy + 1}, {rect.right - 7, cy - 2}};
    surface.Polygon(arrow, 3, color, color);
    if (!look.enabled) {
        surface.Line(Point{rect.right - 9, cy + 1}, Point{rect.right - 6, cy - 2}, theme.HighlightColor);
    }
}

}  // namespace

void DrawGradient(DrawingSurface& surface, const Rect& rect, PackedColor bottom, PackedColor top) {
    const int height = rect.bottom - rect.top - 1;
    const auto rowOf = [&](int n) { return rect.bottom - ((n * height) >> 5); };

    for (int i = 0; i < kGradientSteps; ++i) {
        const int first = rowOf(i + 1);
        const int end = rowOf(i);
        if (first < rect.top + 2) {
            break;
        }
        if (end - first > 0) {
            surface.FillRect(Rect{rect.left, first, rect.right, end}, GradientStep(bottom, top, i));
        }
    }

    int inset = 5;
    for (int i = 24; i < kGradientSteps; ++i) {
        const int n = i - 8;
        const int first = rowOf(n + 1);
        const int end = rowOf(n);
        if (end - first <= 0) {
            continue;
        }
        const PackedColor step = GradientStep(bottom, top, i);
        if (inset >= 0) {
            BlendPixel(surface, rect.left + inset, first, step);
            BlendPixel(surface, rect.right - 1 - inset, first, step);
            surface.FillRect(Rect{rect.left + inset + 1, first, rect.right - inset - 1, end}, step);
            --inset;
        } else {
            surface.FillRect(Rect{rect.left, first, rect.right, end}, step);
        }
    }
}

void DrawRoundFrame(DrawingSurface& surface, const Rect& rect, PackedColor color) {
    surface.FillRect(Rect{rect.left, rect.top, rect.right - 1, rect.top + 1}, color);
    surface.FillRect(Rect{rect.left, rect.top, rect.left + 1, rect.bottom - 1}, color);
    surface.FillRect(Rect{rect.right - 1, rect.top, rect.right, rect.bottom}, color);
    surface.FillRect(Rect{rect.left, rect.bottom - 1, rect.right, rect.bottom}, color);

    surface.SetPixel(rect.left + 1, rect.top + 1, color);
    surface.SetPixel(rect.right - 2, rect.top + 1, color);
    surface.SetPixel(rect.left + 1, rect.bottom - 2, color);
    surface.SetPixel(rect.right - 2, rect.bottom - 2, color);

    surface.SetPixel(rect.left, rect.top, theme.FaceColor);
    surface.SetPixel(rect.right - 1, rect.top, theme.FaceColor);
    surface.SetPixel(rect.left, rect.bottom - 1, theme.FaceColor);
    surface.SetPixel(rect.right - 1, rect.bottom - 1, theme.FaceColor);
}

void DrawBackground(DrawingSurface& surface, const Rect& rect, const ButtonLook& look) {
    if (look.flat) {
        const bool active = look.pressed || look.hover;
        const bool checked = look.check != 0;
        const PackedColor face = active == checked ? theme.FaceColor : LightenColor(theme.FaceColor, -0.07);
        surface.FillRect(rect, face);
        return;
    }

    PackedColor bottom;
    PackedColor top;
    if (!look.check) {
        bottom = look.hover ? theme.LightColor : theme.ShadowColor;
        top = look.hover ? theme.ShadowColor : theme.LightColor;
    } else if (!look.hover) {
        bottom = theme.ShadowColor;
        top = theme.DarkShadowColor;
    } else if (!look.pressed) {
        bottom = theme.DarkShadowColor;
        top = theme.ShadowColor;
    } else {
        bottom = theme.LightColor;
        top = theme.ShadowColor;
    }
    DrawGradient(surface, Shrunk(rect, 1), LightenColor(bottom, 0.05), LightenColor(top, 0.05));
}

void DrawButton(DrawingSurface& surface, const Rect& rect, const ButtonLook& look) {
    SurfaceStateRestorer state(surface);
    state.SetBackgroundMode(platform::kTransparent);

    const std::string& label = look.label;
    const bool hasMenu = look.menuId != 0;
    Rect text = rect;
    Rect image = rect;
    if (hasMenu) {
        text.right -= kArrowSpace;
    }

    int imageX = 0;
    int imageY = 0;
    if (look.imageWidth != 0) {
        const int w = look.imageWidth;
        const int h = look.imageHeight;
        if (!label.empty() && look.imageAlign != kCentredImage) {
            if (look.imageAlign == 0) {
                image.left = rect.left + kImageMargin;
                image.right = image.left + w;
                text.left = rect.left + w + kImageMargin;
            } else {
                image.right = text.right - kImageMargin;
                image.left = image.right - w;
                text.right = image.left;
            }
        }
        const int dx = (image.right - image.left - w) / 2;
        int dy = (rect.bottom - rect.top - h) / 2;
        if (dy < 0) {
            dy = 0;
        }
        imageX = image.left + dx;
        imageY = rect.top + dy;
    }

    state.SelectTextFont(LabelFont(look));

    const PackedColor labelColor = look.textColor == kNoColor ? theme.ButtonTextColor : look.textColor;
    state.SetTextColor(labelColor);

    DrawBackground(surface, rect, look);
    if (look.imageWidth != 0) {
        surface.DrawImage(look.image, imageX, imageY);
    }
    DrawRoundFrame(surface, rect, look.flat ? theme.DarkShadowColor : theme.HighlightColor);

    const bool whiteLabel = look.check && look.textColor == kNoColor && !look.flat;
    surface.SetTextColor(whiteLabel ? kWhite : labelColor);

    text = Shrunk(text, 1);
    if (!look.enabled) {
        Rect embossed{text.left + 1, text.top + 1, text.right + 1, text.bottom + 1};
        surface.SetTextColor(theme.HighlightColor);
        surface.DrawFormattedText(label, embossed, kSingleLineLabel);
        surface.SetTextColor(theme.DarkShadowColor);
    }

    if (look.multiline) {
        Rect measured = text;
        surface.DrawFormattedText(label, measured, platform::kDtCalcRect);
        const int measuredHeight = measured.bottom - measured.top;
        const int margin = ((text.bottom - text.top) - 2 * measuredHeight) / 2;
        text.top = text.top + margin - 1;
        text.bottom = text.bottom - margin;
        surface.DrawFormattedText(label, text, kMultiLineLabel);
    } else {
        surface.DrawFormattedText(label, text, kSingleLineLabel);
    }

    if (hasMenu) {
        DrawArrow(surface, rect, look, labelColor);
    }
}

}  // namespace excalibur
