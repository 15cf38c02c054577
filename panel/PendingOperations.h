#pragma once

#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace excalibur {

// Operations that a host asked for from inside its data callback, on the
// driver's thread. They cannot wait there: an operation that stops the
// stream waits for that very callback to return. The end of the operation
// in progress, or the panel's thread, runs them instead.
class PendingOperations {
public:
    // Replaces a pending operation of the same kind, so that a callback that
    // asks on every block queues one. True when the queue was empty before.
    bool Add(int kind, std::function<void()> operation);
    // The oldest, or an empty function.
    std::function<void()> Take();

private:
    std::mutex mutex_;
    std::vector<std::pair<int, std::function<void()>>> queue_;
};

}  // namespace excalibur
