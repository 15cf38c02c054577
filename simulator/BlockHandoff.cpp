#include "simulator/BlockHandoff.h"

#include <atomic>

#include "simulator/MonotonicClock.h"

#if defined(_WIN32)
// Exported by the .def file, undecorated.
#define SIMULATOR_EXPORT
#else
#define SIMULATOR_EXPORT __attribute__((visibility("default")))
#endif

namespace {

std::atomic<std::int64_t> lastHandoff{0};

}  // namespace

namespace simulator {

void StampBlockHandoff() { lastHandoff.store(MonotonicNanoseconds(), std::memory_order_relaxed); }

}  // namespace simulator

extern "C" SIMULATOR_EXPORT std::int64_t EXCALIBUR_STDCALL SimulatorBlockHandoffNanoseconds() {
    return lastHandoff.load(std::memory_order_relaxed);
}
