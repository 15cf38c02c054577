#pragma once

#include <windows.h>

#include <memory>

#include "platform/ButtonWindow.h"

namespace platform {

// Subclasses an existing button window: from now on its messages reach
// owner, whose menus and bitmaps come from resources. The subclass ends
// when the returned object is destroyed or the window is.
std::unique_ptr<ButtonWindow> SubclassButtonWindow(HWND window, ButtonEvents& owner, HMODULE resources);

// Subclasses the button window and hands it to owner, which forces its
// style (owner-drawn, never the default button, flat from BS_FLAT).
void BindButtonWindow(HWND window, ButtonEvents& owner, HMODULE resources);

// A new button window that belongs to owner from its first message on, so
// that its WM_CREATE passes through owner as well. Null if it could not be made.
HWND CreateButtonWindow(ButtonEvents& owner, const char* text, DWORD style, const RECT& rect, HWND parent,
                        int controlId, HMODULE resources);

}  // namespace platform
