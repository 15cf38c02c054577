#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ButtonWindow.h"

// The native build's button window: in-memory state that a test or the
// native host reads and scripts. Menus and bitmaps come from a small
// resource table that already holds the plug-in's menu 1020 and bitmap 136,
// read from resources/ExtIO_Excalibur.rc at build time.
namespace headless {

using platform::WindowId;

struct ParentMessage {
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

struct MenuItem {
    unsigned id = 0;
    std::string text;
    bool greyed = false;
    bool checked = false;
};

// Adds or replaces a resource of the table.
void DefineMenu(unsigned menuId, std::vector<MenuItem> popupItems);
void DefineBitmap(unsigned bitmapId, int width, int height, int bitsPerPixel);

// What the next drop-down does: the user dismisses it, or clicks the item at
// a position (a greyed item cannot be chosen, so the menu is then dismissed).
struct MenuAnswer {
    bool choose = false;
    int position = 0;
};

class HeadlessButtonWindow final : public platform::ButtonWindow {
public:
    // A button of the dialog; with dialog 0 it has no parent unless a test
    // gives it one through parentHandler. The owner, if given, hears when
    // the capture leaves this window, as a Win32 window gets WM_CAPTURECHANGED.
    HeadlessButtonWindow(WindowId dialog, int controlId, std::string label, platform::ButtonEvents* owner = nullptr);
    ~HeadlessButtonWindow() override;
    HeadlessButtonWindow(const HeadlessButtonWindow&) = delete;
    HeadlessButtonWindow& operator=(const HeadlessButtonWindow&) = delete;

    // Ends the window: every operation does nothing from now on.
    void Destroy();

    bool Exists() const override;
    std::string Text() const override;
    void SetText(const char* text) override;
    bool IsEnabled() const override;
    std::uint32_t Style() const override;
    void ModifyStyle(std::uint32_t remove, std::uint32_t add) override;
    platform::Rect ClientRect() const override;
    platform::Rect ScreenRect() const override;
    platform::Point CursorInClient() const override;
    std::intptr_t DefaultProcessing() override;
    void RepaintNow() override;
    void SendCheck(int state) override;
    bool HasParent() const override;
    void SendClickToParent() override;
    void SendRightClickToParent() override;
    void TakeCapture() override;
    void ReleaseMouseCapture() override;
    bool HoldsCapture() const override;
    void ShowCursorShape(platform::CursorHandle cursor) override;
    platform::MenuHandle LoadMenuResource(unsigned menuId) override;
    platform::MenuHandle PopupOf(platform::MenuHandle menu) override;
    int MenuItemCount(platform::MenuHandle popup) override;
    void CheckMenuItemAt(platform::MenuHandle popup, int position, bool checked) override;
    int TrackPopup(platform::MenuHandle popup, platform::Point anchor) override;
    void DestroyMenuHandle(platform::MenuHandle menu) override;
    platform::BitmapHandle LoadBitmapResource(unsigned bitmapId) override;
    bool DescribeBitmap(platform::BitmapHandle bitmap, platform::BitmapDescription& description) override;
    void DeleteBitmapHandle(platform::BitmapHandle bitmap) override;
    platform::ImageListHandle CreateImageList(int width, int height, unsigned flags) override;
    bool AddMaskedCopy(platform::ImageListHandle list, platform::BitmapHandle bitmap,
                       std::uint32_t transparent) override;
    void DestroyImageList(platform::ImageListHandle list) override;

    WindowId Dialog() const { return m_dialog; }
    int ControlId() const { return m_controlId; }

    // Scripted by tests and the native host.
    bool enabled = true;
    std::uint32_t style = 0x50010000;  // a push button with a tab stop; a panel's button takes its template's
    platform::Rect screenRect{0, 0, 75, 21};
    platform::Point cursor{-1, -1};  // in client coordinates
    MenuAnswer menuAnswer;
    // Runs inside TrackPopup, while the drop-down would be on screen.
    std::function<void()> whileMenuOpen;
    std::function<void(const ParentMessage&)> parentHandler;

    // Recorded.
    int checkState = 0;  // the last BM_SETCHECK
    int repaints = 0;
    int defaultProcessings = 0;
    platform::CursorHandle shownCursor = nullptr;
    std::vector<ParentMessage> sentToParent;
    std::vector<bool> menuChecksAtOpen;  // check marks of the last drop-down as it opened
    platform::Point menuAnchor;
    unsigned imageListFlags = 0;  // of the last image list made

private:
    // Gives the one capture to the window, or to none, and tells the window
    // that lost it.
    static void MoveCapture(HeadlessButtonWindow* to);

    platform::ButtonEvents* m_pOwner;
    WindowId m_dialog;
    int m_controlId;
    std::string m_label;
    bool m_bAlive = true;
};

// The button window that holds the mouse capture, or null.
const HeadlessButtonWindow* CaptureOwner();

// The button of a headless dialog bound by MyButton::Bind, or null.
HeadlessButtonWindow* FindButtonWindow(WindowId dialog, int controlId);

// Menus and bitmaps loaded and not yet destroyed, for leak checks.
int LiveMenus();
int LiveBitmaps();
int LiveImageLists();

}  // namespace headless
