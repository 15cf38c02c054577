#include <windows.h>

#include "simulator/MonotonicClock.h"

namespace simulator {

std::int64_t MonotonicNanoseconds() {
    static const std::int64_t frequency = [] {
        LARGE_INTEGER perSecond;
        QueryPerformanceFrequency(&perSecond);
        return perSecond.QuadPart;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    // Split so that ticks times 10^9 cannot overflow.
    const std::int64_t ticks = now.QuadPart;
    return ticks / frequency * 1000000000 + ticks % frequency * 1000000000 / frequency;
}

}  // namespace simulator
