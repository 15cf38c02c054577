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

namespace {

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool NamesEntryPoint(std::string_view name, std::string_view entryPoint) {
    if (SameName(name, "open")) return entryPoint == "OpenDevice";
    if (SameName(name, "start")) return entryPoint == "StartDDC1";
    return SameName(name, entryPoint);
}

}  // namespace

bool FailsCall(std::string_view failList, std::string_view entryPoint, std::uint32_t callNumber) {
    while (!failList.empty()) {
        const std::size_t comma = failList.find(',');
        std::string_view entry = failList.substr(0, comma);
        failList = comma == std::string_view::npos ? std::string_view() : failList.substr(comma + 1);
        const std::size_t colon = entry.find(':');
        if (!NamesEntryPoint(entry.substr(0, colon), entryPoint)) continue;
        if (colon == std::string_view::npos) return true;
        const auto nth = ParseBlockPairs(std::string(entry.substr(colon + 1)));
        if (nth && *nth == callNumber) return true;
    }
    return false;
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
