#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace excalibur::soapy {

// The driver's samples are signed 32-bit with full scale 2^31.
inline constexpr double kNativeFullScale = 2147483648.0;

enum class StreamFormat { Cs32, Cf32, Cs16 };

// Native first.
std::vector<std::string> StreamFormatNames();
// Throws std::invalid_argument for a format the module does not deliver.
StreamFormat ParseStreamFormat(const std::string& name);

// Converts interleaved pairs in one pass: CS32 as delivered, CF32 to ±1.0 at
// full scale, CS16 to its upper 16 bits.
void ConvertPairs(StreamFormat format, const std::int32_t* in, void* out, std::size_t pairs);

}  // namespace excalibur::soapy
