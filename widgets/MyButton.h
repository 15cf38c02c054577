#pragma once

#include <cstdint>
#include <memory>

#include "platform/ButtonWindow.h"
#include "widgets/ButtonLook.h"
#include "widgets/ColorModel.h"

namespace excalibur {

// Window styles, key states and image-list flags with their Win32 values.
inline constexpr std::uint32_t kBsDefPushButton = 0x1;
inline constexpr std::uint32_t kBsOwnerDraw = 0xB;
inline constexpr std::uint32_t kBsMultiline = 0x2000;
inline constexpr std::uint32_t kBsFlat = 0x8000;
inline constexpr unsigned kMkLButton = 0x1;
inline constexpr unsigned kIlcMask = 0x1;
inline constexpr unsigned kIlcColor4 = 0x4;
inline constexpr unsigned kIlcColor8 = 0x8;
inline constexpr unsigned kIlcColor16 = 0x10;
inline constexpr unsigned kIlcColor24 = 0x18;
inline constexpr unsigned kIlcColor32 = 0x20;

using platform::WM_BUTTON_RCLICK;
inline constexpr std::uint32_t kTransparentImageColor = 0x00FF00FF;  // magenta

// Image-list flags for a bitmap of this colour depth, always with a mask.
unsigned ImageListFlagsForDepth(int bitsPerPixel);

// The panel's owner-drawn push button: pointer tracking with its own mouse
// capture, a check state set from outside, an optional drop-down menu, and
// an image. The window side (real or headless) hands it the messages; it
// answers through the ButtonWindow it owns.
class MyButton final : public platform::ButtonEvents {
public:
    MyButton();
    ~MyButton();
    MyButton(const MyButton&) = delete;
    MyButton& operator=(const MyButton&) = delete;

    // Takes over the dialog's button control controlId.
    void Bind(platform::WindowId dialog, int controlId);
    // Takes over an existing window: owner-drawn from now on, never the
    // default button, flat when its style says so.
    void Bind(std::unique_ptr<platform::ButtonWindow> window) override;
    // The style for a window this button creates itself, with the same rules.
    std::uint32_t ForceStyle(std::uint32_t style) override;
    bool HasWindow() const override;

    void SetCheckState(int state, int redraw);
    void SetTextColorAndFont(PackedColor color, int fontChoice, int redraw);
    void SetFontChoice(int fontChoice, int redraw);
    void SetFlat(int flat, int redraw);
    // 0 removes the image.
    void SetImage(unsigned bitmapId, int align);
    // 0: no drop-down.
    void SetDropDownMenu(unsigned menuId);
    // label may be null: the text stays and nothing is repainted.
    void SetMenuSelection(int position, const char* label);

    // Window messages. Each runs inside the window's handling of the message,
    // so DefaultProcessing means that message.
    void OnPaint(platform::DrawingSurface& surface, platform::Rect client) const override;
    void OnMouseMove(unsigned keyState, platform::Point point) override;
    void OnLButtonDown() override;
    void OnLButtonUp() override;
    void OnRButtonDown() override;
    void OnKillFocus() override;
    // The capture left this window. When the button gave it up itself, the
    // step that did so decides the look. When it was taken away (by another
    // window, or ended by someone else's release or a loss of activation,
    // which name no new owner either), the button no longer sees the pointer
    // leave, so its hover and pressed looks end here.
    void OnCaptureChanged(bool toThisWindow) override;
    void OnEnable() override;
    std::intptr_t OnSetCursor() override;
    void OpenDropDownMenu();

    // What the painting reads.
    ButtonLook Look() const;

    int m_bCheck = 0;
    int m_nFontChoice = 0;
    int m_nMenuSelection = -1;
    unsigned m_nMenuId = 0;
    int m_nMenuCommand = -1;
    PackedColor m_crText = kNoColor;
    int m_bMenuOpen = 0;
    int m_bPressed = 0;
    int m_bHover = 0;
    int m_bCaptured = 0;
    int m_nImageAlign = 0;
    int m_bFlat = 0;
    platform::ImageListHandle m_ImageList = nullptr;
    int m_nImageWidth = 0;
    int m_nImageHeight = 0;

private:
    bool WindowExists() const;
    void RepaintNow();
    void DropOwnCapture();
    void ReleaseOwnCapture();
    void EmptyImageList();
    void BuildImageList(platform::BitmapHandle bitmap);

    std::unique_ptr<platform::ButtonWindow> m_pWindow;
    bool m_bReleasingCapture = false;
};

}  // namespace excalibur
