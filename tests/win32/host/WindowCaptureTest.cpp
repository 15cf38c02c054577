#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "host/WindowCapture.h"

namespace host {
namespace {

// What a test window paints: its client area split into a left and a right
// colour; a control paints its hover colour while it is told the mouse is on it.
struct Look {
    COLORREF left;
    COLORREF right;
    COLORREF hover = 0;
    bool hovered = false;
    std::vector<POINT> mousePoints = {};
};

LRESULT CALLBACK TestWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    auto* look = reinterpret_cast<Look*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (look != nullptr && message == WM_MOUSEMOVE) {
        const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        RECT client;
        GetClientRect(window, &client);
        look->mousePoints.push_back(point);
        look->hovered = PtInRect(&client, point) != FALSE;
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    }
    if (look != nullptr && message == WM_PAINT) {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        RECT half = client;
        half.right = client.right / 2;
        const HBRUSH left = CreateSolidBrush(look->hovered ? look->hover : look->left);
        FillRect(dc, &half, left);
        DeleteObject(left);
        half.left = half.right;
        half.right = client.right;
        const HBRUSH right = CreateSolidBrush(look->hovered ? look->hover : look->right);
        FillRect(dc, &half, right);
        DeleteObject(right);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcA(window, message, wParam, lParam);
}

const char* TestWindowClass() {
    static const char* const name = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = TestWindowProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "HostCaptureTestWindow";
        RegisterClassA(&windowClass);
        return windowClass.lpszClassName;
    }();
    return name;
}

class TestWindow {
public:
    TestWindow(const char* caption, DWORD style, DWORD exStyle, RECT rect, Look look, HWND parent = nullptr,
               int controlId = 0)
        : look_(look) {
        window_ =
            CreateWindowExA(exStyle, TestWindowClass(), caption, style, rect.left, rect.top, rect.right - rect.left,
                            rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                            GetModuleHandleA(nullptr), &look_);
    }
    ~TestWindow() {
        if (window_ != nullptr) DestroyWindow(window_);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Handle() const { return window_; }
    platform::WindowId Id() const { return static_cast<platform::WindowId>(reinterpret_cast<UINT_PTR>(window_)); }
    const Look& Seen() const { return look_; }
    void Show() const { ShowWindow(window_, SW_SHOWNOACTIVATE); }

private:
    Look look_;
    HWND window_ = nullptr;
};

Rgb AsRgb(COLORREF colour) { return {GetRValue(colour), GetGValue(colour), GetBValue(colour)}; }

constexpr COLORREF red = RGB(220, 30, 40);
constexpr COLORREF blue = RGB(20, 40, 200);
constexpr COLORREF green = RGB(30, 180, 60);
constexpr COLORREF yellow = RGB(250, 220, 10);
constexpr COLORREF grey = RGB(128, 128, 128);

TEST(WindowCapture, ReadsTheFrameTheSystemDrawsAndTheClientAtItsPlace) {
    // A client edge is drawn by the system itself, never by a window manager.
    TestWindow panel("Excalibur as Orvanta Panorama", WS_POPUP, WS_EX_CLIENTEDGE, {60, 60, 180, 140}, {red, blue});
    panel.Show();
    std::string error;
    const std::optional<PanelImage> image = CapturePanel({panel.Id(), 0, {}}, error);
    ASSERT_TRUE(image) << error;
    RECT window, client;
    GetWindowRect(panel.Handle(), &window);
    GetClientRect(panel.Handle(), &client);
    POINT origin{0, 0};
    ClientToScreen(panel.Handle(), &origin);
    const int left = origin.x - window.left, top = origin.y - window.top;
    ASSERT_GT(left, 0) << "the edge is part of the window rectangle";
    EXPECT_TRUE(image->wholeWindow);
    EXPECT_EQ(image->pixels.Width(), window.right - window.left);
    EXPECT_EQ(image->pixels.Height(), window.bottom - window.top);
    EXPECT_EQ(image->pixels.At(left, top), AsRgb(red));
    EXPECT_EQ(image->pixels.At(left + client.right / 2 - 1, top + client.bottom - 1), AsRgb(red));
    EXPECT_EQ(image->pixels.At(left + client.right / 2, top), AsRgb(blue));
    EXPECT_EQ(image->pixels.At(left + client.right - 1, top + client.bottom - 1), AsRgb(blue));
    EXPECT_NE(image->pixels.At(0, 0), AsRgb(red));
}

TEST(WindowCapture, ACaptionedWindowGivesTheWholeWindowOrItsClientArea) {
    TestWindow panel("Excalibur as Orvanta Panorama", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, {300, 60, 460, 200},
                     {green, blue});
    panel.Show();
    std::string error;
    const std::optional<PanelImage> image = CapturePanel({panel.Id(), 0, {}}, error);
    ASSERT_TRUE(image) << error;
    RECT window, client;
    GetWindowRect(panel.Handle(), &window);
    GetClientRect(panel.Handle(), &client);
    POINT origin{0, 0};
    ClientToScreen(panel.Handle(), &origin);
    int left = 0, top = 0;
    if (image->wholeWindow) {
        // The system draws the caption: Windows, or Wine left to draw its own frames.
        EXPECT_EQ(image->pixels.Width(), window.right - window.left);
        EXPECT_EQ(image->pixels.Height(), window.bottom - window.top);
        left = origin.x - window.left;
        top = origin.y - window.top;
    } else {
        // A window manager draws it (Wine's default under X11).
        EXPECT_EQ(image->pixels.Width(), client.right);
        EXPECT_EQ(image->pixels.Height(), client.bottom);
    }
    EXPECT_EQ(image->pixels.At(left, top), AsRgb(green));
    EXPECT_EQ(image->pixels.At(left + client.right - 1, top + client.bottom - 1), AsRgb(blue));
}

TEST(WindowCapture, FindsThePanelByItsCaptionAmongTheThreadsWindows) {
    TestWindow hostWindow("extio-host", WS_POPUP, 0, {40, 300, 140, 360}, {grey, grey});
    TestWindow other("Another plug-in window", WS_POPUP, 0, {160, 300, 260, 360}, {blue, blue});
    TestWindow panel("Excalibur as Orvanta Panorama", WS_POPUP, 0, {280, 300, 380, 360}, {red, green});
    other.Show();
    panel.Show();
    std::string error;
    const std::optional<PanelImage> image = CapturePanel({0, hostWindow.Id(), {}}, error);
    ASSERT_TRUE(image) << error;
    EXPECT_EQ(image->pixels.At(0, 0), AsRgb(red));
    EXPECT_EQ(image->pixels.Width(), 100);
}

TEST(WindowCapture, WithoutTheCaptionTakesAVisibleWindowThatIsNotTheHosts) {
    TestWindow hostWindow("extio-host", WS_POPUP, 0, {40, 400, 140, 460}, {grey, yellow});
    TestWindow hidden("Hidden", WS_POPUP, 0, {160, 400, 260, 460}, {green, green});
    TestWindow panel("Some panel", WS_POPUP, 0, {280, 400, 380, 460}, {blue, red});
    hostWindow.Show();
    panel.Show();
    std::string error;
    const std::optional<PanelImage> image = CapturePanel({0, hostWindow.Id(), {}}, error);
    ASSERT_TRUE(image) << error;
    EXPECT_EQ(image->pixels.At(0, 0), AsRgb(blue));
    EXPECT_EQ(image->pixels.At(99, 59), AsRgb(red));
}

TEST(WindowCapture, AHiddenMissingOrBlankPanelIsAnErrorNotAnImage) {
    std::string error;
    {
        TestWindow hostWindow("extio-host", WS_POPUP, 0, {40, 500, 140, 560}, {grey, grey});
        EXPECT_FALSE(CapturePanel({0, hostWindow.Id(), {}}, error));
        EXPECT_EQ(error, "the plug-in's panel window was not found");
    }
    {
        TestWindow panel("Excalibur as Orvanta Panorama", WS_POPUP, 0, {40, 500, 140, 560}, {red, blue});
        EXPECT_FALSE(CapturePanel({panel.Id(), 0, {}}, error));
        EXPECT_EQ(error, "the plug-in's panel window is not shown");
    }
    {
        TestWindow panel("Excalibur as Orvanta Panorama", WS_POPUP, 0, {40, 500, 140, 560}, {grey, grey});
        panel.Show();
        EXPECT_FALSE(CapturePanel({panel.Id(), 0, {}}, error));
        EXPECT_EQ(error, "the panel window reads as one flat colour; nothing of it was captured");
    }
}

TEST(WindowCapture, HoverTellsTheControlOfTheMouseAtItsCentreBeforeTheCapture) {
    TestWindow panel("Excalibur as Orvanta Panorama", WS_POPUP | WS_CLIPCHILDREN, 0, {500, 300, 640, 400},
                     {grey, blue});
    Look buttonLook{green, green, yellow};
    TestWindow button(nullptr, WS_CHILD | WS_VISIBLE, 0, {10, 20, 51, 41}, buttonLook, panel.Handle(), 1002);
    TestWindow other(nullptr, WS_CHILD | WS_VISIBLE, 0, {80, 20, 120, 40}, buttonLook, panel.Handle(), 1003);
    panel.Show();

    std::string error;
    const std::optional<PanelImage> image = CapturePanel({panel.Id(), 0, 1002}, error);
    ASSERT_TRUE(image) << error;
    const std::vector<POINT>& points = button.Seen().mousePoints;
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].x, 20) << "the centre of a 41 x 21 control";
    EXPECT_EQ(points[0].y, 10);
    EXPECT_FALSE(button.Seen().hovered) << "told the mouse has left once the capture is taken";
    EXPECT_TRUE(other.Seen().mousePoints.empty());
    EXPECT_EQ(image->pixels.At(10, 20), AsRgb(yellow)) << "painted hovered before it was read";
    EXPECT_EQ(image->pixels.At(50, 40), AsRgb(yellow));
    EXPECT_EQ(image->pixels.At(80, 20), AsRgb(green));
    EXPECT_EQ(image->pixels.At(5, 5), AsRgb(grey));

    EXPECT_FALSE(CapturePanel({panel.Id(), 0, 999}, error));
    EXPECT_EQ(error, "--hover-button 999: the panel has no control with that id");
}

}  // namespace
}  // namespace host
