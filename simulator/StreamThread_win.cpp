#include <windows.h>

#include <algorithm>

#include "simulator/StreamThread.h"

namespace simulator {
namespace {

// Any address inside this module names the module to GetModuleHandleExA.
const char kInsideThisModule = 0;

}  // namespace

StreamThread::~StreamThread() {
    RequestStop();
    if (!IsCurrentThread()) Join();
}

bool StreamThread::Start(StreamBody& body) {
    body_ = &body;
    stopRequested_.store(false);
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, &kInsideThisModule, &self)) return false;
    module_ = self;
    stopEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    startedEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    doneEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (stopEvent_ && startedEvent_ && doneEvent_) {
        thread_ = CreateThread(nullptr, 0, &StreamThread::ThreadMain, this, 0, nullptr);
    }
    if (thread_ == nullptr) {
        CloseHandles();
        FreeLibrary(self);
        module_ = nullptr;
        return false;
    }
    // Once the thread runs its body it is past the loader's thread attach, so
    // a later Join under the loader lock has nothing to wait for but the body.
    HANDLE started[] = {startedEvent_, thread_};
    WaitForMultipleObjects(2, started, FALSE, INFINITE);
    return true;
}

DWORD WINAPI StreamThread::ThreadMain(void* context) {
    auto* self = static_cast<StreamThread*>(context);
    const auto module = static_cast<HMODULE>(self->module_);
    const HANDLE done = self->doneEvent_;
    self->threadId_.store(GetCurrentThreadId());
    SetEvent(self->startedEvent_);
    self->body_->Run(*self);
    // From here on the thread touches nothing of the object and calls no
    // handler; the module stays mapped until it has left.
    SetEvent(done);
    FreeLibraryAndExitThread(module, 0);
}

void StreamThread::RequestStop() {
    stopRequested_.store(true);
    if (stopEvent_) SetEvent(stopEvent_);
}

void StreamThread::Join() {
    if (thread_ == nullptr) return;
    // At process exit the thread is already gone and its handle signalled.
    HANDLE ends[] = {doneEvent_, thread_};
    WaitForMultipleObjects(2, ends, FALSE, INFINITE);
    CloseHandles();
}

void StreamThread::CloseHandles() {
    for (void** handle : {&thread_, &stopEvent_, &startedEvent_, &doneEvent_}) {
        if (*handle) CloseHandle(*handle);
        *handle = nullptr;
    }
    threadId_.store(0);
    module_ = nullptr;
}

bool StreamThread::Exists() const { return thread_ != nullptr; }

bool StreamThread::IsCurrentThread() const { return threadId_.load() == GetCurrentThreadId(); }

bool StreamThread::WaitUntil(std::chrono::steady_clock::time_point deadline) {
    using namespace std::chrono;
    for (;;) {
        if (stopRequested_.load()) return true;
        DWORD timeout = INFINITE;
        if (deadline != steady_clock::time_point::max()) {
            const auto now = steady_clock::now();
            if (now >= deadline) return false;
            const auto left = duration_cast<milliseconds>(deadline - now + microseconds(999)).count();
            timeout = static_cast<DWORD>(std::min<long long>(left, 0x7FFFFFFF));
        }
        if (WaitForSingleObject(stopEvent_, timeout) == WAIT_OBJECT_0) return true;
    }
}

}  // namespace simulator
