#include "soapy/SampleRing.h"

#include <algorithm>
#include <cstring>

namespace excalibur::soapy {

std::int64_t PairsToNs(std::uint64_t pairs, std::uint32_t rate) {
    constexpr std::uint64_t kNsPerSecond = 1000000000;
    return static_cast<std::int64_t>(pairs / rate * kNsPerSecond + pairs % rate * kNsPerSecond / rate);
}

SampleRing::SampleRing(std::size_t slotCount, std::size_t pairs)
    : pairsPerSlot(pairs), slots(slotCount), values(slotCount * pairs * 2), use(slotCount, Use::Unread) {}

void SampleRing::Write(const std::int32_t* block, std::size_t pairs) {
    const std::uint32_t currentEpoch = epoch.load(std::memory_order_relaxed);
    while (pairs > 0) {
        const std::size_t head = written.load(std::memory_order_relaxed);
        if (head - read.load(std::memory_order_acquire) == slots.size()) {
            // overflow: the reader is not keeping up; the time goes on
            dropping = true;
            pairsSinceBase += pairs;
            break;
        }
        const std::size_t index = head % slots.size();
        const std::size_t count = std::min(pairs, pairsPerSlot);
        std::memcpy(&values[index * pairsPerSlot * 2], block, count * 2 * sizeof(std::int32_t));
        slots[index] = Slot{count, currentEpoch, dropping, count == pairs, baseNs, pairsSinceBase, rate};
        dropping = false;
        pairsSinceBase += count;
        written.store(head + 1, std::memory_order_release);
        block += count * 2;
        pairs -= count;
    }
    writerTimeNs.store(baseNs + PairsToNs(pairsSinceBase, rate), std::memory_order_release);
    Wake();
}

void SampleRing::Restart(std::uint32_t newRate) {
    dropping = false;
    baseNs = 0;
    pairsSinceBase = 0;
    rate = newRate;
    writerTimeNs.store(0, std::memory_order_release);
    dead.store(false);
    epoch.fetch_add(1, std::memory_order_relaxed);
}

void SampleRing::ChangeRate(std::uint32_t newRate) {
    baseNs += PairsToNs(pairsSinceBase, rate);
    pairsSinceBase = 0;
    rate = newRate;
}

void SampleRing::Wake() {
    { std::lock_guard lock(waitMutex); }
    published.notify_all();
}

void SampleRing::Stop() {
    stops.fetch_add(1);
    Wake();
}

void SampleRing::Fail() {
    dead.store(true);
    Wake();
}

void SampleRing::Close() {
    closed.store(true);
    Wake();
}

bool SampleRing::Readable() {
    for (;;) {
        if (written.load(std::memory_order_acquire) == next) return false;
        // Loaded after the slot was acquired, so never older than its epoch.
        if (slots[next % slots.size()].epoch == epoch.load(std::memory_order_relaxed)) return true;
        taken = 0;
        Finish(next);
    }
}

// The slot at `position`, the oldest not handed out or a handed-out one, is
// done with; slots done with in ring order go back to the writer.
void SampleRing::Finish(std::size_t position) {
    use[position % slots.size()] = Use::Done;
    if (position == next) ++next;
    std::size_t tail = read.load(std::memory_order_relaxed);
    while (tail != next && use[tail % slots.size()] == Use::Done) {
        use[tail % slots.size()] = Use::Unread;
        ++tail;
    }
    read.store(tail, std::memory_order_release);
}

SampleRing::Status SampleRing::Peek(std::chrono::microseconds timeout, Pending& pending) {
    if (closed.load()) return Status::Closed;
    const std::uint32_t stopsSeen = stops.load();
    if (!Readable()) {
        std::unique_lock lock(waitMutex);
        published.wait_for(lock, timeout,
                           [&] { return Readable() || closed.load() || dead.load() || stops.load() != stopsSeen; });
        if (closed.load()) return Status::Closed;
        if (!Readable()) {
            if (dead.load()) return Status::Dead;
            return stops.load() != stopsSeen ? Status::Stopped : Status::Timeout;
        }
    }
    const std::size_t index = next % slots.size();
    const Slot& slot = slots[index];
    pending.values = &values[(index * pairsPerSlot + taken) * 2];
    pending.pairs = slot.pairs - taken;
    pending.afterGap = taken == 0 && slot.afterGap;
    pending.moreOfBlock = !slot.lastOfBlock;
    pending.timeNs = slot.baseNs + PairsToNs(slot.firstPair + taken, slot.rate);
    pending.slot = index;
    return Status::Ready;
}

void SampleRing::ClearGap() { slots[next % slots.size()].afterGap = false; }

void SampleRing::Take(std::size_t pairs) {
    taken += pairs;
    if (taken < slots[next % slots.size()].pairs) return;
    taken = 0;
    Finish(next);
}

std::size_t SampleRing::Acquire() {
    const std::size_t index = next % slots.size();
    use[index] = Use::HandedOut;
    taken = 0;
    ++next;
    return index;
}

bool SampleRing::Release(std::size_t slot) {
    if (slot >= slots.size() || use[slot] != Use::HandedOut) return false;
    // The handed-out slot's position: the one in [read, next) with this index.
    const std::size_t tail = read.load(std::memory_order_relaxed);
    const std::size_t position = tail + (slot + slots.size() - tail % slots.size()) % slots.size();
    Finish(position);
    return true;
}

}  // namespace excalibur::soapy
