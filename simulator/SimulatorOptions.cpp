#include "simulator/SimulatorOptions.h"

#include "simulator/Environment.h"

namespace simulator {

std::optional<std::uint32_t> ParseBlockPairs(const std::string& text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > kMaxBlockPairs) value = kMaxBlockPairs;
    }
    return static_cast<std::uint32_t>(value);
}

SimulatorOptions ReadSimulatorOptions() {
    SimulatorOptions options;
    const std::string fail = ReadEnvironmentVariable("G31DDC_SIM_FAIL");
    options.failOpen = fail == "open";
    options.failStart = fail == "start";
    options.blockPairs = ParseBlockPairs(ReadEnvironmentVariable("G31DDC_SIM_BLOCK"));
    options.freePace = ReadEnvironmentVariable("G31DDC_SIM_PACE") == "free";
    options.timingFile = ReadEnvironmentVariable("G31DDC_SIM_TIMING");
    return options;
}

}  // namespace simulator
