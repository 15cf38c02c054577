#include <windows.h>

#include "platform/WindowTypes.h"

namespace platform {

void PostToWindow(WindowId window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    PostMessageA(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window)), message, wParam, lParam);
}

}  // namespace platform
