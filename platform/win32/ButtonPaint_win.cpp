#include "platform/win32/ButtonPaint_win.h"

#include "platform/win32/GdiSurface_win.h"
#include "platform/win32/ScopedGdi_win.h"

namespace platform {

void PaintButtonWindow(HWND button, const ButtonEvents& owner) {
    ScopedPaint paint(button);
    if (paint.Get() == nullptr) {
        return;
    }
    RECT client{};
    GetClientRect(button, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0) {
        return;
    }

    ScopedMemoryDC memory(paint.Get());
    if (!memory) {
        return;
    }
    ScopedBitmap bitmap(CreateCompatibleBitmap(paint.Get(), width, height));
    if (!bitmap) {
        return;
    }
    ScopedSelection selection(memory.Get(), bitmap.Get());
    if (!selection.Selected()) {
        return;
    }

    GdiSurface surface(memory.Get());
    owner.OnPaint(surface, Rect{client.left, client.top, client.right, client.bottom});
    BitBlt(paint.Get(), client.left, client.top, width, height, memory.Get(), 0, 0, SRCCOPY);
}

}  // namespace platform
