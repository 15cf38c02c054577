#include "soapy/SampleRing.h"

#include <algorithm>
#include <cstring>

namespace excalibur::soapy {

SampleRing::SampleRing(std::size_t slotCount, std::size_t pairs)
    : pairsPerSlot(pairs), slots(slotCount), values(slotCount * pairs * 2) {}

void SampleRing::Write(const std::int32_t* block, std::size_t pairs) {
    const std::uint32_t currentEpoch = epoch.load(std::memory_order_relaxed);
    while (pairs > 0) {
        const std::size_t head = written.load(std::memory_order_relaxed);
        if (head - read.load(std::memory_order_acquire) == slots.size()) {
            // overflow: the reader is not keeping up
            dropping = true;
            return;
        }
        const std::size_t index = head % slots.size();
        const std::size_t count = std::min(pairs, pairsPerSlot);
        std::memcpy(&values[index * pairsPerSlot * 2], block, count * 2 * sizeof(std::int32_t));
        slots[index] = Slot{count, currentEpoch, dropping};
        dropping = false;
        written.store(head + 1, std::memory_order_release);
        block += count * 2;
        pairs -= count;
    }
    { std::lock_guard lock(waitMutex); }
    published.notify_one();
}

bool SampleRing::Readable() {
    for (;;) {
        const std::size_t tail = read.load(std::memory_order_relaxed);
        if (written.load(std::memory_order_acquire) == tail) return false;
        // Loaded after the slot was acquired, so never older than its epoch.
        if (slots[tail % slots.size()].epoch == epoch.load(std::memory_order_relaxed)) return true;
        taken = 0;
        read.store(tail + 1, std::memory_order_release);
    }
}

std::optional<SampleRing::Pending> SampleRing::Peek(std::chrono::microseconds timeout) {
    if (!Readable()) {
        std::unique_lock lock(waitMutex);
        if (!published.wait_for(lock, timeout, [this] { return Readable(); })) return std::nullopt;
    }
    const std::size_t index = read.load(std::memory_order_relaxed) % slots.size();
    const Slot& slot = slots[index];
    return Pending{&values[(index * pairsPerSlot + taken) * 2], slot.pairs - taken, taken == 0 && slot.afterGap};
}

void SampleRing::ClearGap() { slots[read.load(std::memory_order_relaxed) % slots.size()].afterGap = false; }

void SampleRing::Take(std::size_t pairs) {
    const std::size_t tail = read.load(std::memory_order_relaxed);
    taken += pairs;
    if (taken < slots[tail % slots.size()].pairs) return;
    taken = 0;
    read.store(tail + 1, std::memory_order_release);
}

void SampleRing::Restart() {
    dropping = false;
    epoch.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace excalibur::soapy
