#include "soapy/SampleRing.h"

#include <algorithm>
#include <cstring>

namespace excalibur::soapy {

std::int64_t PairsToNs(std::uint64_t pairs, std::uint32_t rate) {
    constexpr std::uint64_t kNsPerSecond = 1000000000;
    return static_cast<std::int64_t>(pairs / rate * kNsPerSecond + pairs % rate * kNsPerSecond / rate);
}

std::int64_t SampleRing::Slot::TimeNs(std::size_t pair) const { return baseNs + PairsToNs(firstPair + pair, rate); }

SampleRing::SampleRing(std::size_t slotCount, std::size_t pairs, Position firstPosition)
    : pairsPerSlot(pairs),
      slots(slotCount),
      values(slotCount * pairs * 2),
      written(firstPosition),
      read(firstPosition),
      next(firstPosition),
      use(slotCount, Use::Unread) {}

void SampleRing::Write(const std::int32_t* block, std::size_t pairs) {
    while (pairs > 0) {
        const Position head = written.load(std::memory_order_relaxed);
        if (head - read.load(std::memory_order_acquire) == slots.size()) {
            // overflow: the readers are not keeping up; the time goes on
            if (!dropping) droppingAt.store(head, std::memory_order_release);
            dropping = true;
            pairsSinceBase += pairs;
            break;
        }
        const std::size_t index = IndexOf(head);
        const std::size_t count = std::min(pairs, pairsPerSlot);
        std::memcpy(&values[index * pairsPerSlot * 2], block, count * 2 * sizeof(std::int32_t));
        slots[index] = Slot{count, dropping, count == pairs, baseNs, pairsSinceBase, rate};
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
    {
        std::lock_guard lock(readerMutex);
        const Position end = written.load(std::memory_order_relaxed);
        while (next != end) Finish(next);
        taken = 0;
        reportedGap = kNoPosition;
        readEndNs = 0;
        droppingAt.store(kNoPosition);  // the old loss goes with the blocks discarded
    }
    dropping = false;
    baseNs = 0;
    pairsSinceBase = 0;
    rate = newRate;
    writerTimeNs.store(0, std::memory_order_release);
    dead.store(false);
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

void SampleRing::Abandon() {
    abandoned.store(true);
    Wake();
}

void SampleRing::Close() {
    closed.store(true);
    Wake();
}

// The slot at `position`, the oldest not handed out or a handed-out one, is
// done with; slots done with in ring order go back to the writer.
void SampleRing::Finish(Position position) {
    use[IndexOf(position)] = Use::Done;
    if (position == next) ++next;
    Position tail = read.load(std::memory_order_relaxed);
    while (tail != next && use[IndexOf(tail)] == Use::Done) {
        use[IndexOf(tail)] = Use::Unread;
        ++tail;
    }
    read.store(tail, std::memory_order_release);
}

namespace {

// A timeout past what the clock counts in nanoseconds waits until its end,
// rather than overflowing into the past.
std::chrono::steady_clock::time_point DeadlineAfter(std::chrono::microseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point now = Clock::now();
    const auto room = std::chrono::duration_cast<std::chrono::microseconds>(Clock::time_point::max() - now);
    return timeout < room ? now + timeout : Clock::time_point::max();
}

}  // namespace

SampleRing::Status SampleRing::Peek(std::chrono::microseconds timeout, Claim& claim) {
    claim.lock = std::unique_lock<std::mutex>();
    const auto deadline = DeadlineAfter(timeout);
    const std::uint32_t stopsSeen = stops.load();
    std::unique_lock reader(readerMutex);
    for (bool timedOut = false;;) {
        if (closed.load()) return Status::Closed;
        if (abandoned.load()) return Status::Dead;
        const Position position = next;
        const bool readable = position != written.load(std::memory_order_acquire);
        const Slot& slot = slots[IndexOf(position)];
        const bool lostBefore =
            readable ? taken == 0 && slot.afterGap : droppingAt.load(std::memory_order_acquire) == position;
        if (lostBefore && reportedGap != position) {
            reportedGap = position;
            claim.pending = Pending{nullptr, 0, false, readEndNs};
            return Status::Overflow;
        }
        if (readable) {
            claim.pending = Pending{&values[(IndexOf(position) * pairsPerSlot + taken) * 2], slot.pairs - taken,
                                    !slot.lastOfBlock, slot.TimeNs(taken)};
            claim.ring = this;
            claim.lock = std::move(reader);
            return Status::Ready;
        }
        if (dead.load()) return Status::Dead;
        if (stops.load() != stopsSeen) return Status::Stopped;
        if (timedOut) return Status::Timeout;
        const bool gapReported = reportedGap == position;
        reader.unlock();
        {
            std::unique_lock lock(waitMutex);
            timedOut = !published.wait_until(lock, deadline, [&] {
                return written.load(std::memory_order_acquire) != position ||
                       (!gapReported && droppingAt.load(std::memory_order_acquire) == position) || closed.load() ||
                       abandoned.load() || dead.load() || stops.load() != stopsSeen;
            });
        }
        reader.lock();
    }
}

void SampleRing::Claim::Take(std::size_t pairs) {
    SampleRing& owner = *ring;
    const Slot& slot = owner.slots[owner.IndexOf(owner.next)];
    owner.taken += pairs;
    owner.readEndNs = slot.TimeNs(owner.taken);
    if (owner.taken >= slot.pairs) {
        owner.taken = 0;
        owner.Finish(owner.next);
    }
    lock.unlock();
}

std::size_t SampleRing::Claim::Acquire() {
    SampleRing& owner = *ring;
    const std::size_t index = owner.IndexOf(owner.next);
    Slot& slot = owner.slots[index];
    if (owner.taken > 0) {
        // A slot read in part is lent from its start, where its address says
        // it is; the writer does not touch a slot before it is read.
        std::int32_t* start = &owner.values[index * owner.pairsPerSlot * 2];
        std::memmove(start, pending.values, pending.pairs * 2 * sizeof(std::int32_t));
        slot.pairs = pending.pairs;
        slot.firstPair += owner.taken;
        pending.values = start;
    }
    owner.use[index] = Use::HandedOut;
    owner.readEndNs = slot.TimeNs(slot.pairs);
    owner.taken = 0;
    ++owner.next;
    lock.unlock();
    return index;
}

bool SampleRing::Release(std::size_t slot) {
    std::lock_guard lock(readerMutex);
    if (slot >= slots.size() || use[slot] != Use::HandedOut) return false;
    // The handed-out slot's position: the one in [read, next) with this index.
    const Position tail = read.load(std::memory_order_relaxed);
    Finish(tail + (slot + slots.size() - IndexOf(tail)) % slots.size());
    return true;
}

}  // namespace excalibur::soapy
