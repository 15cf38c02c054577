#include "platform/PanelWindow.h"

#include "platform/headless/PanelTemplate.h"
#include "platform/headless/WindowSystemState.h"

// The panel's dialog natively: a window record with visibility, a screen
// rectangle and control texts. Events are delivered synchronously on the
// caller's thread, as Windows sends them; the lock is never held while a
// handler runs, so handlers may call back into the window system.
namespace {

using headless::detail::System;
using headless::detail::WindowState;
using platform::WindowId;

// Template 1000 (PanelTemplate.h), centred on a 1280 × 1024 screen.
using headless::panel_template::kPanelHeight;
using headless::panel_template::kPanelWidth;
constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;

platform::DialogEvents* EventsOf(WindowId window) {
    auto& system = System();
    std::lock_guard lock(system.mutex);
    const auto found = system.windows.find(window);
    return found == system.windows.end() ? nullptr : found->second.events;
}

// Changes visibility; true when it really changed.
bool SetVisible(WindowId window, bool visible) {
    auto& system = System();
    std::lock_guard lock(system.mutex);
    const auto found = system.windows.find(window);
    if (found == system.windows.end() || found->second.visible == visible) return false;
    found->second.visible = visible;
    return true;
}

template <typename Action>
void WithWindow(WindowId window, Action action) {
    auto& system = System();
    std::lock_guard lock(system.mutex);
    const auto found = system.windows.find(window);
    if (found != system.windows.end()) action(found->second);
}

}  // namespace

namespace platform {

WindowId CreatePanelDialog(int, DialogEvents& events) {
    auto& system = System();
    WindowId id = 0;
    {
        std::lock_guard lock(system.mutex);
        id = system.nextId++;
        WindowState& state = system.windows[id];
        state.events = &events;
        const int left = (kScreenWidth - kPanelWidth) / 2;
        const int top = (kScreenHeight - kPanelHeight) / 2;
        state.rect = {left, top, left + kPanelWidth, top + kPanelHeight};
    }
    events.OnInitDialog(id);
    return id;
}

void DestroyPanelWindow(WindowId window) {
    // DestroyWindow hides a visible window without a shown-or-hidden event.
    if (DialogEvents* events = EventsOf(window)) {
        SetVisible(window, false);
        events->OnPanelDestroy();
    }
    auto& system = System();
    std::lock_guard lock(system.mutex);
    system.windows.erase(window);
    if (system.foreground == window) system.foreground = 0;
}

void AbandonPanelWindow(WindowId window) {
    auto& system = System();
    std::lock_guard lock(system.mutex);
    system.windows.erase(window);
    if (system.foreground == window) system.foreground = 0;
}

bool OwnedByCallingThread(WindowId window) {
    bool owned = false;
    WithWindow(window, [&](WindowState& state) { owned = state.owner == std::this_thread::get_id(); });
    return owned;
}

void PostPanelRequest(WindowId window, int request) {
    auto& system = System();
    {
        std::lock_guard lock(system.mutex);
        const auto found = system.windows.find(window);
        if (found == system.windows.end()) return;
        found->second.panelRequests.push_back(request);
    }
    system.posted.notify_all();
}

bool SendPanelRequest(WindowId window, int request, std::chrono::milliseconds timeout) {
    return headless::SendToWindowWithin(
        window,
        [window, request] {
            if (DialogEvents* events = EventsOf(window)) events->OnPanelRequest(request);
        },
        timeout);
}

void ShowWindowBy(WindowId window, int command) {
    const bool show = command != kShowHide;
    if (!SetVisible(window, show)) return;
    if (DialogEvents* events = EventsOf(window)) events->OnVisibilityChanged(show ? 1 : 0, 0);
}

bool IsVisible(WindowId window) { return headless::IsWindowVisible(window); }

void BringToForeground(WindowId window) {
    auto& system = System();
    std::lock_guard lock(system.mutex);
    if (system.windows.count(window)) system.foreground = window;
}

Rect ScreenRect(WindowId window) { return headless::WindowRectOf(window); }

// Like SetWindowPos: showing or hiding this way sends no shown-or-hidden event.
void MoveWindowTo(WindowId window, int x, int y, unsigned flags) {
    WithWindow(window, [&](WindowState& state) {
        const int width = state.rect.right - state.rect.left;
        const int height = state.rect.bottom - state.rect.top;
        state.rect = {x, y, x + width, y + height};
        if (flags & kPositionShowWindow) state.visible = true;
        if (flags & kPositionHideWindow) state.visible = false;
    });
}

void SetControlText(WindowId dialog, int controlId, const char* text) {
    WithWindow(dialog, [&](WindowState& state) { state.controlTexts[controlId] = text ? text : ""; });
}

int PlatformMajorVersion() { return 10; }

void* SetSmallIconFromResource(WindowId window, int iconId) {
    WithWindow(window, [&](WindowState& state) { state.smallIcon = iconId; });
    return nullptr;
}

void OpenWebAddress(const char* address) {
    auto& system = System();
    std::lock_guard lock(system.mutex);
    system.openedAddresses.emplace_back(address);
}

void ShowModalMessage(const char* text) {
    auto& system = System();
    std::lock_guard lock(system.mutex);
    system.shownMessages.emplace_back(text);
}

}  // namespace platform

namespace headless {

bool IsWindowVisible(WindowId window) {
    bool visible = false;
    WithWindow(window, [&](WindowState& state) { visible = state.visible; });
    return visible;
}

bool WindowExists(WindowId window) {
    bool exists = false;
    WithWindow(window, [&](WindowState&) { exists = true; });
    return exists;
}

std::string ControlText(WindowId dialog, int controlId) {
    std::string text;
    WithWindow(dialog, [&](WindowState& state) {
        const auto found = state.controlTexts.find(controlId);
        if (found != state.controlTexts.end()) text = found->second;
    });
    return text;
}

platform::Rect WindowRectOf(WindowId window) {
    platform::Rect rect;
    WithWindow(window, [&](WindowState& state) { rect = state.rect; });
    return rect;
}

WindowId ForegroundWindow() {
    auto& system = System();
    std::lock_guard lock(system.mutex);
    return system.foreground;
}

int SmallIconOf(WindowId window) {
    int icon = 0;
    WithWindow(window, [&](WindowState& state) { icon = state.smallIcon; });
    return icon;
}

void SendCommand(WindowId dialog, int controlId, int notification) {
    if (auto* events = EventsOf(dialog)) events->OnCommand(controlId, notification);
}

int SendSpinDelta(WindowId dialog, int controlId, int delta) {
    auto* events = EventsOf(dialog);
    return events ? events->OnSpinDelta(controlId, delta) : 0;
}

void SendCloseRequest(WindowId dialog) {
    if (auto* events = EventsOf(dialog)) events->OnCloseRequest();
}

std::vector<std::string> OpenedAddresses() {
    auto& system = System();
    std::lock_guard lock(system.mutex);
    return system.openedAddresses;
}

std::vector<std::string> ShownMessages() {
    auto& system = System();
    std::lock_guard lock(system.mutex);
    return system.shownMessages;
}

void ClearRecords() {
    auto& system = System();
    std::lock_guard lock(system.mutex);
    system.openedAddresses.clear();
    system.shownMessages.clear();
}

}  // namespace headless
