#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "receiver/ReceiverApi.h"
#include "simulator/FrontEnd.h"
#include "simulator/Scene.h"
#include "simulator/StreamThread.h"

namespace simulator {

// The third value the handler receives: bits per I or Q value.
inline constexpr std::uint32_t kBitsPerSample = 32;

struct Ddc1StreamSetup {
    g31ddc::Ddc1StreamCallback handler = nullptr;
    std::uintptr_t userData = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t blockPairs = 0;  // pairs per handler call
    std::uint32_t pacedPairs = 0;  // pairs of time one call stands for
    bool freePace = false;
    std::string timingFile;  // HandlerTiming's report; empty: no timing
};

std::chrono::nanoseconds DurationOfPairs(std::uint64_t pairs, std::uint32_t sampleRate);

// Renders and hands over blocks until a stop is asked for. In real time, block
// k is handed over when its last pair is due, counted from the start on the
// steady clock, so late wake-ups do not add up. Without a handler it only
// waits for the stop.
void RunDdc1Stream(const Ddc1StreamSetup& setup, Scene& scene, std::int32_t* block, const FrontEndControls& controls,
                   StopSignal& stop);

}  // namespace simulator
