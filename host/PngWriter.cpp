#include "host/PngWriter.h"

#include <algorithm>
#include <fstream>

#include "host/ByteWriter.h"
#include "host/Checksums.h"

namespace host {
namespace {

void Chunk(ByteWriter& out, const char (&type)[5], const std::vector<std::uint8_t>& data) {
    out.U32be(static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.Data().size();
    out.Text(std::string_view(type, 4));
    out.Bytes(data.data(), data.size());
    out.U32be(Crc32(out.Data().data() + typeAt, 4 + data.size()));
}

}  // namespace

std::vector<std::uint8_t> StoredZlibStream(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t largestStoredBlock = 65535;
    ByteWriter out;
    out.U8(0x78);   // deflate, 32 KiB window
    out.U8(0x01);   // no preset dictionary; 0x7801 is a multiple of 31
    std::size_t offset = 0;
    do {
        const std::size_t length = std::min(largestStoredBlock, size - offset);
        const bool last = offset + length == size;
        out.U8(last ? 1 : 0);   // BFINAL, BTYPE 00: stored
        out.U16le(static_cast<std::uint16_t>(length));
        out.U16le(static_cast<std::uint16_t>(~length));
        out.Bytes(data + offset, length);
        offset += length;
    } while (offset < size);
    out.U32be(Adler32(data, size));
    return out.Data();
}

std::vector<std::uint8_t> EncodePng(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                                    PngPixelFormat format) {
    const std::size_t channels = format == PngPixelFormat::Rgba ? 4 : 3;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * channels;

    std::vector<std::uint8_t> scanlines;
    scanlines.reserve((rowBytes + 1) * height);
    for (std::uint32_t y = 0; y < height; ++y) {
        scanlines.push_back(0);   // filter: none
        const std::uint8_t* row = pixels + y * rowBytes;
        scanlines.insert(scanlines.end(), row, row + rowBytes);
    }

    ByteWriter header;
    header.U32be(width);
    header.U32be(height);
    header.U8(8);                                              // bits per channel
    header.U8(format == PngPixelFormat::Rgba ? 6 : 2);         // colour type
    header.U8(0);                                              // deflate
    header.U8(0);                                              // adaptive filtering
    header.U8(0);                                              // not interlaced

    ByteWriter out;
    const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    out.Bytes(signature, sizeof signature);
    Chunk(out, "IHDR", header.Data());
    Chunk(out, "IDAT", StoredZlibStream(scanlines.data(), scanlines.size()));
    Chunk(out, "IEND", {});
    return out.Data();
}

bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        error = "cannot create '" + path + "'";
        return false;
    }
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        error = "cannot write '" + path + "'";
        return false;
    }
    return true;
}

}  // namespace host
