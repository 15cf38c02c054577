#include "platform/Threads.h"

#include <windows.h>

namespace platform {

ThreadId CurrentThreadId() { return GetCurrentThreadId(); }

void ServeSentMessages() {
    // Peeking delivers the messages sent to this thread before it looks at the queue.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

Wakeup::Wakeup() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

Wakeup::~Wakeup() {
    if (event_ != nullptr) CloseHandle(event_);
}

// The event first: once the flag is seen the waiter may end this object.
void Wakeup::Set() {
    if (event_ != nullptr) SetEvent(event_);
    set_.store(true);
}

void Wakeup::Wait(WhileWaiting whileWaiting) {
    const bool serve = whileWaiting == WhileWaiting::ServeSentMessages;
    while (!set_.load()) {
        if (serve) ServeSentMessages();
        if (event_ == nullptr) {
            Sleep(1);
        } else if (serve) {
            MsgWaitForMultipleObjectsEx(1, &event_, INFINITE, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        } else {
            WaitForSingleObject(event_, INFINITE);
        }
    }
}

}  // namespace platform
