#include "platform/PanelWindow.h"
#include "platform/headless/HeadlessWindows.h"
#include "platform/headless/MyButtonWindow_headless.h"
#include "tests/support/PanelDriver.h"

namespace paneldriver {

bool IsVisible(WindowId window) { return headless::IsWindowVisible(window); }
bool Exists(WindowId window) { return headless::WindowExists(window); }
std::string ControlText(WindowId dialog, int controlId) { return headless::ControlText(dialog, controlId); }
platform::Rect Rect(WindowId window) { return headless::WindowRectOf(window); }
WindowId Foreground() { return headless::ForegroundWindow(); }
bool ButtonLooksChecked(WindowId dialog, int controlId) {
    const auto* button = headless::FindButtonWindow(dialog, controlId);
    return button != nullptr && button->checkState != 0;
}
void ClickControl(WindowId dialog, int controlId) { headless::SendCommand(dialog, controlId, 0); }

void MoveTo(WindowId window, int left, int top) {
    platform::MoveWindowTo(window, left, top, platform::kPositionNoSize | platform::kPositionNoActivate);
}
void DestroyPanel(WindowId window) { platform::DestroyPanelWindow(window); }
void SendCall(WindowId hostWindow, void (*call)()) { headless::SendToWindow(hostWindow, call); }

void SendNothing(WindowId window) {
    headless::SendToWindow(window, [] {});
}
int SpinBy(WindowId dialog, int controlId, int delta) { return headless::SendSpinDelta(dialog, controlId, delta); }
void CloseBox(WindowId dialog) { headless::SendCloseRequest(dialog); }
void DialogCommand(WindowId dialog, int command) { headless::SendCommand(dialog, command, 0); }

HostWindow::HostWindow() : id(headless::CreateHostWindow()) {}
HostWindow::~HostWindow() { headless::DestroyHostWindow(id); }

std::vector<Posted> HostWindow::Take() {
    std::vector<Posted> posts;
    for (const auto& message : headless::TakePostedMessages(id)) {
        posts.push_back({message.message, message.wParam, message.lParam});
    }
    return posts;
}

}  // namespace paneldriver
