#pragma once

#include <cstddef>
#include <cstdint>

namespace excalibur {

// The whole sample path: one multiply per value, written so that the
// compiler turns it into packed int-to-float conversions and multiplies.
void ConvertDdc1Block(const std::int32_t* __restrict in, float* __restrict out, std::size_t count, float gain);

// The upper 16 bits of each value: full scale 2^31 becomes full scale 2^15.
void NarrowDdc1Block(const std::int32_t* __restrict in, std::int16_t* __restrict out, std::size_t count);

}  // namespace excalibur
