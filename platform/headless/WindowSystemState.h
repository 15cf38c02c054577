#pragma once

// The state behind the headless window system; private to platform/headless.
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/PanelWindow.h"
#include "platform/headless/HeadlessWindows.h"

namespace headless {
namespace detail {

struct WindowState {
    std::deque<PostedMessage> posted;
    std::function<void(const PostedMessage&)> postWatcher;
    std::deque<int> panelRequests;
    platform::DialogEvents* events = nullptr;
    bool visible = false;
    platform::Rect rect;
    std::map<int, std::string> controlTexts;
    std::thread::id owner = std::this_thread::get_id();
    int smallIcon = 0;
};

// A call sent to a window's thread; the sender waits until done.
struct SentCall {
    std::thread::id to;
    const std::function<void()>* call;
    bool* done;
};

struct WindowSystem {
    std::mutex mutex;
    std::condition_variable posted;
    std::map<WindowId, WindowState> windows;
    std::deque<SentCall> sent;
    WindowId nextId = 0x100;
    WindowId foreground = 0;
    std::vector<std::string> openedAddresses;
    std::vector<std::string> shownMessages;
};

WindowSystem& System();
// Whether a call sent to the calling thread waits; under the system's lock.
bool SentToThisThread(const WindowSystem& system);

}  // namespace detail

}  // namespace headless
