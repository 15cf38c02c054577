#include "host/NotificationWindow.h"

#include "platform/headless/HeadlessWindows.h"

namespace host {

struct NotificationWindow::Impl {
    NotificationLog& log;
    HostMessageNumbers numbers;
    std::chrono::steady_clock::time_point created = std::chrono::steady_clock::now();
    platform::WindowId window = 0;
};

NotificationWindow::NotificationWindow(NotificationLog& log, const HostMessageNumbers& numbers)
    : impl_(new Impl{log, numbers}) {
    impl_->window = headless::CreateHostWindow();
}

NotificationWindow::~NotificationWindow() {
    if (impl_->window != 0) headless::DestroyHostWindow(impl_->window);
}

bool NotificationWindow::Valid() const { return impl_->window != 0; }

platform::WindowId NotificationWindow::Id() const { return impl_->window; }

namespace {

void Collect(NotificationWindow::Impl& impl) {
    for (const headless::PostedMessage& posted : headless::TakePostedMessages(impl.window)) {
        if (!impl.numbers.IsOurs(posted.message)) continue;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - impl.created).count();
        impl.log.Add({posted.message, posted.wParam, posted.lParam, seconds});
    }
}

}  // namespace

void NotificationWindow::Pump(std::chrono::milliseconds timeout) {
    if (headless::DispatchPanelRequests() == 0) headless::WaitForPostedMessage(impl_->window, timeout);
    headless::DispatchPanelRequests();
    Collect(*impl_);
}

void NotificationWindow::CollectOwnMessages() { Collect(*impl_); }

// Message 0 is nobody's: Pump takes it and logs nothing.
void NotificationWindow::Wake() {
    if (impl_->window != 0) platform::PostToWindow(impl_->window, 0, 0, 0);
}

}  // namespace host
