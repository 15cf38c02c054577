#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// Answers the message boxes that code under test shows, as a user would by
// pressing OK, and keeps their texts. Natively the headless window system
// records them instead, and this reads its record.
class ModalMessageWatcher {
public:
    ModalMessageWatcher();
    ~ModalMessageWatcher();
    ModalMessageWatcher(const ModalMessageWatcher&) = delete;
    ModalMessageWatcher& operator=(const ModalMessageWatcher&) = delete;

    std::vector<std::string> Texts();

private:
#ifdef _WIN32
    void Watch();
    std::mutex mutex;
    std::vector<std::string> texts;
    std::atomic<bool> stop{false};
    std::thread watcher;
#endif
};

}  // namespace testsupport
