#include "host/Checksums.h"

#include <array>

namespace host {
namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr auto crcTable = MakeCrcTable();

}  // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t previous) {
    std::uint32_t c = previous ^ 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) c = crcTable[(c ^ data[i]) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::uint32_t Adler32(const std::uint8_t* data, std::size_t size, std::uint32_t previous) {
    constexpr std::uint32_t modulus = 65521;
    std::uint32_t a = previous & 0xFFFFu;
    std::uint32_t b = previous >> 16;
    // 5552 bytes is the most that can be summed before b could overflow 32 bits.
    while (size > 0) {
        const std::size_t run = size < 5552 ? size : 5552;
        for (std::size_t i = 0; i < run; ++i) {
            a += data[i];
            b += a;
        }
        a %= modulus;
        b %= modulus;
        data += run;
        size -= run;
    }
    return (b << 16) | a;
}

}  // namespace host
