#include "host/WavWriter.h"

#include <algorithm>
#include <bit>
#include <fstream>

#include "host/ByteWriter.h"

namespace host {

std::vector<std::uint8_t> IqWavHeader(std::uint32_t sampleRate, std::uint32_t frames) {
    constexpr std::uint16_t formatIeeeFloat = 3;
    constexpr std::uint16_t channels = 2;
    constexpr std::uint16_t bitsPerSample = 32;
    constexpr std::uint16_t frameBytes = channels * bitsPerSample / 8;
    const std::uint32_t dataBytes = frames * frameBytes;

    ByteWriter out;
    out.Text("RIFF");
    out.U32le(4 + (8 + 18) + (8 + 4) + (8 + dataBytes));
    out.Text("WAVE");
    out.Text("fmt ");
    out.U32le(18);
    out.U16le(formatIeeeFloat);
    out.U16le(channels);
    out.U32le(sampleRate);
    out.U32le(sampleRate * frameBytes);
    out.U16le(frameBytes);
    out.U16le(bitsPerSample);
    out.U16le(0);
    out.Text("fact");
    out.U32le(4);
    out.U32le(frames);
    out.Text("data");
    out.U32le(dataBytes);
    return out.Data();
}

bool WriteIqWav(const std::string& path, const float* iq, std::size_t pairs, std::uint32_t sampleRate,
                std::string& error) {
    if (pairs > maxWavFrames) {
        error = "too many samples for one WAVE file";
        return false;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        error = "cannot create '" + path + "'";
        return false;
    }
    const auto header = IqWavHeader(sampleRate, static_cast<std::uint32_t>(pairs));
    file.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));

    ByteWriter chunk;
    constexpr std::size_t pairsPerChunk = 8192;
    for (std::size_t first = 0; first < pairs && file; first += pairsPerChunk) {
        chunk.Data().clear();
        const std::size_t end = std::min(pairs, first + pairsPerChunk);
        for (std::size_t value = first * 2; value < end * 2; ++value)
            chunk.U32le(std::bit_cast<std::uint32_t>(iq[value]));
        file.write(reinterpret_cast<const char*>(chunk.Data().data()),
                   static_cast<std::streamsize>(chunk.Data().size()));
    }
    file.close();
    if (!file) {
        error = "cannot write '" + path + "'";
        return false;
    }
    return true;
}

}  // namespace host
