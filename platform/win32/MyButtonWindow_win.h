#pragma once

#include <windows.h>

#include <memory>

#include "platform/ButtonWindow.h"

namespace platform {

// Subclasses an existing button window: from now on its messages reach
// button, which loads menus and bitmaps from resources. The subclass ends
// when the returned object is destroyed or the window is.
std::unique_ptr<ButtonWindow> SubclassButtonWindow(HWND window, excalibur::MyButton& button, HMODULE resources);

// Subclasses the button window and hands it to button, which forces its
// style (owner-drawn, never the default button, flat from BS_FLAT).
void BindButtonWindow(HWND window, excalibur::MyButton& button, HMODULE resources);

// A new button window that belongs to button from its first message on, so
// that its WM_CREATE passes through button as well. Null if it could not be made.
HWND CreateButtonWindow(excalibur::MyButton& button, const char* text, DWORD style, const RECT& rect, HWND parent,
                        int controlId, HMODULE resources);

}  // namespace platform
