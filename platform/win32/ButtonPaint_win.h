#pragma once

#include <windows.h>

#include "platform/ButtonWindow.h"

namespace platform {

// WM_PAINT of an owner-drawn button: the owner composes the whole client area
// off screen, copied in with one BitBlt. When the off-screen context or
// bitmap cannot be made, the window keeps its old content.
void PaintButtonWindow(HWND button, const ButtonEvents& owner);

}  // namespace platform
