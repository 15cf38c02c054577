#include "platform/PanelWindow.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "platform/ModuleResources.h"

namespace platform {
namespace {

HWND AsHwnd(WindowId window) { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(window)); }

WindowId AsId(HWND window) { return static_cast<WindowId>(reinterpret_cast<UINT_PTR>(window)); }

// Private to the panel's dialog; clear of the dialog messages at WM_USER.
constexpr UINT kPanelRequestMessage = WM_APP + 0x3F0;

DialogEvents* EventsOf(HWND dialog) { return reinterpret_cast<DialogEvents*>(GetWindowLongPtrA(dialog, DWLP_USER)); }

INT_PTR CALLBACK PanelDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* events = reinterpret_cast<DialogEvents*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(events));
        return events->OnInitDialog(AsId(dialog));
    }
    DialogEvents* events = EventsOf(dialog);
    if (events == nullptr) return FALSE;
    switch (message) {
        case WM_COMMAND: events->OnCommand(LOWORD(wParam), HIWORD(wParam)); return TRUE;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code != static_cast<UINT>(UDN_DELTAPOS)) return FALSE;
            const auto* change = reinterpret_cast<const NMUPDOWN*>(lParam);
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT,
                              events->OnSpinDelta(static_cast<int>(header->idFrom), change->iDelta));
            return TRUE;
        }
        case WM_CLOSE: events->OnCloseRequest(); return TRUE;
        case WM_SHOWWINDOW:
            // The default processing first, as the dialog framework does it.
            DefWindowProcA(dialog, message, wParam, lParam);
            events->OnVisibilityChanged(static_cast<int>(wParam), static_cast<int>(lParam));
            return TRUE;
        case kPanelRequestMessage: events->OnPanelRequest(static_cast<int>(wParam)); return TRUE;
        case WM_DESTROY:
            events->OnPanelDestroy();
            SetWindowLongPtrA(dialog, DWLP_USER, 0);
            return FALSE;
        default: return FALSE;
    }
}

}  // namespace

WindowId CreatePanelDialog(int templateId, DialogEvents& events) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    const HWND dialog = CreateDialogParamA(static_cast<HINSTANCE>(OwnModule()), MAKEINTRESOURCEA(templateId), nullptr,
                                           PanelDialogProc, reinterpret_cast<LPARAM>(&events));
    return AsId(dialog);
}

void DestroyPanelWindow(WindowId window) { DestroyWindow(AsHwnd(window)); }

// Gives every child button back the system's button procedure. Unlike
// RemoveWindowSubclass this works from any thread of the process.
BOOL CALLBACK RestoreButtonProcedure(HWND child, LPARAM buttonProcedure) {
    char className[16] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Button") == 0) SetWindowLongPtrA(child, GWLP_WNDPROC, buttonProcedure);
    return TRUE;
}

void AbandonPanelWindow(WindowId window) {
    const HWND dialog = AsHwnd(window);
    SetWindowLongPtrA(dialog, DWLP_USER, 0);
    SetWindowLongPtrA(dialog, DWLP_DLGPROC, 0);
    WNDCLASSEXA buttonClass{};
    buttonClass.cbSize = sizeof buttonClass;
    if (GetClassInfoExA(nullptr, "Button", &buttonClass)) {
        EnumChildWindows(dialog, RestoreButtonProcedure, reinterpret_cast<LPARAM>(buttonClass.lpfnWndProc));
    }
    ShowWindowAsync(dialog, SW_HIDE);
}

bool OwnedByCallingThread(WindowId window) {
    return GetWindowThreadProcessId(AsHwnd(window), nullptr) == GetCurrentThreadId();
}

void PostPanelRequest(WindowId window, int request) {
    PostMessageA(AsHwnd(window), kPanelRequestMessage, static_cast<WPARAM>(request), 0);
}

bool SendPanelRequest(WindowId window, int request, std::chrono::milliseconds timeout) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(AsHwnd(window), kPanelRequestMessage, static_cast<WPARAM>(request), 0, SMTO_NORMAL,
                               static_cast<UINT>(timeout.count()), &result) != 0;
}

void ShowWindowBy(WindowId window, int command) { ShowWindow(AsHwnd(window), command); }

bool IsVisible(WindowId window) { return IsWindowVisible(AsHwnd(window)) != FALSE; }

void BringToForeground(WindowId window) { SetForegroundWindow(AsHwnd(window)); }

Rect ScreenRect(WindowId window) {
    RECT rect{};
    GetWindowRect(AsHwnd(window), &rect);
    return {rect.left, rect.top, rect.right, rect.bottom};
}

void MoveWindowTo(WindowId window, int x, int y, unsigned flags) {
    SetWindowPos(AsHwnd(window), nullptr, x, y, 0, 0, flags);
}

void SetControlText(WindowId dialog, int controlId, const char* text) {
    SetDlgItemTextA(AsHwnd(dialog), controlId, text);
}

int PlatformMajorVersion() { return static_cast<int>(LOBYTE(LOWORD(GetVersion()))); }

void* SetSmallIconFromResource(WindowId window, int iconId) {
    const HICON icon = LoadIconA(static_cast<HINSTANCE>(OwnModule()), MAKEINTRESOURCEA(iconId));
    SendMessageA(AsHwnd(window), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    return icon;
}

void OpenWebAddress(const char* address) { ShellExecuteA(nullptr, nullptr, address, nullptr, nullptr, SW_SHOWNORMAL); }

void ShowModalMessage(const char* text) { MessageBoxA(nullptr, text, nullptr, MB_OK); }

}  // namespace platform
