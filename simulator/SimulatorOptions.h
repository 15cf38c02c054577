#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

// Per-call fault injection: whether G31DDC_SIM_FAIL's list (comma-separated)
// fails this call of the entry point. An entry ENTRY fails every call of that
// entry point, ENTRY:N only its Nth call counted from 1 since the last
// OpenDevice; names are compared without case, and "open" and "start" stand
// for OpenDevice and StartDDC1. E.g. "setfrequency", "StartDDC1:2",
// "setattenuator,setdithering".
bool FailsCall(std::string_view failList, std::string_view entryPoint, std::uint32_t callNumber);

}  // namespace simulator
