#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <numeric>
#include <thread>
#include <vector>

#include "soapy/SampleRing.h"
#include "soapy/StreamFormat.h"

using excalibur::soapy::SampleRing;
using namespace std::chrono_literals;

namespace {

// A block of `pairs` pairs whose values count up from `first`.
std::vector<std::int32_t> Counting(std::size_t pairs, std::int32_t first) {
    std::vector<std::int32_t> block(pairs * 2);
    std::iota(block.begin(), block.end(), first);
    return block;
}

// Everything readable now, as values, with -1 standing for each reported gap.
std::vector<std::int32_t> Drain(SampleRing& ring, std::size_t pairsPerTake) {
    std::vector<std::int32_t> seen;
    for (;;) {
        SampleRing::Claim claim;
        const SampleRing::Status status = ring.Peek(0us, claim);
        if (status == SampleRing::Status::Overflow) {
            seen.push_back(-1);
            continue;
        }
        if (status != SampleRing::Status::Ready) return seen;
        const std::size_t pairs = std::min(pairsPerTake, claim->pairs);
        seen.insert(seen.end(), claim->values, claim->values + pairs * 2);
        claim.Take(pairs);
    }
}

}  // namespace

TEST(SampleRing, BlocksOfAnySizeArriveWholeAndInOrderWhateverTheReaderTakes) {
    SampleRing ring(8, 4);
    const auto large = Counting(10, 0);  // two slots and a half
    const auto small = Counting(1, 20);
    ring.Write(large.data(), 10);
    ring.Write(nullptr, 0);
    ring.Write(small.data(), 1);

    auto expected = large;
    expected.insert(expected.end(), small.begin(), small.end());
    EXPECT_EQ(Drain(ring, 3), expected);
    SampleRing::Claim claim;
    EXPECT_EQ(ring.Peek(1ms, claim), SampleRing::Status::Timeout);
}

TEST(SampleRing, AFullRingDropsAndReportsEachLostStretchOnceWhereItWas) {
    SampleRing ring(2, 2);
    const auto a = Counting(2, 100), b = Counting(2, 200), c = Counting(2, 300), d = Counting(2, 400);
    const auto e = Counting(2, 500), f = Counting(2, 600);
    ring.Write(a.data(), 2);
    ring.Write(b.data(), 2);
    ring.Write(c.data(), 2);  // lost
    ring.Write(d.data(), 2);  // lost, same stretch

    std::vector<std::int32_t> expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    expected.push_back(-1);  // told as soon as what came before it is read
    EXPECT_EQ(Drain(ring, 2), expected);

    ring.Write(e.data(), 2);
    ring.Write(f.data(), 2);
    expected = e;
    expected.insert(expected.end(), f.begin(), f.end());
    EXPECT_EQ(Drain(ring, 2), expected);
}

// The blocks not read by a restart are gone, a slot handed out stays the
// reader's, and what the ring loses after the restart is told at once, from
// the new time 0.
TEST(SampleRing, ARestartDiscardsWhatWasNotReadAndStartsTheTimeAndTheLossesAfresh) {
    SampleRing ring(4, 4);
    ring.Restart(1000);
    const auto before = Counting(16, 0), after = Counting(4, 1000);
    ring.Write(before.data(), 16);
    SampleRing::Claim claim;
    ASSERT_EQ(ring.Peek(0us, claim), SampleRing::Status::Ready);
    const std::size_t held = claim.Acquire();
    ASSERT_EQ(ring.Peek(0us, claim), SampleRing::Status::Ready);
    claim.Take(1);
    ring.Write(after.data(), 4);  // lost: the ring is full

    ring.Restart(1000);
    EXPECT_EQ(ring.Peek(0us, claim), SampleRing::Status::Timeout);
    ring.Write(after.data(), 4);  // lost: the held slot keeps the ring's tail
    ASSERT_EQ(ring.Peek(0us, claim), SampleRing::Status::Overflow);
    EXPECT_EQ(claim->timeNs, 0);
    EXPECT_EQ(ring.Peek(0us, claim), SampleRing::Status::Timeout) << "told once";
    EXPECT_EQ(ring.SlotValues(held)[0], 0) << "a held slot keeps its pairs";
    EXPECT_TRUE(ring.Release(held));
    ring.Write(after.data(), 4);
    ASSERT_EQ(ring.Peek(0us, claim), SampleRing::Status::Ready);
    EXPECT_EQ(claim->timeNs, 4000000);
    EXPECT_EQ(claim->values[0], 1000);
    claim.Take(4);
    EXPECT_TRUE(Drain(ring, 4).empty());
}

// Times from the pairs the writer got at the rate of their blocks: 0 at the
// restart, on across a rate change, and on across the pairs the ring dropped;
// an overflow has the time of the first pair lost.
TEST(SampleRing, EveryPairHasTheTimeOfThePairsBeforeItDroppedOrNot) {
    SampleRing ring(2, 4);
    ring.Restart(1000);  // 1 ms a pair
    const auto block = Counting(6, 0);
    ring.Write(block.data(), 6);  // slots of 4 and 2 pairs, one block
    SampleRing::Claim claim;
    ASSERT_EQ(ring.Peek(0us, claim), SampleRing::Status::Ready);
    EXPECT_EQ(claim->timeNs, 0);
    EXPECT_TRUE(claim->moreOfBlock);
    claim.Take(3);
    ASSERT_EQ(ring.Peek(0us, claim), SampleRing::Status::Ready);
    EXPECT_EQ(claim->timeNs, 3000000);
    ring.Write(block.data(), 4);  // dropped: 4 ms lost
    claim.Take(1);
    ASSERT_EQ(ring.Peek(0us, claim), SampleRing::Status::Ready);
    EXPECT_EQ(claim->timeNs, 4000000);
    EXPECT_FALSE(claim->moreOfBlock);
    claim.Take(2);
    EXPECT_EQ(ring.WriterTimeNs(), 10000000);
    ring.ChangeRate(4000);  // 0.25 ms a pair
    ring.Write(block.data(), 2);
    ring.Write(block.data(), 2);
    ASSERT_EQ(ring.Peek(0us, claim), SampleRing::Status::Overflow);
    EXPECT_EQ(claim->timeNs, 6000000);
    ASSERT_EQ(ring.Peek(0us, claim), SampleRing::Status::Ready);
    EXPECT_EQ(claim->timeNs, 10000000);
    claim.Take(2);
    ASSERT_EQ(ring.Peek(0us, claim), SampleRing::Status::Ready);
    EXPECT_EQ(claim->timeNs, 10500000);
    claim.Take(2);
    EXPECT_EQ(ring.WriterTimeNs(), 11000000);
    ring.Restart(1000);
    EXPECT_EQ(ring.WriterTimeNs(), 0);
    EXPECT_EQ(excalibur::soapy::PairsToNs(3, 1000000), 3000);
    EXPECT_EQ(excalibur::soapy::PairsToNs(36000000000ull, 1000000), 36000000000000ll);  // 10 hours
}

// Slots handed out stay the reader's until released, in any order; the
// writer gets them back in ring order, and the loss while they hold it is
// told once the reader has read the rest.
TEST(SampleRing, HandedOutSlotsAreReusedOnlyOnceReleased) {
    SampleRing ring(3, 2);
    const auto a = Counting(2, 10), b = Counting(2, 20), c = Counting(2, 30), d = Counting(2, 40);
    ring.Write(a.data(), 2);
    ring.Write(b.data(), 2);
    SampleRing::Claim claim;
    ASSERT_EQ(ring.Peek(0us, claim), SampleRing::Status::Ready);
    const std::int32_t* first = claim->values;
    const std::size_t slotA = claim.Acquire();
    EXPECT_EQ(first, ring.SlotValues(slotA));
    EXPECT_EQ(first[0], 10);
    ASSERT_EQ(ring.Peek(0us, claim), SampleRing::Status::Ready);
    EXPECT_EQ(claim->values[0], 20);
    const std::size_t slotB = claim.Acquire();
    EXPECT_EQ(ring.Peek(0us, claim), SampleRing::Status::Timeout);
    ring.Write(c.data(), 2);
    ring.Write(d.data(), 2);  // full: a and b are out, c in
    EXPECT_TRUE(ring.Release(slotB));
    EXPECT_FALSE(ring.Release(slotB)) << "released twice";
    ring.Write(d.data(), 2);  // still full: a holds the ring's tail
    EXPECT_EQ(Drain(ring, 2), (std::vector<std::int32_t>{30, 31, 32, 33, -1}));
    EXPECT_TRUE(ring.Release(slotA));
    ring.Write(d.data(), 2);
    EXPECT_EQ(Drain(ring, 2), (std::vector<std::int32_t>{40, 41, 42, 43}));
}

// Positions past 2^32 with a length that does not divide it: each block is
// read once, in order, or its loss told; a held slot keeps its pairs.
TEST(SampleRing, TheWriterNeverReusesAnUnreadOrHeldSlotAcrossAnyPosition) {
    constexpr std::uint64_t kJustBelow2To32 = (std::uint64_t{1} << 32) - 7;
    SampleRing ring(5, 1, kJustBelow2To32);
    std::vector<std::pair<std::size_t, std::int32_t>> held;  // slot, its value
    const auto releaseHeld = [&] {                           // the last first
        for (auto slot = held.rbegin(); slot != held.rend(); ++slot) {
            EXPECT_EQ(ring.SlotValues(slot->first)[0], slot->second) << "a held slot was written";
            EXPECT_TRUE(ring.Release(slot->first));
        }
        held.clear();
    };
    std::int32_t expected = 0;
    bool lost = false;
    int reads = 0;
    for (std::int32_t k = 0; k < 60; ++k) {
        const std::int32_t block[2] = {k, -k};
        ring.Write(block, 1);
        if (k % 4 == 3) continue;  // the reader falls behind now and then
        SampleRing::Claim claim;
        const SampleRing::Status status = ring.Peek(0us, claim);
        if (status == SampleRing::Status::Overflow) lost = true;
        if (status != SampleRing::Status::Ready) {
            releaseHeld();
            continue;
        }
        const std::int32_t value = claim->values[0];
        if (lost ? value <= expected : value != expected) FAIL() << "block " << value << ", expected " << expected;
        expected = value + 1;
        lost = false;
        ++reads;
        if (k % 3 == 0) {
            held.emplace_back(claim.Acquire(), value);
        } else {
            claim.Take(1);
        }
        if (held.size() == 3) releaseHeld();
    }
    EXPECT_GT(reads, 30);
}

// A reader waiting in Peek is woken by Stop (once), Fail (once empty),
// Abandon (at once, for good) and Close (for good, even with blocks left).
TEST(SampleRing, StopFailAbandonAndCloseWakeAWaitingReader) {
    const auto wake = [](SampleRing& ring, auto action) {
        std::thread other([&] {
            std::this_thread::sleep_for(20ms);
            action();
        });
        const auto start = std::chrono::steady_clock::now();
        SampleRing::Claim claim;
        const auto status = ring.Peek(10s, claim);
        other.join();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        return status;
    };
    SampleRing ring(4, 4);
    SampleRing::Claim claim;
    EXPECT_EQ(wake(ring, [&] { ring.Stop(); }), SampleRing::Status::Stopped);
    EXPECT_EQ(ring.Peek(1ms, claim), SampleRing::Status::Timeout) << "a stop wakes only who waits";
    const auto block = Counting(4, 0);
    ring.Write(block.data(), 4);
    ring.Fail();
    ASSERT_EQ(ring.Peek(0us, claim), SampleRing::Status::Ready) << "what came before the failure";
    claim.Take(4);
    EXPECT_EQ(ring.Peek(0us, claim), SampleRing::Status::Dead);
    ring.Restart(1000);
    EXPECT_EQ(wake(ring, [&] { ring.Close(); }), SampleRing::Status::Closed);
    ring.Write(block.data(), 4);
    EXPECT_EQ(ring.Peek(0us, claim), SampleRing::Status::Closed);

    SampleRing abandoned(4, 4);
    EXPECT_EQ(wake(abandoned, [&] { abandoned.Abandon(); }), SampleRing::Status::Dead);
    abandoned.Write(block.data(), 4);
    EXPECT_EQ(abandoned.Peek(0us, claim), SampleRing::Status::Dead) << "with a block left";
    abandoned.Restart(1000);
    EXPECT_EQ(abandoned.Peek(0us, claim), SampleRing::Status::Dead) << "for good";
}

TEST(StreamFormat, EachFormatKeepsFullScaleAndSign) {
    using excalibur::soapy::StreamFormat;
    const std::int32_t in[] = {INT32_MIN, INT32_MAX, 0, -65536, 65535, 1 << 30};
    constexpr std::size_t kPairs = 3;

    std::int32_t cs32[6];
    excalibur::soapy::ConvertPairs(StreamFormat::Cs32, in, cs32, kPairs);
    EXPECT_EQ(std::vector<std::int32_t>(cs32, cs32 + 6), std::vector<std::int32_t>(in, in + 6));

    float cf32[6];
    excalibur::soapy::ConvertPairs(StreamFormat::Cf32, in, cf32, kPairs);
    EXPECT_EQ(cf32[0], -1.0f);
    EXPECT_FLOAT_EQ(cf32[1], 1.0f);
    EXPECT_EQ(cf32[2], 0.0f);
    EXPECT_EQ(cf32[5], 0.5f);

    std::int16_t cs16[6];
    excalibur::soapy::ConvertPairs(StreamFormat::Cs16, in, cs16, kPairs);
    EXPECT_EQ(std::vector<std::int16_t>(cs16, cs16 + 6), (std::vector<std::int16_t>{-32768, 32767, 0, -1, 0, 16384}));

    EXPECT_EQ(excalibur::soapy::ParseStreamFormat("CS16"), StreamFormat::Cs16);
    EXPECT_THROW(excalibur::soapy::ParseStreamFormat("CU8"), std::invalid_argument);
}
