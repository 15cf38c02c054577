#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace excalibur::soapy {

// A bounded ring of raw I/Q blocks from the driver's thread (the one writer)
// to the stream's reader (one reader thread at a time). The writer never
// waits: a block that finds the ring full is dropped, and the next block it
// keeps is marked as coming after a gap, so the reader learns of each lost
// stretch once.
//
// Every pair carries a time: the writer counts the pairs the driver delivers,
// kept or dropped, at the rate of the blocks they came in, from 0 at
// Restart. A gap therefore shows in the time of the pair after it.
//
// The reader either copies out of the oldest slot (Peek, Take) or borrows
// whole slots (Peek, Acquire, Release); the writer reuses a slot only once
// it is released, in ring order.
class SampleRing {
public:
    SampleRing(std::size_t slots, std::size_t pairsPerSlot);
    SampleRing(const SampleRing&) = delete;
    SampleRing& operator=(const SampleRing&) = delete;

    // Writer: copies the block, spread over as many slots as it needs.
    void Write(const std::int32_t* block, std::size_t pairs);

    // While no writer runs: the blocks written so far are left unread, also
    // by a reader that waits in Peek right now; the time starts again at 0,
    // at this rate (Hz), and a dead ring lives again.
    void Restart(std::uint32_t rate);
    // While no writer runs: the blocks to come have this rate; their time
    // goes on from the last pair written.
    void ChangeRate(std::uint32_t rate);
    // Any thread: the time of the next pair the writer will get, in ns.
    std::int64_t WriterTimeNs() const { return writerTimeNs.load(std::memory_order_acquire); }

    // Any thread. Stop: a reader waiting in Peek now returns Stopped. Fail:
    // no more blocks will come until Restart; once the ring is empty the
    // reader gets Dead. Close: the reader gets Closed, now and for good.
    void Stop();
    void Fail();
    void Close();

    enum class Status { Ready, Timeout, Stopped, Dead, Closed };
    struct Pending {
        const std::int32_t* values = nullptr;  // interleaved I/Q
        std::size_t pairs = 0;
        bool afterGap = false;     // blocks were lost right before these pairs
        bool moreOfBlock = false;  // the block goes on in the next slot
        std::int64_t timeNs = 0;   // of the first of these pairs
        std::size_t slot = 0;
    };
    // Reader: what is left of the oldest slot not handed out, after waiting
    // up to the timeout for one.
    Status Peek(std::chrono::microseconds timeout, Pending& pending);
    // Reader: the gap before the oldest slot has been reported.
    void ClearGap();
    // Reader: the first pairs of the oldest slot have been copied.
    void Take(std::size_t pairs);
    // Reader: the oldest slot is handed out as it is; it stays the reader's
    // until released. Returns its index.
    std::size_t Acquire();
    // Reader: a slot handed out is given back; false if it was not handed out.
    bool Release(std::size_t slot);

    std::size_t PairsPerSlot() const { return pairsPerSlot; }
    std::size_t Slots() const { return slots.size(); }
    const std::int32_t* SlotValues(std::size_t slot) const { return &values[slot * pairsPerSlot * 2]; }

private:
    struct Slot {
        std::size_t pairs = 0;
        std::uint32_t epoch = 0;
        bool afterGap = false;
        bool lastOfBlock = true;
        std::int64_t baseNs = 0;      // the time at firstPair 0
        std::uint64_t firstPair = 0;  // of this slot, counted from baseNs
        std::uint32_t rate = 1;
    };
    // The reader's own view of a slot.
    enum class Use : std::uint8_t { Unread, HandedOut, Done };

    bool Readable();
    void Finish(std::size_t position);
    void Wake();

    const std::size_t pairsPerSlot;
    std::vector<Slot> slots;
    std::vector<std::int32_t> values;

    std::atomic<std::size_t> written{0};  // slots published, ever
    std::atomic<std::size_t> read{0};     // slots given back to the writer, ever
    std::atomic<std::uint32_t> epoch{0};
    std::atomic<std::uint32_t> stops{0};
    std::atomic<bool> dead{false};
    std::atomic<bool> closed{false};

    // The writer's own (and the controller's while no writer runs).
    bool dropping = false;  // blocks were dropped since the last one kept
    std::int64_t baseNs = 0;
    std::uint64_t pairsSinceBase = 0;
    std::uint32_t rate = 1;
    std::atomic<std::int64_t> writerTimeNs{0};

    // The reader's own.
    std::size_t next = 0;   // the oldest slot not handed out or copied out
    std::size_t taken = 0;  // pairs already copied from it
    std::vector<Use> use;

    // Guards only the reader's check-then-wait; the others hold it for no
    // work, just so that their notification cannot slip between the two.
    std::mutex waitMutex;
    std::condition_variable published;
};

// Pairs at a rate as nanoseconds, exact to the nanosecond below.
std::int64_t PairsToNs(std::uint64_t pairs, std::uint32_t rate);

}  // namespace excalibur::soapy
