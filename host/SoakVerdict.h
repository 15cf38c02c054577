#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "host/SoakDriver.h"
#include "host/SoakMonitor.h"

namespace host {

// Everything a soak saw and did, in seconds since its origin.
struct SoakRun {
    double seconds = 0.0;
    double watchAfterStopSeconds = 0.0;
    int startMode = 0;
    std::uint32_t seed = 0;
    int expectedCount = 0;  // values per data call: twice StartHW's block
    SoakObservations seen;
    std::vector<ModeSelection> selections;
    std::array<int, soakCallKinds> calls{};   // by SoakCall: what the soak thread called
    std::array<int, soakCallKinds> posted{};  // by SoakCall: the notifications that came back
};

struct SoakVerdict {
    std::uint64_t wrongCountBlocks = 0;
    int notices = 0;
    int noticesMatching = 0;
    int selectionsWithoutNotice = 0;
    std::uint64_t stalls = 0;
    std::uint64_t explainedStalls = 0;
    std::uint64_t shortStalls = 0;  // elsewhere, but no longer than the scheduling allowance
    std::uint64_t unexplainedStalls = 0;
    std::vector<std::string> failures;  // one line per failed check

    bool Passed() const { return failures.empty(); }
};

struct SoakReport {
    SoakRun run;
    SoakVerdict verdict;
};

// A stall is put down to a mode change when the wait spans that one
// SetSamples call and no other, and begins and ends within this of it.
inline constexpr double stallWindowSeconds = 0.3;
// A wait elsewhere up to this long is the system's scheduling, not a gap in
// the stream: at 1 MHz three block periods are 12 ms, and a loaded machine
// (Wine above all) delays a stream thread by up to 30 ms now and then.
inline constexpr double schedulingAllowanceSeconds = 0.05;

// The rates the shared record's sample modes 0..4 stand for.
double SampleModeRate(int mode);

const char* SoakCallName(SoakCall call);    // "SetSamples", ...
const char* SoakNoticeName(SoakCall call);  // "sample mode", ...

SoakVerdict JudgeSoak(const SoakRun& run);

}  // namespace host
