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
// to the stream's readers. The writer never waits and takes no lock but the
// wake-up's: a block that finds the ring full is dropped, and each lost
// stretch reaches the readers once, as soon as they have read what came
// before it, whether or not a block has come after it.
//
// Every pair carries a time: the writer counts the pairs the driver delivers,
// kept or dropped, at the rate of the blocks they came in, from 0 at
// Restart. A gap therefore shows in the time of the pair after it.
//
// Readers copy out of the oldest slot (Peek, then Take) or borrow whole
// slots (Peek, then Acquire; Release gives one back, from any thread). Any
// number of threads may read: a claim holds the reader's lock from Peek to
// Take or Acquire, never across the wait for a block, so each pair goes to
// one reader once. The writer reuses a slot only once it is released, in
// ring order; positions are 64-bit, so they never wrap.
class SampleRing {
public:
    // A slot's place in the stream: the count of slots before it, which never wraps.
    using Position = std::uint64_t;

    // `firstPosition` lets tests start the positions anywhere.
    SampleRing(std::size_t slots, std::size_t pairsPerSlot, Position firstPosition = 0);
    SampleRing(const SampleRing&) = delete;
    SampleRing& operator=(const SampleRing&) = delete;

    // Writer: copies the block, spread over as many slots as it needs.
    void Write(const std::int32_t* block, std::size_t pairs);

    // While no writer runs: the blocks not read yet are discarded (slots
    // handed out stay the reader's), the time starts again at 0, at this rate
    // (Hz), and a failed ring lives again.
    void Restart(std::uint32_t rate);
    // While no writer runs: the blocks to come have this rate; their time
    // goes on from the last pair written.
    void ChangeRate(std::uint32_t rate);
    // Any thread: the time of the next pair the writer will get, in ns.
    std::int64_t WriterTimeNs() const { return writerTimeNs.load(std::memory_order_acquire); }

    // Any thread. Stop: readers waiting in Peek now return Stopped. Fail: no
    // more blocks will come until Restart; once the ring is empty readers get
    // Dead. Abandon: readers get Dead now and for good, blocks left or not
    // (the writer may go on). Close: readers get Closed, now and for good.
    void Stop();
    void Fail();
    void Abandon();
    void Close();
    bool Abandoned() const { return abandoned.load(); }

    enum class Status { Ready, Overflow, Timeout, Stopped, Dead, Closed };
    struct Pending {
        const std::int32_t* values = nullptr;  // interleaved I/Q
        std::size_t pairs = 0;
        bool moreOfBlock = false;  // the block goes on in the next slot
        std::int64_t timeNs = 0;   // of the first of these pairs; of the first pair lost for Overflow
    };
    // The pairs Peek found ready, this reader's alone until it takes them,
    // acquires their slot or lets go of the claim (which leaves them unread).
    class Claim {
    public:
        const Pending& operator*() const { return pending; }
        const Pending* operator->() const { return &pending; }
        // The first pairs were copied.
        void Take(std::size_t pairs);
        // The slot is handed out until released, its unread pairs moved to
        // its start (and `values` with them). Returns its index.
        std::size_t Acquire();

    private:
        friend class SampleRing;
        SampleRing* ring = nullptr;
        std::unique_lock<std::mutex> lock;
        Pending pending;
    };
    // Reader: waits up to the timeout for the oldest unread pairs (Ready,
    // claimed) or a lost stretch before them not yet reported (Overflow,
    // reported now).
    Status Peek(std::chrono::microseconds timeout, Claim& claim);
    // Any thread: a slot handed out is given back; false if it was not handed out.
    bool Release(std::size_t slot);

    std::size_t PairsPerSlot() const { return pairsPerSlot; }
    std::size_t Slots() const { return slots.size(); }
    const std::int32_t* SlotValues(std::size_t slot) const { return &values[slot * pairsPerSlot * 2]; }

private:
    static constexpr Position kNoPosition = ~Position{0};

    struct Slot {
        std::size_t pairs = 0;
        bool afterGap = false;
        bool lastOfBlock = true;
        std::int64_t baseNs = 0;      // the time at firstPair 0
        std::uint64_t firstPair = 0;  // of this slot, counted from baseNs
        std::uint32_t rate = 1;
        std::int64_t TimeNs(std::size_t pair) const;
    };
    // The readers' own view of a slot.
    enum class Use : std::uint8_t { Unread, HandedOut, Done };

    std::size_t IndexOf(Position position) const { return static_cast<std::size_t>(position % slots.size()); }
    // Holding readerMutex.
    void Finish(Position position);
    void Wake();

    const std::size_t pairsPerSlot;
    std::vector<Slot> slots;
    std::vector<std::int32_t> values;

    std::atomic<Position> written;  // slots published, ever
    std::atomic<Position> read;     // slots given back to the writer, ever
    // Where the writer began dropping the blocks it is dropping now.
    std::atomic<Position> droppingAt{kNoPosition};
    std::atomic<std::uint32_t> stops{0};
    std::atomic<bool> dead{false};
    std::atomic<bool> abandoned{false};
    std::atomic<bool> closed{false};

    // The writer's own (and the controller's while no writer runs).
    bool dropping = false;  // blocks were dropped since the last one kept
    std::int64_t baseNs = 0;
    std::uint64_t pairsSinceBase = 0;
    std::uint32_t rate = 1;
    std::atomic<std::int64_t> writerTimeNs{0};

    // The readers', under readerMutex; never held across a wait.
    std::mutex readerMutex;
    Position next;                       // the oldest not handed out or copied out
    std::size_t taken = 0;               // pairs already copied from it
    Position reportedGap = kNoPosition;  // where the last lost stretch reported was
    std::int64_t readEndNs = 0;          // the time after the last pair read
    std::vector<Use> use;

    // Guards only a reader's check-then-wait; the others hold it for no
    // work, just so that their notification cannot slip between the two.
    std::mutex waitMutex;
    std::condition_variable published;
};

// Pairs at a rate as nanoseconds, exact to the nanosecond below.
std::int64_t PairsToNs(std::uint64_t pairs, std::uint32_t rate);

}  // namespace excalibur::soapy
