#pragma once

#include <cstddef>
#include <cstdint>

namespace host {

// CRC-32 as PNG and zlib define it (reflected, polynomial 0xEDB88320).
// Pass the previous result to continue over more bytes.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t previous = 0);

// Adler-32 of a zlib stream; start with 1.
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size, std::uint32_t previous = 1);

}  // namespace host
