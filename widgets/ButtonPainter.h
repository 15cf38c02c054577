#pragma once

#include "platform/DrawingSurface.h"
#include "widgets/ButtonLook.h"
#include "widgets/ColorModel.h"

namespace excalibur {

// The whole button into rect: face, image, frame, label and drop-down arrow,
// from the button's look and the module's Theme.
void DrawButton(platform::DrawingSurface& surface, const platform::Rect& rect, const ButtonLook& look);

// The face: plain on a flat button, the state's gradient on a 3-D one.
void DrawBackground(platform::DrawingSurface& surface, const platform::Rect& rect, const ButtonLook& look);

// Two passes over 44 colour steps from bottom to top; the second restarts
// lighter in the middle with inset, half-blended ends.
void DrawGradient(platform::DrawingSurface& surface, const platform::Rect& rect, PackedColor bottom, PackedColor top);

// One-pixel frame in colour, corners cut to the face colour.
void DrawRoundFrame(platform::DrawingSurface& surface, const platform::Rect& rect, PackedColor color);

}  // namespace excalibur
