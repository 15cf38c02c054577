#include <system_error>

#include "simulator/StreamThread.h"

namespace simulator {

StreamThread::~StreamThread() {
    RequestStop();
    if (!IsCurrentThread()) Join();
}

bool StreamThread::Start(StreamBody& body) {
    body_ = &body;
    stopRequested_.store(false);
    try {
        thread_ = std::thread(&StreamThread::ThreadMain, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void StreamThread::ThreadMain() {
    threadId_.store(std::this_thread::get_id());
    body_->Run(*this);
}

void StreamThread::RequestStop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopRequested_.store(true);
    }
    wake_.notify_all();
}

void StreamThread::Join() {
    if (thread_.joinable()) thread_.join();
    threadId_.store(std::thread::id());
}

bool StreamThread::Exists() const { return thread_.joinable(); }

bool StreamThread::IsCurrentThread() const { return threadId_.load() == std::this_thread::get_id(); }

bool StreamThread::WaitUntil(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto stopped = [this] { return stopRequested_.load(); };
    if (deadline == std::chrono::steady_clock::time_point::max()) {
        wake_.wait(lock, stopped);
        return true;
    }
    return wake_.wait_until(lock, deadline, stopped);
}

}  // namespace simulator
