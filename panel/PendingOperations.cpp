#include "panel/PendingOperations.h"

#include <algorithm>

namespace excalibur {

bool PendingOperations::Add(int kind, std::function<void()> operation) {
    std::lock_guard lock(mutex_);
    const bool wasEmpty = queue_.empty();
    // Later requests of another kind may depend on this one: it moves to the end.
    std::erase_if(queue_, [&](const auto& queued) { return queued.first == kind; });
    queue_.emplace_back(kind, std::move(operation));
    return wasEmpty;
}

std::function<void()> PendingOperations::Take() {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return {};
    std::function<void()> first = std::move(queue_.front().second);
    queue_.erase(queue_.begin());
    return first;
}

}  // namespace excalibur
