#include "panel/OperationLock.h"

#include <chrono>

#include "platform/Threads.h"

namespace excalibur {

void OperationLock::lock() {
    // Sent messages wake no waiting mutex: look for them every millisecond.
    while (!mutex_.try_lock_for(std::chrono::milliseconds(1))) platform::ServeSentMessages();
}

}  // namespace excalibur
