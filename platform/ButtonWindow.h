#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/DrawingSurface.h"
#include "platform/SystemTheme.h"
#include "platform/WindowTypes.h"

namespace platform {

// Opaque handles of the window system: HMENU, HBITMAP and HIMAGELIST on
// Windows, records of the headless window system natively.
using MenuHandle = void*;
using BitmapHandle = void*;
using ImageListHandle = void*;

struct BitmapDescription {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
};

// The window operations a MyButton makes on the one button window it owns.
// Each is one Win32 call (named beside it) on the button's window, its
// parent or the module that holds the plug-in's resources.
class ButtonWindow {
public:
    virtual ~ButtonWindow() = default;

    // False once the window has been destroyed; every operation is then a no-op.
    virtual bool Exists() const = 0;

    virtual std::string Text() const = 0;        // GetWindowTextA
    virtual void SetText(const char* text) = 0;  // SetWindowTextA
    virtual bool IsEnabled() const = 0;          // IsWindowEnabled
    virtual std::uint32_t Style() const = 0;     // GetWindowLong GWL_STYLE
    virtual void ModifyStyle(std::uint32_t remove, std::uint32_t add) = 0;
    virtual Rect ClientRect() const = 0;       // GetClientRect
    virtual Rect ScreenRect() const = 0;       // GetWindowRect
    virtual Point CursorInClient() const = 0;  // GetCursorPos, ScreenToClient

    // The standard push button's processing of the message being handled.
    virtual std::intptr_t DefaultProcessing() = 0;
    // Invalidate and erase everything, paint before returning (RedrawWindow 0x105).
    virtual void RepaintNow() = 0;
    virtual void SendCheck(int state) = 0;  // BM_SETCHECK to itself
    virtual bool HasParent() const = 0;     // GetParent
    // WM_COMMAND (id, BN_CLICKED, own window) to the parent, if any.
    virtual void SendClickToParent() = 0;
    // WM_BUTTON_RCLICK (id, 0) to the parent, if any.
    virtual void SendRightClickToParent() = 0;

    virtual void TakeCapture() = 0;                         // SetCapture
    virtual void ReleaseMouseCapture() = 0;                 // ReleaseCapture
    virtual bool HoldsCapture() const = 0;                  // GetCapture() == own window
    virtual void ShowCursorShape(CursorHandle cursor) = 0;  // SetCursor

    virtual MenuHandle LoadMenuResource(unsigned menuId) = 0;                        // LoadMenuA; null if missing
    virtual MenuHandle PopupOf(MenuHandle menu) = 0;                                 // GetSubMenu(menu, 0)
    virtual int MenuItemCount(MenuHandle popup) = 0;                                 // GetMenuItemCount
    virtual void CheckMenuItemAt(MenuHandle popup, int position, bool checked) = 0;  // CheckMenuItem
    // TrackPopupMenu with TPM_RETURNCMD at the anchor, owned by the parent;
    // the chosen command id, 0 when dismissed.
    virtual int TrackPopup(MenuHandle popup, Point anchor) = 0;
    virtual void DestroyMenuHandle(MenuHandle menu) = 0;  // DestroyMenu

    // LoadImageA IMAGE_BITMAP, natural size, LR_CREATEDIBSECTION | LR_LOADMAP3DCOLORS.
    virtual BitmapHandle LoadBitmapResource(unsigned bitmapId) = 0;
    virtual bool DescribeBitmap(BitmapHandle bitmap, BitmapDescription& description) = 0;  // GetObjectA
    virtual void DeleteBitmapHandle(BitmapHandle bitmap) = 0;                              // DeleteObject
    virtual ImageListHandle CreateImageList(int width, int height, unsigned flags) = 0;    // ImageList_Create
    // CopyImage, ImageList_AddMasked with the transparent colour, delete the copy.
    virtual bool AddMaskedCopy(ImageListHandle list, BitmapHandle bitmap, std::uint32_t transparent) = 0;
    virtual void DestroyImageList(ImageListHandle list) = 0;  // ImageList_Destroy
};

// Sent to the parent on every right-button press: wParam the control id, lParam 0.
inline constexpr std::uint32_t WM_BUTTON_RCLICK = 0x218B;

// The control that owns a button window: the window hands it its messages,
// each inside the window's handling of that message (so DefaultProcessing
// means that message), and asks it to paint.
class ButtonEvents {
public:
    // Takes over the window. For a window it creates, the window system calls
    // this before the window's first message.
    virtual void Bind(std::unique_ptr<ButtonWindow> window) = 0;
    virtual bool HasWindow() const = 0;
    // The style the window is created with.
    virtual std::uint32_t ForceStyle(std::uint32_t style) = 0;

    // Draws the whole client area on the surface (WM_PAINT).
    virtual void OnPaint(DrawingSurface& surface, Rect client) const = 0;
    virtual void OnMouseMove(unsigned keyState, Point point) = 0;
    virtual void OnLButtonDown() = 0;
    virtual void OnLButtonUp() = 0;
    virtual void OnRButtonDown() = 0;
    virtual void OnKillFocus() = 0;
    virtual void OnCaptureChanged(bool toThisWindow) = 0;
    virtual void OnEnable() = 0;
    virtual std::intptr_t OnSetCursor() = 0;

protected:
    ~ButtonEvents() = default;
};

// The dialog's button control controlId as a window of owner: on Windows the
// real control, subclassed so that its messages reach owner; natively a
// headless button of that dialog. Null when the dialog has no such control.
std::unique_ptr<ButtonWindow> OpenButtonWindow(WindowId dialog, int controlId, ButtonEvents& owner);

}  // namespace platform
