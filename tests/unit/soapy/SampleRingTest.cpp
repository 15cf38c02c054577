#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <numeric>
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
    while (auto pending = ring.Peek(0us)) {
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
    EXPECT_FALSE(ring.Peek(1ms).has_value());
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
    auto pending = ring.Peek(0us);
    ASSERT_TRUE(pending.has_value());
    ring.Take(1);

    ring.Restart();
    EXPECT_FALSE(ring.Peek(0us).has_value());
    ring.Write(after.data(), 4);
    EXPECT_EQ(Drain(ring, 4), after);
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
