#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace host {

// The 58 bytes before the samples of a 2-channel 32-bit float WAVE file
// (WAVE_FORMAT_IEEE_FLOAT, with the fact chunk that non-PCM data needs).
std::vector<std::uint8_t> IqWavHeader(std::uint32_t sampleRate, std::uint32_t frames);

// The most frames one file can hold: the RIFF size is 32-bit.
constexpr std::uint32_t maxWavFrames = (0xFFFFFFFFu - 50u) / 8u;

// I on the left channel, Q on the right. False with a reason on failure;
// more than maxWavFrames pairs is a failure, not a truncated file.
bool WriteIqWav(const std::string& path, const float* iq, std::size_t pairs, std::uint32_t sampleRate,
                std::string& error);

}  // namespace host
