#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/Checksums.h"
#include "host/PngWriter.h"

namespace host {
namespace {

std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

struct PngChunk {
    std::string type;
    std::vector<std::uint8_t> data;
    bool crcMatches;
};

std::vector<PngChunk> SplitChunks(const std::vector<std::uint8_t>& png) {
    std::vector<PngChunk> chunks;
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::uint32_t length = Be32(&png[at]);
        if (at + 12 + length > png.size()) break;
        PngChunk chunk;
        chunk.type.assign(reinterpret_cast<const char*>(&png[at + 4]), 4);
        chunk.data.assign(png.begin() + static_cast<std::ptrdiff_t>(at + 8),
                          png.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
        chunk.crcMatches = Crc32(&png[at + 4], 4 + length) == Be32(&png[at + 8 + length]);
        chunks.push_back(chunk);
        at += 12 + length;
    }
    return chunks;
}

// A zlib reader for stored blocks only: what our writer produces. Fails the
// test on anything malformed.
std::vector<std::uint8_t> InflateStored(const std::vector<std::uint8_t>& z) {
    std::vector<std::uint8_t> out;
    EXPECT_GE(z.size(), 6u);
    if (z.size() < 6) return out;
    EXPECT_EQ(z[0] & 0x0F, 8) << "deflate";
    EXPECT_EQ(((z[0] << 8) | z[1]) % 31, 0) << "header check bits";
    EXPECT_EQ(z[1] & 0x20, 0) << "no preset dictionary";
    std::size_t at = 2;
    for (bool last = false; !last;) {
        if (at + 5 > z.size()) {
            ADD_FAILURE() << "truncated block header";
            return out;
        }
        last = (z[at] & 1) != 0;
        EXPECT_EQ((z[at] >> 1) & 3, 0) << "stored block";
        const std::uint16_t length = static_cast<std::uint16_t>(z[at + 1] | (z[at + 2] << 8));
        const std::uint16_t inverse = static_cast<std::uint16_t>(z[at + 3] | (z[at + 4] << 8));
        EXPECT_EQ(static_cast<std::uint16_t>(~length), inverse);
        at += 5;
        if (at + length > z.size()) {
            ADD_FAILURE() << "truncated block";
            return out;
        }
        out.insert(out.end(), z.begin() + static_cast<std::ptrdiff_t>(at),
                   z.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    }
    EXPECT_EQ(at + 4, z.size()) << "Adler-32 ends the stream";
    if (at + 4 <= z.size()) {
        EXPECT_EQ(Be32(&z[at]), Adler32(out.data(), out.size()));
    }
    return out;
}

std::vector<std::uint8_t> Gradient(std::uint32_t width, std::uint32_t height, std::size_t channels) {
    std::vector<std::uint8_t> pixels(width * height * channels);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return pixels;
}

void ExpectDecodesTo(const std::vector<std::uint8_t>& png, const std::vector<std::uint8_t>& pixels,
                     std::uint32_t width, std::uint32_t height, std::uint8_t colourType) {
    const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(std::memcmp(png.data(), signature, 8), 0);

    const auto chunks = SplitChunks(png);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    for (const PngChunk& chunk : chunks) EXPECT_TRUE(chunk.crcMatches) << chunk.type;
    EXPECT_TRUE(chunks[2].data.empty());

    const auto& header = chunks[0].data;
    ASSERT_EQ(header.size(), 13u);
    EXPECT_EQ(Be32(&header[0]), width);
    EXPECT_EQ(Be32(&header[4]), height);
    EXPECT_EQ(header[8], 8);
    EXPECT_EQ(header[9], colourType);
    EXPECT_EQ(header[10], 0);
    EXPECT_EQ(header[11], 0);
    EXPECT_EQ(header[12], 0);

    const std::size_t rowBytes = pixels.size() / height;
    const auto raw = InflateStored(chunks[1].data);
    ASSERT_EQ(raw.size(), height * (rowBytes + 1));
    for (std::uint32_t y = 0; y < height; ++y) {
        EXPECT_EQ(raw[y * (rowBytes + 1)], 0) << "filter of row " << y;
        EXPECT_EQ(std::memcmp(&raw[y * (rowBytes + 1) + 1], &pixels[y * rowBytes], rowBytes), 0) << "row " << y;
    }
}

TEST(Checksums, MatchTheKnownCheckValues) {
    const std::string text = "123456789";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    EXPECT_EQ(Crc32(bytes, text.size()), 0xCBF43926u);
    EXPECT_EQ(Crc32(bytes + 4, text.size() - 4, Crc32(bytes, 4)), 0xCBF43926u) << "continued";
    const std::string wiki = "Wikipedia";
    EXPECT_EQ(Adler32(reinterpret_cast<const std::uint8_t*>(wiki.data()), wiki.size()), 0x11E60398u);
    const std::uint8_t iend[] = {'I', 'E', 'N', 'D'};
    EXPECT_EQ(Crc32(iend, 4), 0xAE426082u);
}

TEST(Checksums, AdlerStaysExactOverLongRunsOfLargeBytes) {
    // Long enough to overflow 32 bits without the periodic reduction.
    const std::vector<std::uint8_t> ones(100000, 0xFF);
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : ones) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    EXPECT_EQ(Adler32(ones.data(), ones.size()), (b << 16) | a);
}

TEST(PngWriter, SmallRgbImageIsAValidPng) {
    const auto pixels = Gradient(5, 3, 3);
    ExpectDecodesTo(EncodePng(pixels.data(), 5, 3, PngPixelFormat::Rgb), pixels, 5, 3, 2);
}

TEST(PngWriter, ImageLargerThanOneStoredBlockSpansSeveralBlocks) {
    const auto pixels = Gradient(300, 200, 4);   // 240,200 bytes of scanlines
    const auto png = EncodePng(pixels.data(), 300, 200, PngPixelFormat::Rgba);
    ExpectDecodesTo(png, pixels, 300, 200, 6);
}

TEST(PngWriter, StreamOfExactlyOneFullBlockEndsWithTheFinalFlag) {
    const std::vector<std::uint8_t> data(65535, 0x5A);
    const auto z = StoredZlibStream(data.data(), data.size());
    EXPECT_EQ(z.size(), 2u + 5u + 65535u + 4u);
    EXPECT_EQ(InflateStored(z), data);
    EXPECT_EQ(InflateStored(StoredZlibStream(nullptr, 0)), std::vector<std::uint8_t>{});
}

}  // namespace
}  // namespace host
