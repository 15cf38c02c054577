#pragma once

#include <cstdint>

#include "platform/CallingConvention.h"

// Not a driver entry point: the simulator's own export that tells a benchmark
// when the stream thread last handed a block to the DDC1 handler, in
// MonotonicNanoseconds; 0 before the first block. Read from inside the handler's
// call chain it is the hand-off time of the block being handled.
namespace simulator {

inline constexpr char kBlockHandoffExport[] = "SimulatorBlockHandoffNanoseconds";
using BlockHandoffFn = std::int64_t(EXCALIBUR_STDCALL*)();

// Called by the stream thread right before it calls the handler.
void StampBlockHandoff();

}  // namespace simulator
