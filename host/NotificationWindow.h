#pragma once

#include <chrono>
#include <memory>

#include "host/Notifications.h"
#include "platform/WindowTypes.h"

namespace host {

// The host's own window that the plug-in posts to. On Windows a hidden
// top-level window of the host's class; natively a window of the headless
// window system that the native plug-in shares. Created, pumped and
// destroyed on the main thread, which is also the plug-in panel's thread.
class NotificationWindow {
public:
    NotificationWindow(NotificationLog& log, const HostMessageNumbers& numbers);
    ~NotificationWindow();
    NotificationWindow(const NotificationWindow&) = delete;
    NotificationWindow& operator=(const NotificationWindow&) = delete;

    bool Valid() const;
    platform::WindowId Id() const;
    // Waits up to the timeout for messages, then handles all that are queued
    // (for every window of this thread, the plug-in's panel included).
    void Pump(std::chrono::milliseconds timeout);
    // Handles only what was posted to this window: safe after the plug-in,
    // whose windows may still be queued for, has been unloaded.
    void CollectOwnMessages();
    // From any thread: ends a Pump that is waiting.
    void Wake();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace host
