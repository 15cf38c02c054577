#pragma once

#include <windows.h>

#include "widgets/ButtonLook.h"

namespace platform {

// WM_PAINT of an owner-drawn button: composes the whole client area off
// screen and copies it in with one BitBlt. When the off-screen context or
// bitmap cannot be made, the window keeps its old content.
void PaintButtonWindow(HWND button, const excalibur::ButtonLook& look);

}  // namespace platform
