#include "tests/support/ModalMessageWatcher.h"

#ifdef _WIN32
#include <windows.h>

#include <chrono>

namespace testsupport {
namespace {

constexpr int kMessageTextId = 0xFFFF;

struct Search {
    DWORD process;
    HWND box;
};

BOOL CALLBACK FindMessageBox(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (process == search->process && lstrcmpA(className, "#32770") == 0 && GetDlgItem(window, IDOK) != nullptr &&
        GetDlgItem(window, kMessageTextId) != nullptr) {
        search->box = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

ModalMessageWatcher::ModalMessageWatcher() : watcher([this] { Watch(); }) {}

ModalMessageWatcher::~ModalMessageWatcher() {
    stop = true;
    watcher.join();
}

void ModalMessageWatcher::Watch() {
    while (!stop) {
        Search search{GetCurrentProcessId(), nullptr};
        EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&search));
        if (search.box != nullptr && IsWindowVisible(search.box)) {
            char text[512] = {};
            GetDlgItemTextA(search.box, kMessageTextId, text, sizeof text);
            {
                std::lock_guard lock(mutex);
                texts.emplace_back(text);
            }
            PostMessageA(search.box, WM_COMMAND, IDOK, 0);
            // Wait until the box is gone, so that it is counted once.
            while (!stop && IsWindow(search.box)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::vector<std::string> ModalMessageWatcher::Texts() {
    std::lock_guard lock(mutex);
    return texts;
}

}  // namespace testsupport

#else
#include "platform/headless/HeadlessWindows.h"

namespace testsupport {

ModalMessageWatcher::ModalMessageWatcher() { headless::ClearRecords(); }

ModalMessageWatcher::~ModalMessageWatcher() = default;

std::vector<std::string> ModalMessageWatcher::Texts() { return headless::ShownMessages(); }

}  // namespace testsupport
#endif
