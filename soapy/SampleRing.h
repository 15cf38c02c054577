#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace excalibur::soapy {

// A bounded ring of raw I/Q blocks from the driver's thread (the one writer)
// to the stream's reader (the one reader). The writer never waits: a block
// that finds the ring full is dropped, and the next block it keeps is marked
// as coming after a gap, so the reader learns of each lost stretch once.
class SampleRing {
public:
    SampleRing(std::size_t slots, std::size_t pairsPerSlot);
    SampleRing(const SampleRing&) = delete;
    SampleRing& operator=(const SampleRing&) = delete;

    // Writer: copies the block, spread over as many slots as it needs.
    void Write(const std::int32_t* block, std::size_t pairs);

    struct Pending {
        const std::int32_t* values;  // interleaved I/Q
        std::size_t pairs;
        bool afterGap;  // blocks were lost right before these pairs
    };
    // Reader: what is left of the oldest block, after waiting up to the
    // timeout for one; nothing on timeout.
    std::optional<Pending> Peek(std::chrono::microseconds timeout);
    // Reader: the gap before the oldest block has been reported.
    void ClearGap();
    // Reader: the first pairs of the oldest block have been taken.
    void Take(std::size_t pairs);

    // While no writer runs: the blocks written so far are left unread, also
    // by a reader that waits in Peek right now.
    void Restart();

    std::size_t PairsPerSlot() const { return pairsPerSlot; }

private:
    struct Slot {
        std::size_t pairs = 0;
        std::uint32_t epoch = 0;
        bool afterGap = false;
    };

    bool Readable();

    const std::size_t pairsPerSlot;
    std::vector<Slot> slots;
    std::vector<std::int32_t> values;

    std::atomic<std::size_t> written{0};  // slots published, ever
    std::atomic<std::size_t> read{0};     // slots released, ever
    std::atomic<std::uint32_t> epoch{0};

    // The writer's own: blocks were dropped since the last one kept.
    bool dropping = false;
    // The reader's own: pairs already taken from the oldest slot.
    std::size_t taken = 0;

    // Guards only the reader's check-then-wait; the writer holds it for no
    // work, just so that its notification cannot slip between the two.
    std::mutex waitMutex;
    std::condition_variable published;
};

}  // namespace excalibur::soapy
