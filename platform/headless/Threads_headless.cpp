#include <pthread.h>

#include "platform/Threads.h"

namespace platform {

ThreadId CurrentThreadId() { return static_cast<ThreadId>(pthread_self()); }

}  // namespace platform
