#include "simulator/Ddc1Stream.h"

#include <optional>

#include "simulator/BlockHandoff.h"
#include "simulator/HandlerTiming.h"

namespace simulator {
namespace {

// A stream that has fallen this far behind (a debugger, a stalled host) starts
// counting afresh instead of catching up in one burst, as a device that has
// dropped data would.
constexpr auto kLagLimit = std::chrono::seconds(1);

}  // namespace

std::chrono::nanoseconds DurationOfPairs(std::uint64_t pairs, std::uint32_t sampleRate) {
    return std::chrono::seconds(pairs / sampleRate) +
           std::chrono::nanoseconds((pairs % sampleRate) * 1000000000ULL / sampleRate);
}

void RunDdc1Stream(const Ddc1StreamSetup& setup, Scene& scene, std::int32_t* block, const FrontEndControls& controls,
                   StopSignal& stop) {
    using Clock = std::chrono::steady_clock;
    if (setup.handler == nullptr) {
        stop.WaitUntil(Clock::time_point::max());
        return;
    }
    std::optional<HandlerTiming> timing;
    if (!setup.timingFile.empty()) timing.emplace(setup.timingFile, setup.blockPairs);
    auto anchor = Clock::now();
    std::uint64_t pairsSinceAnchor = 0;
    while (!stop.Requested()) {
        scene.Render(block, setup.blockPairs, controls.Load());
        if (!setup.freePace) {
            pairsSinceAnchor += setup.pacedPairs;
            auto due = anchor + DurationOfPairs(pairsSinceAnchor, setup.sampleRate);
            const auto now = Clock::now();
            if (now - due > kLagLimit) {
                anchor = now;
                pairsSinceAnchor = 0;
                due = now;
            }
            if (stop.WaitUntil(due)) break;
        }
        StampBlockHandoff();
        if (timing)
            timing->CallHandler(setup, block);
        else
            setup.handler(block, setup.blockPairs, kBitsPerSample, setup.userData);
    }
    if (timing) timing->WriteReport();
}

}  // namespace simulator
