#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/WindowTypes.h"

// Drives the panel's window as a user and a host would, and reads what they
// would see: real window messages on Windows, the headless window system
// natively. The same panel tests run on both.
namespace paneldriver {

using platform::WindowId;

bool IsVisible(WindowId window);
bool Exists(WindowId window);
std::string ControlText(WindowId dialog, int controlId);
platform::Rect Rect(WindowId window);
WindowId Foreground();

// Whether a three-dimensional button shows its checked look. Windows keeps
// no check state of an owner-drawn button, so there the visible panel's
// pixels tell: a checked face is darker at the top than at the bottom, a
// resting one lighter. Natively the button's window records BM_SETCHECK.
bool ButtonLooksChecked(WindowId dialog, int controlId);
void ClickControl(WindowId dialog, int controlId);      // the click notification as a button sends it
int SpinBy(WindowId dialog, int controlId, int delta);  // UDN_DELTAPOS; the handler's result
void CloseBox(WindowId dialog);                         // WM_CLOSE
void DialogCommand(WindowId dialog, int command);       // IDOK (Enter), IDCANCEL (Escape)
// Where a user drags the window: its top-left corner to (left, top), size kept.
void MoveTo(WindowId window, int left, int top);
// DestroyWindow, on the window's own thread.
void DestroyPanel(WindowId window);
// WM_NULL sent from another thread: returns once the window's thread has served it.
void SendNothing(WindowId window);
// Sent from another thread to a HostWindow: call runs on the window's
// thread, as a host's handler would, and this returns after it.
void SendCall(WindowId hostWindow, void (*call)());

struct Posted {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// A window of the host's that collects what is posted to it.
class HostWindow {
public:
    HostWindow();
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    WindowId Id() const { return id; }
    // What arrived since the last call, after delivering what was queued.
    std::vector<Posted> Take();

private:
    WindowId id = 0;
};

}  // namespace paneldriver
