#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <numeric>
#include <optional>
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

std::optional<SampleRing::Pending> Peek(SampleRing& ring, std::chrono::microseconds timeout = 0us) {
    SampleRing::Pending pending;
    if (ring.Peek(timeout, pending) != SampleRing::Status::Ready) return std::nullopt;
    return pending;
}

// Everything readable now, as values, with -1 standing for each reported gap.
std::vector<std::int32_t> Drain(SampleRing& ring, std::size_t pairsPerTake) {
    std::vector<std::int32_t> seen;
    while (auto pending = Peek(ring)) {
        if (pending->afterGap) {
            seen.push_back(-1);
            ring.ClearGap();
            continue;
        }
        const std::size_t pairs = std::min(pairsPerTake, pending->pairs);
        seen.insert(seen.end(), pending->values, pending->values + pairs * 2);
        ring.Take(pairs);
    }
    return seen;
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
    EXPECT_FALSE(Peek(ring, 1ms).has_value());
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
    EXPECT_EQ(Drain(ring, 2), expected);

    ring.Write(e.data(), 2);
    ring.Write(f.data(), 2);
    expected = {-1};
    expected.insert(expected.end(), e.begin(), e.end());
    expected.insert(expected.end(), f.begin(), f.end());
    EXPECT_EQ(Drain(ring, 2), expected);
}

TEST(SampleRing, ARestartLeavesEarlierBlocksUnreadEvenHalfTaken) {
    SampleRing ring(4, 4);
    const auto before = Counting(8, 0), after = Counting(4, 1000);
    ring.Write(before.data(), 8);
    auto pending = Peek(ring);
    ASSERT_TRUE(pending.has_value());
    ring.Take(1);

    ring.Restart(1000);
    EXPECT_FALSE(Peek(ring).has_value());
    ring.Write(after.data(), 4);
    EXPECT_EQ(Drain(ring, 4), after);
}

// Times from the pairs the writer got at the rate of their blocks: 0 at the
// restart, on across a rate change, and on across the pairs the ring dropped.
TEST(SampleRing, EveryPairHasTheTimeOfThePairsBeforeItDroppedOrNot) {
    SampleRing ring(2, 4);
    ring.Restart(1000);  // 1 ms a pair
    const auto block = Counting(6, 0);
    ring.Write(block.data(), 6);  // slots of 4 and 2 pairs, one block
    auto first = Peek(ring);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->timeNs, 0);
    EXPECT_TRUE(first->moreOfBlock);
    ring.Take(3);
    EXPECT_EQ(Peek(ring)->timeNs, 3000000);
    ring.Write(block.data(), 4);  // dropped: 4 ms lost
    ring.Take(1);
    auto second = Peek(ring);
    EXPECT_EQ(second->timeNs, 4000000);
    EXPECT_FALSE(second->moreOfBlock);
    ring.Take(2);
    EXPECT_EQ(ring.WriterTimeNs(), 10000000);
    ring.ChangeRate(4000);  // 0.25 ms a pair
    ring.Write(block.data(), 2);
    ring.Write(block.data(), 2);
    auto afterGap = Peek(ring);
    EXPECT_TRUE(afterGap->afterGap);
    EXPECT_EQ(afterGap->timeNs, 10000000);
    ring.ClearGap();
    ring.Take(2);
    EXPECT_EQ(Peek(ring)->timeNs, 10500000);
    EXPECT_EQ(ring.WriterTimeNs(), 11000000);
    ring.Restart(1000);
    EXPECT_EQ(ring.WriterTimeNs(), 0);
    EXPECT_EQ(excalibur::soapy::PairsToNs(3, 1000000), 3000);
    EXPECT_EQ(excalibur::soapy::PairsToNs(36000000000ull, 1000000), 36000000000000ll);  // 10 hours
}

// Slots handed out stay the reader's until released, in any order; the
// writer gets them back in ring order.
TEST(SampleRing, HandedOutSlotsAreReusedOnlyOnceReleased) {
    SampleRing ring(3, 2);
    const auto a = Counting(2, 10), b = Counting(2, 20), c = Counting(2, 30), d = Counting(2, 40);
    ring.Write(a.data(), 2);
    ring.Write(b.data(), 2);
    auto first = Peek(ring);
    const std::size_t slotA = ring.Acquire();
    EXPECT_EQ(first->values, ring.SlotValues(slotA));
    EXPECT_EQ(first->values[0], 10);
    auto second = Peek(ring);
    const std::size_t slotB = ring.Acquire();
    EXPECT_EQ(second->values[0], 20);
    EXPECT_FALSE(Peek(ring).has_value());
    ring.Write(c.data(), 2);
    ring.Write(d.data(), 2);  // full: a and b are out, c in
    EXPECT_TRUE(ring.Release(slotB));
    EXPECT_FALSE(ring.Release(slotB)) << "released twice";
    ring.Write(d.data(), 2);  // still full: a holds the ring's tail
    EXPECT_TRUE(ring.Release(slotA));
    ring.Write(d.data(), 2);
    EXPECT_EQ(Drain(ring, 2), (std::vector<std::int32_t>{30, 31, 32, 33, -1, 40, 41, 42, 43}));
}

// A reader waiting in Peek is woken by Stop (once), Fail (once empty) and
// Close (for good, even with blocks left).
TEST(SampleRing, StopFailAndCloseWakeAWaitingReader) {
    SampleRing ring(4, 4);
    SampleRing::Pending pending;
    const auto wake = [&](auto action) {
        std::thread other([&] {
            std::this_thread::sleep_for(20ms);
            action();
        });
        const auto start = std::chrono::steady_clock::now();
        const auto status = ring.Peek(10s, pending);
        other.join();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        return status;
    };
    EXPECT_EQ(wake([&] { ring.Stop(); }), SampleRing::Status::Stopped);
    EXPECT_EQ(ring.Peek(1ms, pending), SampleRing::Status::Timeout) << "a stop wakes only who waits";
    const auto block = Counting(4, 0);
    ring.Write(block.data(), 4);
    ring.Fail();
    EXPECT_EQ(ring.Peek(0us, pending), SampleRing::Status::Ready) << "what came before the failure";
    ring.Take(4);
    EXPECT_EQ(ring.Peek(0us, pending), SampleRing::Status::Dead);
    ring.Restart(1000);
    EXPECT_EQ(wake([&] { ring.Close(); }), SampleRing::Status::Closed);
    ring.Write(block.data(), 4);
    EXPECT_EQ(ring.Peek(0us, pending), SampleRing::Status::Closed);
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
