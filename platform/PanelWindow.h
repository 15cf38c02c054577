#pragma once

#include <chrono>

#include "platform/WindowTypes.h"

// What the control panel needs of a window system: a modeless dialog from the
// plug-in's template, whose window procedure hands its events to the panel,
// and the few window operations the panel makes.
namespace platform {

class DialogEvents {
public:
    // Runs inside the creation, before it returns; the result is the dialog's.
    virtual int OnInitDialog(WindowId dialog) = 0;
    virtual void OnCommand(int controlId, int notification) = 0;
    // UDN_DELTAPOS of an up-down control; the result goes back to the control.
    virtual int OnSpinDelta(int controlId, int delta) = 0;
    virtual void OnCloseRequest() = 0;
    // Called after the default processing of the shown-or-hidden event.
    virtual void OnVisibilityChanged(int shown, int status) = 0;
    virtual void OnPanelDestroy() = 0;
    // A request that another thread posted with PostPanelRequest, run on the
    // window's own thread.
    virtual void OnPanelRequest(int request) = 0;

protected:
    ~DialogEvents() = default;
};

inline constexpr int kCommandCancel = 2;
inline constexpr int kButtonClicked = 0;

inline constexpr int kShowHide = 0;
inline constexpr int kShowShow = 5;

inline constexpr unsigned kPositionNoSize = 0x0001;
inline constexpr unsigned kPositionNoActivate = 0x0010;
inline constexpr unsigned kPositionShowWindow = 0x0040;
inline constexpr unsigned kPositionHideWindow = 0x0080;

// A modeless dialog from the plug-in's own template, no parent or owner.
// Returns 0 when the window could not be made.
WindowId CreatePanelDialog(int templateId, DialogEvents& events);
void DestroyPanelWindow(WindowId window);
// For unloading where no message may be sent to the window (its thread may
// wait for the loader lock, or be gone): the window is cut off from the
// panel's code without a message and hidden asynchronously.
void AbandonPanelWindow(WindowId window);
bool OwnedByCallingThread(WindowId window);
// Queues a request for the window's own thread, which runs it through
// OnPanelRequest; never waits for that thread.
void PostPanelRequest(WindowId window, int request);
// As SendMessageTimeout: runs the request on the window's own thread and
// returns once it has run, serving what is sent to this thread meanwhile.
// False when that thread did not answer in time; the request may then be
// lost, or still run.
bool SendPanelRequest(WindowId window, int request, std::chrono::milliseconds timeout);

void ShowWindowBy(WindowId window, int command);
bool IsVisible(WindowId window);
void BringToForeground(WindowId window);
Rect ScreenRect(WindowId window);
// Moves without resizing; flags as SetWindowPos takes them, top of the z-order.
void MoveWindowTo(WindowId window, int x, int y, unsigned flags);
void SetControlText(WindowId dialog, int controlId, const char* text);

// The platform's major version (the low byte of GetVersion).
int PlatformMajorVersion();
// Loads an icon from the plug-in's resources and makes it the window's small icon.
void* SetSmallIconFromResource(WindowId window, int iconId);

void OpenWebAddress(const char* address);
// The modal box with an OK button; returns once dismissed.
void ShowModalMessage(const char* text);

}  // namespace platform
