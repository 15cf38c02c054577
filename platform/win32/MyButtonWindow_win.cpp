#include "platform/win32/MyButtonWindow_win.h"

#include <commctrl.h>

#include <string>

#include "platform/ModuleResources.h"
#include "platform/win32/ButtonPaint_win.h"

namespace platform {
namespace {

class Win32ButtonWindow final : public ButtonWindow {
public:
    Win32ButtonWindow(HWND window, ButtonEvents& owner, HMODULE resources)
        : m_hWnd(window), m_owner(owner), m_hResources(resources) {
        SetWindowSubclass(m_hWnd, SubclassProc, SubclassId(), reinterpret_cast<DWORD_PTR>(this));
    }

    ~Win32ButtonWindow() override {
        if (m_hWnd) RemoveWindowSubclass(m_hWnd, SubclassProc, SubclassId());
    }

    Win32ButtonWindow(const Win32ButtonWindow&) = delete;
    Win32ButtonWindow& operator=(const Win32ButtonWindow&) = delete;

    bool Exists() const override { return m_hWnd != nullptr && IsWindow(m_hWnd); }

    std::string Text() const override {
        if (!m_hWnd) return {};
        std::string text(static_cast<std::size_t>(GetWindowTextLengthA(m_hWnd)) + 1, '\0');
        const int copied = GetWindowTextA(m_hWnd, text.data(), static_cast<int>(text.size()));
        text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
        return text;
    }

    void SetText(const char* text) override {
        if (m_hWnd) SetWindowTextA(m_hWnd, text);
    }

    bool IsEnabled() const override { return m_hWnd && IsWindowEnabled(m_hWnd); }

    std::uint32_t Style() const override {
        return m_hWnd ? static_cast<std::uint32_t>(GetWindowLongA(m_hWnd, GWL_STYLE)) : 0;
    }

    void ModifyStyle(std::uint32_t remove, std::uint32_t add) override {
        if (!m_hWnd) return;
        const std::uint32_t style = Style();
        const std::uint32_t changed = (style & ~remove) | add;
        if (changed != style) SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(changed));
    }

    Rect ClientRect() const override {
        RECT rect{};
        if (m_hWnd) GetClientRect(m_hWnd, &rect);
        return {rect.left, rect.top, rect.right, rect.bottom};
    }

    Rect ScreenRect() const override {
        RECT rect{};
        if (m_hWnd) GetWindowRect(m_hWnd, &rect);
        return {rect.left, rect.top, rect.right, rect.bottom};
    }

    Point CursorInClient() const override {
        POINT point{};
        GetCursorPos(&point);
        if (m_hWnd) ScreenToClient(m_hWnd, &point);
        return {point.x, point.y};
    }

    std::intptr_t DefaultProcessing() override {
        if (!m_hWnd || !m_current.valid) return 0;
        return DefSubclassProc(m_hWnd, m_current.message, m_current.wParam, m_current.lParam);
    }

    void RepaintNow() override {
        if (m_hWnd) RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }

    void SendCheck(int state) override {
        if (m_hWnd) SendMessageA(m_hWnd, BM_SETCHECK, static_cast<WPARAM>(state), 0);
    }

    bool HasParent() const override { return m_hWnd && GetParent(m_hWnd) != nullptr; }

    void SendClickToParent() override {
        if (!m_hWnd) return;
        if (const HWND parent = GetParent(m_hWnd)) {
            SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(m_hWnd), BN_CLICKED),
                         reinterpret_cast<LPARAM>(m_hWnd));
        }
    }

    void SendRightClickToParent() override {
        if (!m_hWnd) return;
        if (const HWND parent = GetParent(m_hWnd)) {
            SendMessageA(parent, WM_BUTTON_RCLICK, static_cast<WPARAM>(GetDlgCtrlID(m_hWnd)), 0);
        }
    }

    void TakeCapture() override {
        if (m_hWnd) SetCapture(m_hWnd);
    }

    void ReleaseMouseCapture() override { ReleaseCapture(); }

    bool HoldsCapture() const override { return m_hWnd && GetCapture() == m_hWnd; }

    void ShowCursorShape(CursorHandle cursor) override { SetCursor(static_cast<HCURSOR>(cursor)); }

    MenuHandle LoadMenuResource(unsigned menuId) override { return LoadMenuA(m_hResources, MAKEINTRESOURCEA(menuId)); }

    MenuHandle PopupOf(MenuHandle menu) override { return GetSubMenu(static_cast<HMENU>(menu), 0); }

    int MenuItemCount(MenuHandle popup) override { return GetMenuItemCount(static_cast<HMENU>(popup)); }

    void CheckMenuItemAt(MenuHandle popup, int position, bool checked) override {
        CheckMenuItem(static_cast<HMENU>(popup), static_cast<UINT>(position),
                      MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
    }

    int TrackPopup(MenuHandle popup, Point anchor) override {
        if (!m_hWnd) return 0;
        return static_cast<int>(TrackPopupMenu(static_cast<HMENU>(popup), TPM_RETURNCMD, anchor.x, anchor.y, 0,
                                               GetParent(m_hWnd), nullptr));
    }

    void DestroyMenuHandle(MenuHandle menu) override { DestroyMenu(static_cast<HMENU>(menu)); }

    BitmapHandle LoadBitmapResource(unsigned bitmapId) override {
        return LoadImageA(m_hResources, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0,
                          LR_CREATEDIBSECTION | LR_LOADMAP3DCOLORS);
    }

    bool DescribeBitmap(BitmapHandle bitmap, BitmapDescription& description) override {
        BITMAP info{};
        if (GetObjectA(static_cast<HBITMAP>(bitmap), sizeof(info), &info) == 0) return false;
        description = {info.bmWidth, info.bmHeight, info.bmBitsPixel};
        return true;
    }

    void DeleteBitmapHandle(BitmapHandle bitmap) override { DeleteObject(static_cast<HBITMAP>(bitmap)); }

    ImageListHandle CreateImageList(int width, int height, unsigned flags) override {
        return ImageList_Create(width, height, flags, 0, 0);
    }

    bool AddMaskedCopy(ImageListHandle list, BitmapHandle bitmap, std::uint32_t transparent) override {
        const HANDLE copy = CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0);
        if (copy == nullptr) return false;
        const int index = ImageList_AddMasked(static_cast<HIMAGELIST>(list), static_cast<HBITMAP>(copy), transparent);
        DeleteObject(copy);
        return index >= 0;
    }

    void DestroyImageList(ImageListHandle list) override { ImageList_Destroy(static_cast<HIMAGELIST>(list)); }

private:
    struct Message {
        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
        bool valid = false;
    };

    UINT_PTR SubclassId() const { return reinterpret_cast<UINT_PTR>(this); }

    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR self) {
        auto* owner = reinterpret_cast<Win32ButtonWindow*>(self);
        if (owner->m_hWnd != window) return DefSubclassProc(window, message, wParam, lParam);
        return owner->Handle(message, wParam, lParam);
    }

    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) {
        // Handlers nest (a repaint sends WM_PAINT from inside a handler), and
        // each one's default processing is of its own message.
        const Message outer = m_current;
        m_current = {message, wParam, lParam, true};
        LRESULT result = 0;
        switch (message) {
            case WM_PAINT: PaintButtonWindow(m_hWnd, m_owner); break;
            case WM_ERASEBKGND: result = TRUE; break;
            case WM_CREATE: {
                auto* creation = reinterpret_cast<CREATESTRUCTA*>(lParam);
                creation->style = static_cast<LONG>(m_owner.ForceStyle(static_cast<std::uint32_t>(creation->style)));
                result = DefaultProcessing() == -1 ? -1 : 0;
                break;
            }
            case WM_SETCURSOR: result = m_owner.OnSetCursor(); break;
            case WM_RBUTTONDOWN: m_owner.OnRButtonDown(); break;
            case WM_LBUTTONDOWN: m_owner.OnLButtonDown(); break;
            case WM_LBUTTONUP: m_owner.OnLButtonUp(); break;
            case WM_KILLFOCUS: m_owner.OnKillFocus(); break;
            case WM_CAPTURECHANGED: m_owner.OnCaptureChanged(reinterpret_cast<HWND>(lParam) == m_hWnd); break;
            case WM_MOUSEMOVE:
                m_owner.OnMouseMove(static_cast<unsigned>(wParam),
                                    {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
                break;
            case WM_ENABLE: m_owner.OnEnable(); break;
            case WM_NCDESTROY: {
                const HWND window = m_hWnd;
                RemoveWindowSubclass(window, SubclassProc, SubclassId());
                m_hWnd = nullptr;
                result = DefSubclassProc(window, message, wParam, lParam);
                break;
            }
            default: result = DefaultProcessing(); break;
        }
        m_current = outer;
        return result;
    }

    HWND m_hWnd;
    ButtonEvents& m_owner;
    HMODULE m_hResources;
    Message m_current;
};

// The button being created by CreateButtonWindow on this thread.
struct PendingCreation {
    ButtonEvents* owner = nullptr;
    HMODULE resources = nullptr;
    HHOOK hook = nullptr;
};
thread_local PendingCreation pending;

LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    const HHOOK hook = pending.hook;
    if (code == HCBT_CREATEWND && pending.owner != nullptr) {
        // The first window made is the button: bind it before WM_NCCREATE.
        ButtonEvents& owner = *pending.owner;
        pending.owner = nullptr;
        BindButtonWindow(reinterpret_cast<HWND>(wParam), owner, pending.resources);
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

std::unique_ptr<ButtonWindow> SubclassButtonWindow(HWND window, ButtonEvents& owner, HMODULE resources) {
    if (window == nullptr) return nullptr;
    return std::make_unique<Win32ButtonWindow>(window, owner, resources);
}

void BindButtonWindow(HWND window, ButtonEvents& owner, HMODULE resources) {
    owner.Bind(SubclassButtonWindow(window, owner, resources));
}

HWND CreateButtonWindow(ButtonEvents& owner, const char* text, DWORD style, const RECT& rect, HWND parent,
                        int controlId, HMODULE resources) {
    const DWORD forced = owner.ForceStyle(style);
    pending = {&owner, resources, SetWindowsHookExA(WH_CBT, CreationHook, nullptr, GetCurrentThreadId())};
    const HWND window = CreateWindowExA(
        0, "BUTTON", text, forced, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), GetModuleHandleA(nullptr), nullptr);
    if (pending.hook) UnhookWindowsHookEx(pending.hook);
    pending = {};
    if (window != nullptr && !owner.HasWindow()) BindButtonWindow(window, owner, resources);
    return window;
}

std::unique_ptr<ButtonWindow> OpenButtonWindow(WindowId dialog, int controlId, ButtonEvents& owner) {
    const HWND window = GetDlgItem(reinterpret_cast<HWND>(static_cast<UINT_PTR>(dialog)), controlId);
    return SubclassButtonWindow(window, owner, static_cast<HMODULE>(OwnModule()));
}

}  // namespace platform
