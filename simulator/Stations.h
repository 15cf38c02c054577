#pragma once

#include <cstdint>

namespace simulator {

enum class Emission : std::uint8_t {
    Carrier,  // a steady unmodulated carrier
    Am,       // a broadcast station: carrier and two audio tones, 30 % each
    Cw,       // a keyed carrier sending the same call at 20 words per minute
};

struct Station {
    std::uint32_t hertz;
    float levelDb;  // carrier amplitude in dB below full scale, before the attenuator
    Emission emission;
};

// The radio scene from 10 Hz to 50 MHz. Around 7.05 MHz, the usual tuning,
// every DDC1 rate has strong stations in band; the carrier at 7.04 MHz is the
// reference tests measure.
// clang-format off
inline constexpr Station kStations[] = {
    {50, -70.0f, Emission::Carrier},
    {60000, -52.0f, Emission::Carrier},
    {77500, -45.0f, Emission::Carrier},
    {153000, -40.0f, Emission::Am},
    {198000, -35.0f, Emission::Am},
    {531000, -42.0f, Emission::Am},
    {603000, -38.0f, Emission::Am},
    {693000, -33.0f, Emission::Am},
    {810000, -40.0f, Emission::Am},
    {909000, -36.0f, Emission::Am},
    {1089000, -39.0f, Emission::Am},
    {1215000, -44.0f, Emission::Am},
    {1422000, -41.0f, Emission::Am},
    {1593000, -46.0f, Emission::Am},
    {1838000, -70.0f, Emission::Cw},
    {3510000, -60.0f, Emission::Cw},
    {3573000, -65.0f, Emission::Carrier},
    {3955000, -52.0f, Emission::Am},
    {5000000, -50.0f, Emission::Carrier},
    {5960000, -40.0f, Emission::Am},
    {6005000, -42.0f, Emission::Am},
    {6070000, -45.0f, Emission::Am},
    {6160000, -48.0f, Emission::Am},
    {6650000, -50.0f, Emission::Carrier},
    {6700000, -55.0f, Emission::Cw},
    {6890000, -47.0f, Emission::Am},
    {6985000, -44.0f, Emission::Am},
    {7020000, -58.0f, Emission::Cw},
    {7040000, -30.0f, Emission::Carrier},
    {7046300, -55.0f, Emission::Cw},
    {7059000, -36.0f, Emission::Am},
    {7074000, -60.0f, Emission::Carrier},
    {7120000, -41.0f, Emission::Am},
    {7135000, -49.0f, Emission::Am},
    {7200000, -38.0f, Emission::Am},
    {7245000, -43.0f, Emission::Am},
    {7290000, -52.0f, Emission::Am},
    {7325000, -40.0f, Emission::Am},
    {7410000, -46.0f, Emission::Am},
    {9420000, -42.0f, Emission::Am},
    {9580000, -39.0f, Emission::Am},
    {9650000, -44.0f, Emission::Am},
    {9755000, -47.0f, Emission::Am},
    {10000000, -48.0f, Emission::Carrier},
    {10110000, -65.0f, Emission::Cw},
    {11735000, -43.0f, Emission::Am},
    {11820000, -46.0f, Emission::Am},
    {11945000, -50.0f, Emission::Am},
    {14025000, -58.0f, Emission::Cw},
    {14074000, -63.0f, Emission::Carrier},
    {15000000, -52.0f, Emission::Carrier},
    {15190000, -44.0f, Emission::Am},
    {15400000, -48.0f, Emission::Am},
    {17560000, -50.0f, Emission::Am},
    {17800000, -53.0f, Emission::Am},
    {20000000, -60.0f, Emission::Carrier},
    {21060000, -64.0f, Emission::Cw},
    {21600000, -52.0f, Emission::Am},
    {27185000, -55.0f, Emission::Am},
    {28050000, -68.0f, Emission::Cw},
    {40680000, -65.0f, Emission::Carrier},
    {49950000, -70.0f, Emission::Carrier},
};
// clang-format on

}  // namespace simulator
