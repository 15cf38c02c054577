#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/WindowTypes.h"

// The native build's small in-process window system, shared by the native
// plug-in, the native host and the tests (one shared library, so one state).
namespace headless {

using platform::WindowId;

struct PostedMessage {
    WindowId window;
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// A plain top-level window that only collects what is posted to it.
WindowId CreateHostWindow();
void DestroyHostWindow(WindowId window);

// Everything posted to the window since the last call, oldest first.
std::vector<PostedMessage> TakePostedMessages(WindowId window);

// For tests: called with each message as it is queued for the window, on the
// posting thread before the post returns, so that it sees what the poster had
// done before posting and nothing after. An empty function ends the watch.
void WatchPosts(WindowId window, std::function<void(const PostedMessage&)> watcher);

// Waits until at least one message is queued for the window, or a panel
// request for a window of this thread, or the timeout ends.
bool WaitForPostedMessage(WindowId window, std::chrono::milliseconds timeout);

// Runs the panel requests queued for the windows of the calling thread, as
// its message loop would; the number run. Serves sent calls first.
int DispatchPanelRequests();

// As SendMessage: runs the call on the window's own thread, which serves it
// from its message loop or while it waits (platform::ServeSentMessages), and
// returns once it has run. On the window's own thread it runs at once.
void SendToWindow(WindowId window, const std::function<void()>& call);
// As SendMessageTimeout: false, with the call withdrawn unrun, when the
// window's thread has not taken it up within the timeout (or the window is gone).
bool SendToWindowWithin(WindowId window, const std::function<void()>& call, std::chrono::milliseconds timeout);

}  // namespace headless

// What a test or the native host can do to and learn of the panel's dialog:
// the messages a user's actions would send, delivered synchronously to the
// dialog's handlers as Windows sends them.
namespace headless {

bool IsWindowVisible(WindowId window);
bool WindowExists(WindowId window);
std::string ControlText(WindowId dialog, int controlId);
platform::Rect WindowRectOf(WindowId window);
WindowId ForegroundWindow();
int SmallIconOf(WindowId window);

void SendCommand(WindowId dialog, int controlId, int notification);
int SendSpinDelta(WindowId dialog, int controlId, int delta);
void SendCloseRequest(WindowId dialog);

// The web addresses opened and the message boxes shown, oldest first.
std::vector<std::string> OpenedAddresses();
std::vector<std::string> ShownMessages();
void ClearRecords();

}  // namespace headless
