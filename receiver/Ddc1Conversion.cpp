#include "receiver/Ddc1Conversion.h"

namespace excalibur {

// Natively the loader picks the widest vectors the processor has; the i686
// build is SSE2 throughout.
#if defined(__x86_64__) && defined(__linux__) && !defined(__SANITIZE_THREAD__)
__attribute__((target_clones("avx2", "default")))
#endif
void ConvertDdc1Block(const std::int32_t* __restrict in, float* __restrict out, std::size_t count, float gain) {
    for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<float>(in[i]) * gain;
}

}  // namespace excalibur
