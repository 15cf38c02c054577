#include "widgets/MyButton.h"

#include <utility>

#include "widgets/ButtonPainter.h"
#include "widgets/Theme.h"

namespace excalibur {
namespace {

bool Contains(const platform::Rect& rect, platform::Point point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

}  // namespace

unsigned ImageListFlagsForDepth(int bitsPerPixel) {
    switch (bitsPerPixel) {
        case 8: return kIlcColor8 | kIlcMask;
        case 16: return kIlcColor16 | kIlcMask;
        case 24: return kIlcColor24 | kIlcMask;
        case 32: return kIlcColor32 | kIlcMask;
        default: return kIlcColor4 | kIlcMask;
    }
}

MyButton::MyButton() = default;

MyButton::~MyButton() { EmptyImageList(); }

void MyButton::Bind(platform::WindowId dialog, int controlId) {
    Bind(platform::OpenButtonWindow(dialog, controlId, *this));
}

void MyButton::Bind(std::unique_ptr<platform::ButtonWindow> window) {
    m_pWindow = std::move(window);
    if (!m_pWindow) return;
    m_pWindow->ModifyStyle(kBsDefPushButton, kBsOwnerDraw);
    if (m_pWindow->Style() & kBsFlat) m_bFlat = 1;
}

std::uint32_t MyButton::ForceStyle(std::uint32_t style) {
    if (style & kBsFlat) m_bFlat = 1;
    return (style & ~kBsDefPushButton) | kBsOwnerDraw;
}

bool MyButton::HasWindow() const { return WindowExists(); }

bool MyButton::WindowExists() const { return m_pWindow && m_pWindow->Exists(); }

void MyButton::RepaintNow() {
    if (WindowExists()) m_pWindow->RepaintNow();
}

void MyButton::DropOwnCapture() {
    if (m_bCaptured == 1) ReleaseOwnCapture();
}

void MyButton::ReleaseOwnCapture() {
    m_bCaptured = 0;
    if (!m_pWindow) return;
    // The capture change this sends is ours: the step releasing it decides the look.
    m_bReleasingCapture = true;
    m_pWindow->ReleaseMouseCapture();
    m_bReleasingCapture = false;
}

void MyButton::SetCheckState(int state, int redraw) {
    if (state == m_bCheck) return;
    m_bCheck = state;
    if (WindowExists()) m_pWindow->SendCheck(state);
    if (redraw) RepaintNow();
}

void MyButton::SetTextColorAndFont(PackedColor color, int fontChoice, int redraw) {
    m_crText = color;
    m_nFontChoice = fontChoice;
    if (redraw) RepaintNow();
}

void MyButton::SetFontChoice(int fontChoice, int redraw) {
    m_nFontChoice = fontChoice;
    if (redraw) RepaintNow();
}

void MyButton::SetFlat(int flat, int redraw) {
    m_bFlat = flat;
    if (redraw) RepaintNow();
}

void MyButton::SetImage(unsigned bitmapId, int align) {
    m_nImageAlign = align;
    if (bitmapId != 0) {
        if (m_pWindow) {
            const platform::BitmapHandle bitmap = m_pWindow->LoadBitmapResource(bitmapId & 0xFFFFu);
            BuildImageList(bitmap);
            if (bitmap) m_pWindow->DeleteBitmapHandle(bitmap);
        }
    } else {
        EmptyImageList();
        m_nImageHeight = 0;
        m_nImageWidth = 0;
    }
    RepaintNow();
}

void MyButton::EmptyImageList() {
    if (m_ImageList && m_pWindow) m_pWindow->DestroyImageList(m_ImageList);
    m_ImageList = nullptr;
}

void MyButton::BuildImageList(platform::BitmapHandle bitmap) {
    EmptyImageList();
    // A bitmap that did not load has no size to report: no image at all
    // rather than sizes the painting would make room for.
    platform::BitmapDescription description;
    if (bitmap == nullptr || !m_pWindow->DescribeBitmap(bitmap, description) || description.width <= 0 ||
        description.height <= 0) {
        m_nImageWidth = 0;
        m_nImageHeight = 0;
        return;
    }
    m_nImageWidth = description.width;
    m_nImageHeight = description.height;
    m_ImageList = m_pWindow->CreateImageList(description.width, description.height,
                                             ImageListFlagsForDepth(description.bitsPerPixel));
    if (m_ImageList == nullptr || !m_pWindow->AddMaskedCopy(m_ImageList, bitmap, kTransparentImageColor)) {
        EmptyImageList();
        m_nImageWidth = 0;
        m_nImageHeight = 0;
    }
}

void MyButton::SetDropDownMenu(unsigned menuId) { m_nMenuId = menuId; }

void MyButton::SetMenuSelection(int position, const char* label) {
    m_nMenuSelection = position;
    if (label == nullptr) return;
    if (m_pWindow) m_pWindow->SetText(label);
    RepaintNow();
}

void MyButton::OnMouseMove(unsigned keyState, platform::Point point) {
    if (!WindowExists()) return;
    platform::ButtonWindow& window = *m_pWindow;
    bool changed = false;
    if (Contains(window.ClientRect(), point)) {
        if (m_bHover == 0) {
            m_bHover = 1;
            changed = true;
        }
        if ((keyState & kMkLButton) && m_bPressed == 0) {
            m_bPressed = 1;
            changed = true;
        }
        if (m_bCaptured == 0) {
            // The capture is what lets the button see the pointer leave.
            window.TakeCapture();
            m_bCaptured = 1;
            RepaintNow();
            window.DefaultProcessing();
            return;
        }
    } else {
        if (keyState & kMkLButton) {
            if (m_bPressed == 1) {
                m_bPressed = 0;
                changed = true;
            }
        } else if (m_bHover == 1) {
            m_bHover = 0;
            changed = true;
        }
        if (m_bCaptured == 1 && keyState == 0) {
            ReleaseOwnCapture();
            RepaintNow();
            window.DefaultProcessing();
            return;
        }
    }
    if (changed) RepaintNow();
    window.DefaultProcessing();
}

void MyButton::OnLButtonDown() {
    if (!WindowExists()) return;
    if (m_nMenuId != 0) {
        OpenDropDownMenu();
    } else {
        m_pWindow->DefaultProcessing();
        m_pWindow->SendClickToParent();
    }
    RepaintNow();
}

void MyButton::OnLButtonUp() {
    if (!WindowExists()) return;
    m_bHover = 0;
    m_bPressed = 0;
    // The standard push button reports a click on release while it holds the
    // capture it took at the press. The parent has heard of this press
    // already, so that capture goes too, not only the one taken on entry.
    if (m_bCaptured == 1 || m_pWindow->HoldsCapture()) ReleaseOwnCapture();
    m_bCaptured = 0;
    m_pWindow->DefaultProcessing();
    RepaintNow();
}

void MyButton::OnRButtonDown() {
    if (!WindowExists()) return;
    m_pWindow->SendRightClickToParent();
    m_pWindow->DefaultProcessing();
}

void MyButton::OnKillFocus() {
    if (!WindowExists()) return;
    m_pWindow->DefaultProcessing();
    DropOwnCapture();
    m_bHover = 0;
    m_bPressed = 0;
    RepaintNow();
}

void MyButton::OnCaptureChanged(bool toThisWindow) {
    if (!WindowExists()) return;
    m_pWindow->DefaultProcessing();
    if (toThisWindow || m_bReleasingCapture) return;
    const bool looked = m_bHover != 0 || m_bPressed != 0;
    m_bCaptured = 0;
    m_bHover = 0;
    m_bPressed = 0;
    if (looked) RepaintNow();
}

void MyButton::OnEnable() {
    if (!WindowExists()) return;
    m_pWindow->DefaultProcessing();
    RepaintNow();
}

std::intptr_t MyButton::OnSetCursor() {
    if (!WindowExists()) return 0;
    if (theme.HandCursor != nullptr && Contains(m_pWindow->ClientRect(), m_pWindow->CursorInClient())) {
        m_pWindow->ShowCursorShape(theme.HandCursor);
        return 1;
    }
    return m_pWindow->DefaultProcessing();
}

void MyButton::OpenDropDownMenu() {
    if (!WindowExists() || m_nMenuId == 0 || m_bMenuOpen != 0 || !m_pWindow->HasParent()) return;
    platform::ButtonWindow& window = *m_pWindow;
    m_bMenuOpen = 1;
    const platform::Rect frame = window.ScreenRect();
    const platform::Point anchor{frame.left, frame.bottom};
    RepaintNow();
    DropOwnCapture();

    const platform::MenuHandle menu = window.LoadMenuResource(m_nMenuId & 0xFFFFu);
    const platform::MenuHandle popup = menu ? window.PopupOf(menu) : nullptr;
    if (popup) {
        if (m_nMenuSelection != -1) {
            const int count = window.MenuItemCount(popup);
            for (int position = 0; position < count; ++position) {
                window.CheckMenuItemAt(popup, position, position == m_nMenuSelection);
            }
        }
        m_nMenuCommand = window.TrackPopup(popup, anchor);
        if (m_nMenuCommand != 0) window.SendClickToParent();
    }

    m_bPressed = 0;
    m_bHover = 0;
    m_bMenuOpen = 0;
    RepaintNow();
    DropOwnCapture();
    if (menu) window.DestroyMenuHandle(menu);
}

void MyButton::OnPaint(platform::DrawingSurface& surface, platform::Rect client) const {
    DrawButton(surface, client, Look());
}

ButtonLook MyButton::Look() const {
    ButtonLook look;
    look.check = m_bCheck;
    look.fontChoice = m_nFontChoice;
    look.menuId = m_nMenuId;
    look.textColor = m_crText;
    look.pressed = m_bPressed;
    look.hover = m_bHover;
    look.imageAlign = m_nImageAlign;
    look.flat = m_bFlat;
    look.image = m_ImageList;
    look.imageWidth = m_nImageWidth;
    look.imageHeight = m_nImageHeight;
    if (WindowExists()) {
        look.label = m_pWindow->Text();
        look.enabled = m_pWindow->IsEnabled();
        look.multiline = (m_pWindow->Style() & kBsMultiline) != 0;
    }
    return look;
}

}  // namespace excalibur
