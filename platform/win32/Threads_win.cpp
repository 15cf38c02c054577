#include "platform/Threads.h"

#include <windows.h>

namespace platform {

ThreadId CurrentThreadId() { return GetCurrentThreadId(); }

void ServeSentMessages() {
    // Peeking delivers the messages sent to this thread before it looks at the queue.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

}  // namespace platform
