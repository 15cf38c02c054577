#include "host/WindowCapture.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <utility>

#include "platform/win32/ScopedGdi_win.h"

namespace host {
namespace {

const char* const panelCaption = "Excalibur as Orvanta Panorama";

HWND AsHwnd(platform::WindowId window) { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(window)); }

// GetWindowDC and the ReleaseDC that must follow it.
class ScopedWindowDC {
public:
    explicit ScopedWindowDC(HWND window) : window_(window), dc_(GetWindowDC(window)) {}
    ~ScopedWindowDC() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    ScopedWindowDC(const ScopedWindowDC&) = delete;
    ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;

    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

struct WindowSearch {
    HWND hostWindow;
    HWND byCaption = nullptr;
    HWND firstVisible = nullptr;
};

BOOL CALLBACK ConsiderWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<WindowSearch*>(parameter);
    if (window == search.hostWindow) return TRUE;
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (search.byCaption == nullptr && std::strcmp(caption, panelCaption) == 0) search.byCaption = window;
    if (search.firstVisible == nullptr && IsWindowVisible(window)) search.firstVisible = window;
    return TRUE;
}

// The plug-in's word first; else its caption among this thread's top-level
// windows; else the first visible top-level window that is not the host's.
HWND FindPanel(const PanelCaptureRequest& request) {
    if (request.panel != 0 && IsWindow(AsHwnd(request.panel))) return AsHwnd(request.panel);
    WindowSearch search{AsHwnd(request.hostWindow)};
    EnumThreadWindows(GetCurrentThreadId(), ConsiderWindow, reinterpret_cast<LPARAM>(&search));
    return search.byCaption != nullptr ? search.byCaption : search.firstVisible;
}

// The pointer over the control's centre, as the control itself is told of
// it; null when the panel has no such control.
HWND Hover(HWND panel, int controlId) {
    const HWND control = GetDlgItem(panel, controlId);
    if (control == nullptr) return nullptr;
    RECT client{};
    GetClientRect(control, &client);
    SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(client.right / 2, client.bottom / 2));
    return control;
}

// The pointer gone again, so that the control lets go of the mouse.
void EndHover(HWND control) { SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(-1, -1)); }

// The real pointer moved off the panel, and a control that still follows it
// let go: only the control asked for shows a hover, wherever the pointer was.
void ParkPointerOutside(HWND panel) {
    RECT window{};
    GetWindowRect(panel, &window);
    SetCursorPos(window.right + 16, window.bottom + 16);
    const HWND captured = GetCapture();
    if (captured != nullptr && IsChild(panel, captured)) EndHover(captured);
}

// The whole window, frame included, through a top-down 32-bit DIB section.
// PrintWindow is no use under Wine: it asks for the non-client area alone and
// gets an erased background.
std::optional<RgbImage> ReadWindowPixels(HWND window, int width, int height) {
    if (width <= 0 || height <= 0) return std::nullopt;
    const ScopedWindowDC source(window);
    if (source.Get() == nullptr) return std::nullopt;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const platform::ScopedBitmap bitmap(CreateDIBSection(source.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const platform::ScopedMemoryDC memory(source.Get());
    if (!bitmap || !memory || bits == nullptr) return std::nullopt;
    const platform::ScopedSelection selection(memory.Get(), bitmap.Get());
    if (!selection.Selected()) return std::nullopt;
    if (!BitBlt(memory.Get(), 0, 0, width, height, source.Get(), 0, 0, SRCCOPY)) return std::nullopt;
    GdiFlush();
    return RgbImage::FromBgra(static_cast<const std::uint8_t*>(bits), width, height);
}

// Where a window manager draws the frame and caption (Wine's default on
// X11), nothing backs the window outside its client area and the frame reads
// as one flat colour: then the client area is all the window shows.
std::optional<PanelImage> ReadPanelPixels(HWND panel) {
    RECT window{}, client{};
    GetWindowRect(panel, &window);
    GetClientRect(panel, &client);
    POINT clientOrigin{0, 0};
    ClientToScreen(panel, &clientOrigin);
    std::optional<RgbImage> pixels = ReadWindowPixels(panel, window.right - window.left, window.bottom - window.top);
    if (!pixels) return std::nullopt;
    const int left = clientOrigin.x - window.left, top = clientOrigin.y - window.top;
    RgbImage frame = *pixels;
    frame.FillRect(left, top, left + client.right, top + client.bottom, frame.At(0, 0));
    if (!frame.IsOneColour()) return PanelImage{std::move(*pixels), true};
    return PanelImage{pixels->Cropped(left, top, client.right, client.bottom), false};
}

}  // namespace

bool CanCaptureWindows() { return true; }

std::optional<PanelImage> CapturePanel(const PanelCaptureRequest& request, std::string& error) {
    const HWND panel = FindPanel(request);
    if (panel == nullptr) {
        error = "the plug-in's panel window was not found";
        return std::nullopt;
    }
    if (!IsWindowVisible(panel) || IsIconic(panel)) {
        error = "the plug-in's panel window is not shown";
        return std::nullopt;
    }
    ParkPointerOutside(panel);
    HWND hovered = nullptr;
    if (request.hoverControlId) {
        hovered = Hover(panel, *request.hoverControlId);
        if (hovered == nullptr) {
            error =
                "--hover-button " + std::to_string(*request.hoverControlId) + ": the panel has no control with that id";
            return std::nullopt;
        }
    }
    RedrawWindow(panel, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    std::optional<PanelImage> image = ReadPanelPixels(panel);
    if (hovered != nullptr) EndHover(hovered);
    if (!image) {
        error = "the panel window's pixels could not be read";
        return std::nullopt;
    }
    if (image->pixels.IsOneColour()) {
        error = "the panel window reads as one flat colour; nothing of it was captured";
        return std::nullopt;
    }
    return image;
}

}  // namespace host
