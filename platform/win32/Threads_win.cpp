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

void Wakeup::Reset() {
    set_.store(false);
    if (event_ != nullptr) ResetEvent(event_);
}

bool Wakeup::Wait(WhileWaiting whileWaiting) {
    const bool serve = whileWaiting == WhileWaiting::ServeSentMessages;
    for (;;) {
        // Before the flag: MsgWaitForMultipleObjectsEx names the event first
        // when both came, and the sender may be what the waiter waits for.
        if (serve && (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0) return false;
        if (set_.load()) return true;
        if (event_ == nullptr) {
            Sleep(1);
            if (serve) return false;
        } else if (serve) {
            MsgWaitForMultipleObjectsEx(1, &event_, INFINITE, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        } else {
            WaitForSingleObject(event_, INFINITE);
        }
    }
}

}  // namespace platform
