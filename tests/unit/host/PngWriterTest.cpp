#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/PngWriter.h"
#include "host/RgbImage.h"

// Only stb_image's inflate is used, to read the image data back.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb_image.h>

namespace host {
namespace {

std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The image data as a reader has it before unfiltering: the IDAT chunks, inflated.
std::vector<std::uint8_t> InflatedImageData(const std::vector<std::uint8_t>& png) {
    std::string idat;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::uint32_t length = Be32(&png[at]);
        if (at + 12 + length > png.size()) break;
        if (std::memcmp(&png[at + 4], "IDAT", 4) == 0) idat.append(reinterpret_cast<const char*>(&png[at + 8]), length);
        at += 12 + length;
    }
    int size = 0;
    char* raw = stbi_zlib_decode_malloc(idat.data(), static_cast<int>(idat.size()), &size);
    if (raw == nullptr) return {};
    std::vector<std::uint8_t> data(raw, raw + size);
    stbi_image_free(raw);
    return data;
}

TEST(PngWriter, WritesEightBitRgbWithEveryRowUnfiltered) {
    RgbImage image(37, 11, {0, 0, 0});
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            image.Set(x, y,
                      {static_cast<std::uint8_t>(x * 7), static_cast<std::uint8_t>(y * 23),
                       static_cast<std::uint8_t>(x * y)});
        }
    }
    const auto path = std::filesystem::temp_directory_path() / "png-writer-test.png";
    std::string error;
    ASSERT_TRUE(WritePng(path.string(), image, error)) << error;
    const auto png = ReadFile(path);
    std::filesystem::remove(path);

    ASSERT_GE(png.size(), 33u);
    EXPECT_EQ(std::memcmp(png.data(), "\x89PNG\r\n\x1A\n", 8), 0);
    EXPECT_EQ(std::memcmp(&png[12], "IHDR", 4), 0);
    EXPECT_EQ(Be32(&png[16]), 37u);
    EXPECT_EQ(Be32(&png[20]), 11u);
    EXPECT_EQ(png[24], 8) << "bits per channel";
    EXPECT_EQ(png[25], 2) << "RGB";

    const std::size_t rowBytes = 37 * 3;
    const auto raw = InflatedImageData(png);
    ASSERT_EQ(raw.size(), 11 * (rowBytes + 1));
    for (std::size_t y = 0; y < 11; ++y) {
        EXPECT_EQ(raw[y * (rowBytes + 1)], 0) << "filter of row " << y;
        EXPECT_EQ(std::memcmp(&raw[y * (rowBytes + 1) + 1], image.Pixels() + y * rowBytes, rowBytes), 0) << "row " << y;
    }
}

TEST(PngWriter, AFileThatCannotBeCreatedIsReported) {
    const std::string path = (std::filesystem::temp_directory_path() / "no-such-folder" / "plot.png").string();
    std::string error;
    EXPECT_FALSE(WritePng(path, RgbImage(2, 2, {1, 2, 3}), error));
    EXPECT_EQ(error, "cannot create '" + path + "'");
}

}  // namespace
}  // namespace host
