#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "host/WavWriter.h"

namespace host {
namespace {

TEST(WavWriter, HeaderIsAFloatStereoWaveWithFactChunk) {
    const std::vector<std::uint8_t> expected = {
        'R',  'I',  'F',  'F',  0x4A, 0x00, 0x00, 0x00,                          // 50 + 3 frames * 8 bytes
        'W',  'A',  'V',  'E',  'f',  'm',  't',  ' ',  0x12, 0x00, 0x00, 0x00,  // 18 bytes of format
        0x03, 0x00,                                                              // WAVE_FORMAT_IEEE_FLOAT
        0x02, 0x00,                                                              // I and Q
        0x00, 0x77, 0x01, 0x00,                                                  // 96000 frames per second
        0x00, 0xB8, 0x0B, 0x00,                                                  // 768000 bytes per second
        0x08, 0x00,                                                              // bytes per frame
        0x20, 0x00,                                                              // bits per sample
        0x00, 0x00,                                                              // no extension
        'f',  'a',  'c',  't',  0x04, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
        'd',  'a',  't',  'a',  0x18, 0x00, 0x00, 0x00,
    };
    EXPECT_EQ(IqWavHeader(96000, 3), expected);
}

TEST(WavWriter, WritesIOnTheLeftAndQOnTheRight) {
    const float iq[] = {0.5f, -0.25f, 1.0f, -1.0f};
    const std::string path = testing::TempDir() + "host_wav_test.wav";
    std::string error;
    ASSERT_TRUE(WriteIqWav(path, iq, 2, 48000, error)) << error;

    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 58u + 16u);
    const auto header = IqWavHeader(48000, 2);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), bytes.begin()));
    // 0.5f, -0.25f, 1.0f, -1.0f in little-endian IEEE 754.
    const std::vector<std::uint8_t> samples = {0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x80, 0xBE,
                                               0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0xBF};
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), bytes.begin() + 58));
    std::remove(path.c_str());
}

TEST(WavWriter, RefusesWhatOneFileCannotHoldAndUnwritablePaths) {
    std::string error;
    EXPECT_FALSE(WriteIqWav(testing::TempDir() + "never.wav", nullptr, std::size_t{maxWavFrames} + 1, 48000, error));
    EXPECT_NE(error.find("too many samples"), std::string::npos);
    const float iq[] = {0.0f, 0.0f};
    error.clear();
    EXPECT_FALSE(WriteIqWav(testing::TempDir() + "no/such/folder/x.wav", iq, 1, 48000, error));
    EXPECT_NE(error.find("cannot create"), std::string::npos);
}

}  // namespace
}  // namespace host
