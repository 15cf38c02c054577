#pragma once

#include <cstddef>
#include <cstdint>

namespace excalibur {

// The whole sample path: one multiply per value, written so that the
// compiler turns it into packed int-to-float conversions and multiplies.
inline void ConvertDdc1Block(const std::int32_t* __restrict in, float* __restrict out, std::size_t count,
                             float gain) {
    for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<float>(in[i]) * gain;
}

}  // namespace excalibur
