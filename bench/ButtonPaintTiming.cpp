// One paint of the panel's drop-down button through GDI, timed under Wine
// without Google Benchmark: the full WM_PAINT of a real window (off-screen
// context and bitmap, the button, one BitBlt), and the drawing alone.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/win32/ButtonPaint_win.h"
#include "platform/win32/GdiSurface_win.h"
#include "platform/win32/ScopedGdi_win.h"
#include "tests/win32/widgets/LookOwner.h"
#include "widgets/ButtonPainter.h"
#include "widgets/Theme.h"

namespace {

constexpr int kWidth = 80;
constexpr int kHeight = 24;
constexpr int kPaintsPerRound = 500;
constexpr int kRounds = 9;

LookOwner owner;
excalibur::ButtonLook& look = owner.look;

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        platform::PaintButtonWindow(window, owner);
        return 0;
    }
    if (message == WM_ERASEBKGND) {
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

template <typename Work>
void Report(const char* name, Work work) {
    std::vector<double> rounds;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kPaintsPerRound; ++i) {
            work();
        }
        const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
        rounds.push_back(spent.count() / kPaintsPerRound);
    }
    std::sort(rounds.begin(), rounds.end());
    std::printf("%-44s best %8.1f us  median %8.1f us\n", name, rounds.front(), rounds[rounds.size() / 2]);
}

}  // namespace

int main() {
    excalibur::InitTheme();
    look.label = "200 kHz";
    look.menuId = 1020;

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ButtonProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ButtonPaintTiming";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "ButtonPaintTiming", "", WS_POPUP | WS_VISIBLE, 10, 10, kWidth, kHeight, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) {
        std::fprintf(stderr, "cannot create the window\n");
        return 1;
    }
    UpdateWindow(window);

    std::printf("drop-down button %dx%d, %d rounds of %d paints\n", kWidth, kHeight, kRounds, kPaintsPerRound);
    Report("WM_PAINT (PaintButtonWindow)",
           [&] { RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); });

    HDC screen = GetDC(nullptr);
    platform::ScopedMemoryDC memory(screen);
    platform::ScopedBitmap bitmap(CreateCompatibleBitmap(screen, kWidth, kHeight));
    ReleaseDC(nullptr, screen);
    {
        platform::ScopedSelection selection(memory.Get(), bitmap.Get());
        platform::GdiSurface surface(memory.Get());
        Report("DrawButton on a memory DC", [&] {
            excalibur::DrawButton(surface, platform::Rect{0, 0, kWidth, kHeight}, look);
        });
        Report("DrawBackground (gradient) on a memory DC", [&] {
            excalibur::DrawBackground(surface, platform::Rect{0, 0, kWidth, kHeight}, look);
        });
    }
    DestroyWindow(window);
    return 0;
}
