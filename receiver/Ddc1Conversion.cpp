#include "receiver/Ddc1Conversion.h"

namespace excalibur {

// Natively the loader picks the widest vectors the processor has; the i686
// build is SSE2 throughout.
#if defined(__x86_64__) && defined(__linux__) && !defined(__SANITIZE_THREAD__)
#define EXCALIBUR_WIDEST_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define EXCALIBUR_WIDEST_VECTORS
#endif

EXCALIBUR_WIDEST_VECTORS
void ConvertDdc1Block(const std::int32_t* __restrict in, float* __restrict out, std::size_t count, float gain) {
    for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<float>(in[i]) * gain;
}

EXCALIBUR_WIDEST_VECTORS
void NarrowDdc1Block(const std::int32_t* __restrict in, std::int16_t* __restrict out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<std::int16_t>(in[i] >> 16);
}

}  // namespace excalibur
