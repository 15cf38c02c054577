#pragma once

// Template 1000 in pixels, as the headless layer lays it out. The template's
// facts (size, font, controls, menu 1020, bitmap 136) come from
// resources/ExtIO_Excalibur.rc through the header generated from it at build
// time (resources/rc_header.py); only the pixel rules are written here.
#include <string_view>

#include "resources/ExtIO_Excalibur_rc.h"

namespace headless::panel_template {

// Dialog units of "MS Sans Serif" 8: 4 units across are 6 pixels, 8 units
// down 13 pixels (truncated).
static_assert(rc::kDialogFontPoints == 8 && std::string_view(rc::kDialogFontName) == "MS Sans Serif",
              "the pixels of a dialog unit below are those of MS Sans Serif 8");
constexpr int kUnitX = 6, kUnitY = 13;
constexpr int PixelsAcross(int units) { return units * kUnitX / 4; }
constexpr int PixelsDown(int units) { return units * kUnitY / 8; }

// The frame of the captioned dialog around its client area, in pixels. The
// headless panel has always been 244 x 268: its bottom edge counts 6 pixels
// (Windows, under Wine, makes the same template 245 x 266).
constexpr int kFrameLeft = 3, kFrameTop = 22, kFrameRight = 3, kFrameBottom = 6;
constexpr int kPanelWidth = kFrameLeft + PixelsAcross(rc::kDialogWidth) + kFrameRight;
constexpr int kPanelHeight = kFrameTop + PixelsDown(rc::kDialogHeight) + kFrameBottom;

// The template's push button with this id, or null.
constexpr const rc::DialogControl* FindPushButton(int id) {
    for (const rc::DialogControl& control : rc::kDialogControls) {
        if (control.id == id && std::string_view(control.statement) == "PUSHBUTTON") return &control;
    }
    return nullptr;
}

}  // namespace headless::panel_template
