#include "platform/headless/HeadlessWindows.h"

#include <algorithm>

#include "platform/Threads.h"

#include "platform/headless/WindowSystemState.h"

namespace headless {
namespace detail {

// Never destroyed: windows of libraries that end at process exit may still
// reach it after this library's statics are gone.
WindowSystem& System() {
    static WindowSystem& system = *new WindowSystem;
    return system;
}

}  // namespace detail

using detail::System;

WindowId CreateHostWindow() {
    auto& system = System();
    std::lock_guard lock(system.mutex);
    const WindowId id = system.nextId++;
    system.windows[id];
    return id;
}

void DestroyHostWindow(WindowId window) {
    auto& system = System();
    std::lock_guard lock(system.mutex);
    system.windows.erase(window);
}

std::vector<PostedMessage> TakePostedMessages(WindowId window) {
    auto& system = System();
    std::lock_guard lock(system.mutex);
    std::vector<PostedMessage> taken;
    const auto found = system.windows.find(window);
    if (found == system.windows.end()) return taken;
    taken.assign(found->second.posted.begin(), found->second.posted.end());
    found->second.posted.clear();
    return taken;
}

void WatchPosts(WindowId window, std::function<void(const PostedMessage&)> watcher) {
    auto& system = System();
    std::lock_guard lock(system.mutex);
    const auto found = system.windows.find(window);
    if (found != system.windows.end()) found->second.postWatcher = std::move(watcher);
}

bool detail::SentToThisThread(const detail::WindowSystem& system) {
    const auto self = std::this_thread::get_id();
    return std::any_of(system.sent.begin(), system.sent.end(),
                       [&](const detail::SentCall& sent) { return sent.to == self; });
}

namespace {

bool RequestsForThisThread(const detail::WindowSystem& system) {
    if (detail::SentToThisThread(system)) return true;
    const auto self = std::this_thread::get_id();
    for (const auto& [id, state] : system.windows) {
        if (state.owner == self && !state.panelRequests.empty()) return true;
    }
    return false;
}

}  // namespace

bool WaitForPostedMessage(WindowId window, std::chrono::milliseconds timeout) {
    auto& system = System();
    std::unique_lock lock(system.mutex);
    return system.posted.wait_for(lock, timeout, [&] {
        const auto found = system.windows.find(window);
        return (found != system.windows.end() && !found->second.posted.empty()) || RequestsForThisThread(system);
    });
}

int DispatchPanelRequests() {
    platform::ServeSentMessages();
    auto& system = System();
    int run = 0;
    for (;;) {
        platform::DialogEvents* events = nullptr;
        int request = 0;
        {
            std::lock_guard lock(system.mutex);
            const auto self = std::this_thread::get_id();
            for (auto& [id, state] : system.windows) {
                if (state.owner != self || state.panelRequests.empty() || state.events == nullptr) continue;
                events = state.events;
                request = state.panelRequests.front();
                state.panelRequests.pop_front();
                break;
            }
        }
        // The handler runs without the lock: it may call the window system.
        if (events == nullptr) return run;
        events->OnPanelRequest(request);
        ++run;
    }
}

void SendToWindow(WindowId window, const std::function<void()>& call) {
    SendToWindowWithin(window, call, std::chrono::hours(24 * 365));
}

bool SendToWindowWithin(WindowId window, const std::function<void()>& call, std::chrono::milliseconds timeout) {
    auto& system = System();
    std::unique_lock lock(system.mutex);
    const auto found = system.windows.find(window);
    if (found == system.windows.end()) return false;
    const std::thread::id owner = found->second.owner;
    if (owner == std::this_thread::get_id()) {
        lock.unlock();
        call();
        return true;
    }
    bool done = false;
    system.sent.push_back({owner, &call, &done});
    system.posted.notify_all();
    const auto end = std::chrono::steady_clock::now() + timeout;
    const auto ours = [&](const detail::SentCall& sent) { return sent.done == &done; };
    // A sender serves what is sent to it meanwhile, as on Windows.
    const auto woken = [&] { return done || detail::SentToThisThread(system); };
    for (;;) {
        if (!system.posted.wait_until(lock, end, woken)) {
            const auto unanswered = std::find_if(system.sent.begin(), system.sent.end(), ours);
            if (unanswered != system.sent.end()) {
                system.sent.erase(unanswered);
                return false;
            }
            // Taken up already: it runs now, and the sender waits for its end.
            system.posted.wait(lock, woken);
        }
        if (done) return true;
        lock.unlock();
        platform::ServeSentMessages();
        lock.lock();
    }
}

}  // namespace headless

namespace platform {

void ServeSentMessages() {
    auto& system = headless::detail::System();
    const auto self = std::this_thread::get_id();
    std::unique_lock lock(system.mutex);
    for (;;) {
        const auto found = std::find_if(system.sent.begin(), system.sent.end(),
                                        [&](const headless::detail::SentCall& sent) { return sent.to == self; });
        if (found == system.sent.end()) return;
        const headless::detail::SentCall sent = *found;
        system.sent.erase(found);
        // The call runs without the lock: it may use the window system.
        lock.unlock();
        (*sent.call)();
        lock.lock();
        *sent.done = true;
        system.posted.notify_all();
    }
}

Wakeup::Wakeup() = default;
Wakeup::~Wakeup() = default;

// Under the window system's lock, which a waiter holds while it looks.
void Wakeup::Set() {
    auto& system = headless::detail::System();
    std::lock_guard lock(system.mutex);
    set_.store(true);
    system.posted.notify_all();
}

void Wakeup::Reset() { set_.store(false); }

// The window system's own signal wakes the waiter: set, or sent to.
bool Wakeup::Wait(WhileWaiting whileWaiting) {
    auto& system = headless::detail::System();
    const bool serve = whileWaiting == WhileWaiting::ServeSentMessages;
    std::unique_lock lock(system.mutex);
    const auto sent = [&] { return serve && headless::detail::SentToThisThread(system); };
    system.posted.wait(lock, [&] { return set_.load() || sent(); });
    return !sent();
}

void PostToWindow(WindowId window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    auto& system = headless::detail::System();
    const headless::PostedMessage posted{window, message, wParam, lParam};
    std::function<void(const headless::PostedMessage&)> watcher;
    {
        std::lock_guard lock(system.mutex);
        const auto found = system.windows.find(window);
        // Like PostMessage to a destroyed window: the post fails, nobody hears.
        if (found == system.windows.end()) return;
        found->second.posted.push_back(posted);
        watcher = found->second.postWatcher;
    }
    // Without the lock: the watcher may read the window system.
    if (watcher) watcher(posted);
    system.posted.notify_all();
}

}  // namespace platform
