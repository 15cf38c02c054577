#include <windows.h>
#include <commctrl.h>

#include "tests/support/PanelDriver.h"

namespace paneldriver {
namespace {

HWND AsHwnd(WindowId window) { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(window)); }

constexpr char kHostClass[] = "ExcaliburTestHostWindow";
// Below WM_APP, which the host window collects.
constexpr UINT kCallMessage = WM_USER + 77;

}  // namespace

bool IsVisible(WindowId window) { return IsWindowVisible(AsHwnd(window)) != FALSE; }
bool Exists(WindowId window) { return IsWindow(AsHwnd(window)) != FALSE; }

std::string ControlText(WindowId dialog, int controlId) {
    char text[256] = {};
    GetDlgItemTextA(AsHwnd(dialog), controlId, text, sizeof text);
    return text;
}

platform::Rect Rect(WindowId window) {
    RECT rect{};
    GetWindowRect(AsHwnd(window), &rect);
    return {rect.left, rect.top, rect.right, rect.bottom};
}

WindowId Foreground() { return static_cast<WindowId>(reinterpret_cast<UINT_PTR>(GetForegroundWindow())); }

bool ButtonLooksChecked(WindowId dialog, int controlId) {
    const HWND button = GetDlgItem(AsHwnd(dialog), controlId);
    RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT client{};
    GetClientRect(button, &client);
    const HDC dc = GetDC(button);
    const COLORREF top = GetPixel(dc, client.right / 2, 3);
    const COLORREF bottom = GetPixel(dc, client.right / 2, client.bottom - 4);
    ReleaseDC(button, dc);
    const auto brightness = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
    return brightness(top) < brightness(bottom);
}

void ClickControl(WindowId dialog, int controlId) {
    const HWND control = GetDlgItem(AsHwnd(dialog), controlId);
    SendMessageA(AsHwnd(dialog), WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

int SpinBy(WindowId dialog, int controlId, int delta) {
    NMUPDOWN change{};
    change.hdr.hwndFrom = GetDlgItem(AsHwnd(dialog), controlId);
    change.hdr.idFrom = static_cast<UINT_PTR>(controlId);
    change.hdr.code = UDN_DELTAPOS;
    change.iDelta = delta;
    SendMessageA(AsHwnd(dialog), WM_NOTIFY, controlId, reinterpret_cast<LPARAM>(&change));
    return static_cast<int>(GetWindowLongPtrA(AsHwnd(dialog), DWLP_MSGRESULT));
}

void MoveTo(WindowId window, int left, int top) {
    SetWindowPos(AsHwnd(window), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CloseBox(WindowId dialog) { SendMessageA(AsHwnd(dialog), WM_CLOSE, 0, 0); }

void DestroyPanel(WindowId window) { DestroyWindow(AsHwnd(window)); }

void SendNothing(WindowId window) { SendMessageA(AsHwnd(window), WM_NULL, 0, 0); }

void SendCall(WindowId hostWindow, void (*call)()) {
    SendMessageA(AsHwnd(hostWindow), kCallMessage, reinterpret_cast<WPARAM>(call), 0);
}

void DialogCommand(WindowId dialog, int command) {
    SendMessageA(AsHwnd(dialog), WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
}

namespace {

std::vector<Posted>* collecting = nullptr;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // WM_NULL too: a plug-in that posts a message number of 0 is caught.
    if (message == kCallMessage) {
        reinterpret_cast<void (*)()>(wParam)();
        return 0;
    }
    if ((message >= WM_APP || message == WM_NULL) && collecting != nullptr) {
        collecting->push_back({message, wParam, lParam});
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HostWindow::HostWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = HostProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kHostClass;
    RegisterClassA(&windowClass);
    const HWND window = CreateWindowA(kHostClass, "host", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
    id = static_cast<WindowId>(reinterpret_cast<UINT_PTR>(window));
}

HostWindow::~HostWindow() { DestroyWindow(AsHwnd(id)); }

std::vector<Posted> HostWindow::Take() {
    std::vector<Posted> posts;
    collecting = &posts;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    collecting = nullptr;
    return posts;
}

}  // namespace paneldriver
