#pragma once

#include <cstdint>

#include "receiver/ReceiverDriver.h"

namespace excalibur::soapy {

inline constexpr std::uint32_t kMaxBlockMilliseconds = 50;

// The block length to ask the driver for: a power of two up to the ring's
// 4096-pair slots, and at low rates no longer than 50 ms, so that blocks come
// well within the 100 ms timeout that many clients read with.
constexpr std::uint32_t BlockPairs(std::uint32_t sampleRate) {
    std::uint32_t pairs = driver::kPairsPerBlock;
    while (pairs > 1 && std::uint64_t{pairs} * 1000 > std::uint64_t{sampleRate} * kMaxBlockMilliseconds) pairs /= 2;
    return pairs;
}

}  // namespace excalibur::soapy
