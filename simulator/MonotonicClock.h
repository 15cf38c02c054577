#pragma once

#include <cstdint>

namespace simulator {

// Nanoseconds of the system-wide steady clock (QueryPerformanceCounter on
// Windows, CLOCK_MONOTONIC elsewhere): the same time base in every module of
// the process, so a reading taken here can be compared with one taken by the
// module that loaded us.
std::int64_t MonotonicNanoseconds();

}  // namespace simulator
