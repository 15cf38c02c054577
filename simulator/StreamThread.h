#pragma once

#include <atomic>
#include <chrono>

#if !defined(_WIN32)
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

namespace simulator {

// What the stream's body sees of a stop request.
class StopSignal {
public:
    virtual bool Requested() const = 0;
    // Waits until the deadline; true as soon as a stop is asked for.
    virtual bool WaitUntil(std::chrono::steady_clock::time_point deadline) = 0;

protected:
    ~StopSignal() = default;
};

class StreamBody {
public:
    virtual void Run(StopSignal& stop) = 0;

protected:
    ~StreamBody() = default;
};

// The one thread that delivers a stream. On Windows it is a CreateThread
// thread that holds a reference to this module and leaves through
// FreeLibraryAndExitThread, and Join waits for an event set after the body's
// last handler call or for the thread's end, whichever comes first: so Join
// works under the loader lock and at process exit, and a FreeLibrary right
// after it cannot unmap code the thread still runs.
class StreamThread final : public StopSignal {
public:
    StreamThread() = default;
    ~StreamThread();
    StreamThread(const StreamThread&) = delete;
    StreamThread& operator=(const StreamThread&) = delete;

    // Runs body.Run on a new thread; false when no thread could be made. Only
    // when no thread Exists.
    bool Start(StreamBody& body);
    void RequestStop();
    // Returns once the body has returned, and forgets the thread. Never from
    // the thread itself.
    void Join();

    bool Exists() const;
    bool IsCurrentThread() const;

    bool Requested() const override { return stopRequested_.load(); }
    bool WaitUntil(std::chrono::steady_clock::time_point deadline) override;

private:
    StreamBody* body_ = nullptr;
    std::atomic<bool> stopRequested_{false};

#if defined(_WIN32)
    static unsigned long __stdcall ThreadMain(void* context);
    void CloseHandles();

    void* thread_ = nullptr;
    std::atomic<unsigned long> threadId_{0};
    void* module_ = nullptr;
    void* stopEvent_ = nullptr;
    void* startedEvent_ = nullptr;
    void* doneEvent_ = nullptr;
#else
    void ThreadMain();

    std::thread thread_;
    std::atomic<std::thread::id> threadId_{};
    std::mutex mutex_;
    std::condition_variable wake_;
#endif
};

}  // namespace simulator
