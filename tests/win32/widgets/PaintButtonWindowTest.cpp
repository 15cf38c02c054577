#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/ButtonPaint_win.h"
#include "platform/win32/ScopedGdi_win.h"
#include "tests/unit/widgets/PaintCanvas.h"
#include "tests/win32/widgets/GdiCanvas.h"
#include "tests/win32/widgets/LookOwner.h"
#include "widgets/ButtonPainter.h"
#include "widgets/Theme.h"

namespace {

constexpr COLORREF kParentColor = RGB(0, 200, 0);

struct Probe {
    LookOwner owner;
    int paints = 0;
};

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* probe = reinterpret_cast<Probe*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_PAINT && probe != nullptr) {
        ++probe->paints;
        platform::PaintButtonWindow(window, probe->owner);
        return 0;
    }
    if (message == WM_ERASEBKGND) {
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        platform::ScopedBrush green(CreateSolidBrush(kParentColor));
        RECT client;
        GetClientRect(window, &client);
        FillRect(dc, &client, green.Get());
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The probes are children of one visible window for the whole suite: under
// Wine without a window manager, destroying a top-level window takes seconds.
class PaintButtonWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WNDCLASSA probe{};
        probe.lpfnWndProc = ProbeProc;
        probe.hInstance = GetModuleHandleA(nullptr);
        probe.lpszClassName = "PaintProbe";
        RegisterClassA(&probe);
        WNDCLASSA parent{};
        parent.lpfnWndProc = ParentProc;
        parent.hInstance = GetModuleHandleA(nullptr);
        parent.lpszClassName = "PaintProbeParent";
        RegisterClassA(&parent);
        s_probeHost = CreateWindowExA(0, "PaintProbeParent", "", WS_POPUP | WS_VISIBLE, 20, 20, 300, 120, nullptr,
                                      nullptr, GetModuleHandleA(nullptr), nullptr);
        s_hostError = s_probeHost == nullptr ? GetLastError() : 0;
        excalibur::InitTheme();
    }

    static void TearDownTestSuite() { DestroyWindow(s_probeHost); }

    void SetUp() override { ASSERT_NE(s_probeHost, nullptr) << "CreateWindowExA failed: " << s_hostError; }

    void TearDown() override {
        for (HWND window : m_windows) {
            DestroyWindow(window);
        }
    }

    HWND Create(const char* className, HWND parent, int x, int y, int width, int height, Probe* probe) {
        HWND window = CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE, x, y, width, height, parent, nullptr,
                                      GetModuleHandleA(nullptr), probe);
        if (window == nullptr) {
            ADD_FAILURE() << "CreateWindowExA failed: " << GetLastError();
        } else if (parent == s_probeHost) {
            m_windows.push_back(window);
        }
        return window;
    }

    static inline HWND s_probeHost = nullptr;
    static inline DWORD s_hostError = 0;

    static std::vector<std::uint32_t> WindowPixels(HWND window, int width, int height) {
        HDC dc = GetDC(window);
        platform::ScopedMemoryDC memory(dc);
        platform::ScopedBitmap bitmap(CreateCompatibleBitmap(dc, width, height));
        {
            platform::ScopedSelection selection(memory.Get(), bitmap.Get());
            BitBlt(memory.Get(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
        }
        ReleaseDC(window, dc);
        return gditest::ReadBitmap(memory.Get(), bitmap.Get(), width, height);
    }

    static void Pump() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
    }

    std::vector<HWND> m_windows;
};

TEST_F(PaintButtonWindow, ShowsWhatDrawButtonDraws) {
    Probe probe;
    probe.owner.look.label = "Rate";
    probe.owner.look.menuId = 1020;
    probe.owner.look.check = 1;
    probe.owner.look.hover = 1;
    HWND window = Create("PaintProbe", s_probeHost, 5, 5, 80, 24, &probe);
    ASSERT_NE(window, nullptr);
    UpdateWindow(window);
    Pump();
    ASSERT_GE(probe.paints, 1);

    RECT update;
    EXPECT_FALSE(GetUpdateRect(window, &update, FALSE)) << "the paint validates the window";

    const painttest::Canvas expected = painttest::Paint(80, 24, 0, [&](platform::DrawingSurface& surface) {
        excalibur::DrawButton(surface, platform::Rect{0, 0, 80, 24}, probe.owner.look);
    });
    EXPECT_EQ(WindowPixels(window, 80, 24), expected.pixels);

    // Repainting after a change shows the new state.
    probe.owner.look.check = 0;
    probe.owner.look.label = "";
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const painttest::Canvas changed = painttest::Paint(80, 24, 0, [&](platform::DrawingSurface& surface) {
        excalibur::DrawButton(surface, platform::Rect{0, 0, 80, 24}, probe.owner.look);
    });
    EXPECT_EQ(WindowPixels(window, 80, 24), changed.pixels);
}

// Free GDI handles, counted by creating brushes until the process's table is
// full. GetGuiResources cannot tell: Wine answers 0.
std::size_t FreeGdiHandles() {
    std::vector<HBRUSH> brushes;
    while (brushes.size() < 300000) {
        HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
        if (brush == nullptr) {
            break;
        }
        brushes.push_back(brush);
    }
    for (HBRUSH brush : brushes) {
        DeleteObject(brush);
    }
    return brushes.size();
}

TEST_F(PaintButtonWindow, RepeatedPaintsKeepNoGdiObjects) {
    Probe probe;
    probe.owner.look.menuId = 1;
    probe.owner.look.enabled = false;
    probe.owner.look.label = "x";
    probe.owner.look.imageWidth = 0;
    HWND window = Create("PaintProbe", s_probeHost, 5, 40, 60, 20, &probe);
    ASSERT_NE(window, nullptr);
    UpdateWindow(window);

    const std::size_t before = FreeGdiHandles();
    ASSERT_LT(before, 300000u) << "the table must fill up for the count to mean anything";
    HBRUSH kept = CreateSolidBrush(RGB(9, 9, 9));
    EXPECT_EQ(FreeGdiHandles(), before - 1) << "the count sees one object kept";
    DeleteObject(kept);

    for (int i = 0; i < 300; ++i) {
        probe.owner.look.hover = i & 1;
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    EXPECT_GE(probe.paints, 301);
    EXPECT_EQ(FreeGdiHandles(), before);
}

// A client area too large for an off-screen bitmap: the paint gives up,
// leaves the parent's pixels and still validates the window.
TEST_F(PaintButtonWindow, NothingIsPaintedWithoutAnOffScreenBitmap) {
    for (int size : {40, 30000}) {
        Probe probe;
        HWND parent = Create("PaintProbeParent", s_probeHost, 150, 5, 100, 40, nullptr);
        ASSERT_NE(parent, nullptr);
        HWND child = Create("PaintProbe", parent, 0, 0, size, size, &probe);
        ASSERT_NE(child, nullptr);
        UpdateWindow(parent);
        UpdateWindow(child);
        Pump();
        ASSERT_GE(probe.paints, 1) << size;
        RECT update;
        EXPECT_FALSE(GetUpdateRect(child, &update, FALSE)) << size;
        const std::vector<std::uint32_t> pixels = WindowPixels(parent, 100, 40);
        ASSERT_EQ(pixels.size(), 4000u);
        const std::uint32_t inside = pixels[10 * 100 + 10];
        if (size == 40) {
            EXPECT_NE(inside, kParentColor) << "a button of normal size is painted";
        } else {
            EXPECT_EQ(inside, kParentColor);
        }
    }
}

}  // namespace
