#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace host {

// Appends little-endian fields, for the WAV files the host writes.
class ByteWriter {
public:
    void Text(std::string_view text) { bytes_.insert(bytes_.end(), text.begin(), text.end()); }
    void U8(std::uint8_t value) { bytes_.push_back(value); }
    void U16le(std::uint16_t value) {
        for (int shift = 0; shift < 16; shift += 8) bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    void U32le(std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    void Bytes(const std::uint8_t* data, std::size_t size) { bytes_.insert(bytes_.end(), data, data + size); }

    const std::vector<std::uint8_t>& Data() const { return bytes_; }
    std::vector<std::uint8_t>& Data() { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace host
