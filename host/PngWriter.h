#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

enum class PngPixelFormat { Rgb, Rgba };

// A PNG file of 8-bit pixels, rows top to bottom, no padding between rows.
// The image data is a zlib stream of stored deflate blocks: no compression,
// but any PNG reader opens it. Shared by the spectrum plot and screenshots.
std::vector<std::uint8_t> EncodePng(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                                    PngPixelFormat format);

// The zlib stream alone (header, stored blocks, Adler-32).
std::vector<std::uint8_t> StoredZlibStream(const std::uint8_t* data, std::size_t size);

bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error);

}  // namespace host
