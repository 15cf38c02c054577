#include "host/WindowCapture.h"

#include <windows.h>

#include <cstring>

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
// windows; else the one visible top-level window that is not the host's.
HWND FindPanel(const PanelCaptureRequest& request) {
    if (request.panel != 0 && IsWindow(AsHwnd(request.panel))) return AsHwnd(request.panel);
    WindowSearch search{AsHwnd(request.hostWindow)};
    EnumThreadWindows(GetCurrentThreadId(), ConsiderWindow, reinterpret_cast<LPARAM>(&search));
    return search.byCaption != nullptr ? search.byCaption : search.firstVisible;
}

// The pointer over the control's centre, as the control itself would be told.
bool Hover(HWND panel, int controlId, std::string& error) {
    const HWND control = GetDlgItem(panel, controlId);
    if (control == nullptr) {
        error = "--hover-button " + std::to_string(controlId) + ": the panel has no control with that id";
        return false;
    }
    RECT client{};
    GetClientRect(control, &client);
    SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM((client.right - client.left) / 2, (client.bottom - client.top) / 2));
    return true;
}

enum class CaptureMethod { WindowDc, PrintWindow };

// Reads the whole window, frame included, into a top-down 32-bit DIB section.
std::optional<RgbImage> ReadWindowPixels(HWND window, CaptureMethod method) {
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return std::nullopt;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const ScopedWindowDC windowDc(window);
    if (windowDc.Get() == nullptr) return std::nullopt;
    const platform::ScopedBitmap bitmap(CreateDIBSection(windowDc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const platform::ScopedMemoryDC memoryDc(windowDc.Get());
    if (!bitmap || !memoryDc || bits == nullptr) return std::nullopt;
    const platform::ScopedSelection selection(memoryDc.Get(), bitmap.Get());
    if (!selection.Selected()) return std::nullopt;

    const bool copied = method == CaptureMethod::PrintWindow
                            ? PrintWindow(window, memoryDc.Get(), 0) != FALSE
                            : BitBlt(memoryDc.Get(), 0, 0, width, height, windowDc.Get(), 0, 0, SRCCOPY) != FALSE;
    GdiFlush();
    if (!copied) return std::nullopt;
    return RgbImage::FromBgra(static_cast<const std::uint8_t*>(bits), width, height);
}

}  // namespace

bool CanCaptureWindows() { return true; }

std::optional<RgbImage> CapturePanel(const PanelCaptureRequest& request, std::string& error) {
    const HWND panel = FindPanel(request);
    if (panel == nullptr) {
        error = "the plug-in's panel window was not found";
        return std::nullopt;
    }
    if (!IsWindowVisible(panel) || IsIconic(panel)) {
        error = "the plug-in's panel window is not shown";
        return std::nullopt;
    }
    if (request.hoverControlId && !Hover(panel, *request.hoverControlId, error)) return std::nullopt;
    RedrawWindow(panel, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    { RECT w{}, c{}; GetWindowRect(panel, &w); GetClientRect(panel, &c); POINT o{0,0}; ClientToScreen(panel, &o);
      fprintf(stderr, "DBG window %ld,%ld,%ld,%ld client %ld,%ld origin %ld,%ld style %lx\n", w.left, w.top, w.right, w.bottom, c.right, c.bottom, o.x, o.y, (long)GetWindowLongA(panel, GWL_STYLE)); }

    const char* method = getenv("EXTIO_HOST_CAPTURE");
    std::optional<RgbImage> image = ReadWindowPixels(panel, method && method[0] == 'p' ? CaptureMethod::PrintWindow : CaptureMethod::WindowDc);
    if (!image) error = "the panel window's pixels could not be read";
    return image;
}

}  // namespace host
