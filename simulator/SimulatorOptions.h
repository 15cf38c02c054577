#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace simulator {

// The largest block StartDDC1 accepts, and the most G31DDC_SIM_BLOCK can ask for.
inline constexpr std::uint32_t kMaxBlockPairs = 1u << 20;

// What the environment asks of the simulator, read at each OpenDevice and StartDDC1.
struct SimulatorOptions {
    bool failOpen = false;                    // G31DDC_SIM_FAIL=open
    bool failStart = false;                   // G31DDC_SIM_FAIL=start
    std::optional<std::uint32_t> blockPairs;  // G31DDC_SIM_BLOCK=PAIRS
    bool freePace = false;                    // G31DDC_SIM_PACE=free
    std::string timingFile;                   // G31DDC_SIM_TIMING=FILE
};

SimulatorOptions ReadSimulatorOptions();

// G31DDC_SIM_BLOCK's value as a block size: decimal digits only, at most
// kMaxBlockPairs (larger values are capped); anything else is no value.
std::optional<std::uint32_t> ParseBlockPairs(const std::string& text);

}  // namespace simulator
