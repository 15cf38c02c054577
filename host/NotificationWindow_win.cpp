#include "host/NotificationWindow.h"

#include <windows.h>

namespace host {
namespace {

const char* const windowClassName = "ExtioHostNotificationWindow";

}  // namespace

struct NotificationWindow::Impl {
    NotificationLog& log;
    HostMessageNumbers numbers;
    std::chrono::steady_clock::time_point created = std::chrono::steady_clock::now();
    HWND window = nullptr;

    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<Impl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && self->numbers.IsOurs(message)) {
            self->OnPluginMessage(message, wParam, lParam);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    void OnPluginMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - created).count();
        log.Add({message, wParam, lParam, seconds});
    }
};

NotificationWindow::NotificationWindow(NotificationLog& log, const HostMessageNumbers& numbers)
    : impl_(new Impl{log, numbers}) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &Impl::WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = windowClassName;
    RegisterClassA(&windowClass);  // fails harmlessly when a second window registers it again
    // Top-level and never shown: a parentless window the plug-in can post to.
    impl_->window = CreateWindowExA(0, windowClassName, "extio-host", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                    320, 200, nullptr, nullptr, instance, impl_.get());
}

NotificationWindow::~NotificationWindow() {
    if (impl_->window != nullptr) DestroyWindow(impl_->window);
}

bool NotificationWindow::Valid() const { return impl_->window != nullptr; }

platform::WindowId NotificationWindow::Id() const {
    return static_cast<platform::WindowId>(reinterpret_cast<std::uintptr_t>(impl_->window));
}

void NotificationWindow::Pump(std::chrono::milliseconds timeout) {
    const auto milliseconds = static_cast<DWORD>(timeout.count() < 0 ? 0 : timeout.count());
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void NotificationWindow::Wake() {
    if (impl_->window != nullptr) PostMessageA(impl_->window, WM_NULL, 0, 0);
}

void NotificationWindow::CollectOwnMessages() {
    MSG message;
    while (PeekMessageA(&message, impl_->window, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

}  // namespace host
