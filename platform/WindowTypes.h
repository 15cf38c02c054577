#pragma once

#include <cstdint>

namespace platform {

// A window as the host and the plug-in exchange it: an HWND on i686 Windows,
// a window id of the headless window system natively. 0 is no window.
using WindowId = std::uint32_t;

// Asynchronous delivery of (message, wParam, lParam) to a window; failure is
// ignored by every caller, so there is no result.
void PostToWindow(WindowId window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

// Left, top, right, bottom; the right and bottom edges are outside, as in Win32.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool operator==(const Rect&) const = default;
};

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

}  // namespace platform
