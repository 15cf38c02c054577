#pragma once

#include <complex>
#include <vector>

namespace host {

// In-place forward radix-2 FFT; the size must be a power of two.
void ForwardFft(std::vector<std::complex<double>>& data);

bool IsPowerOfTwo(std::size_t n);

}  // namespace host
