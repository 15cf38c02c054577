#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "simulator/Ddc1Stream.h"

namespace simulator {

// G31DDC_SIM_TIMING=FILE: the stream thread times each handler call and, on
// the same block, a memcpy of the block's bytes into a buffer of the same
// size. The order alternates from block to block, so that neither always
// finds the block fresh from rendering. At the stream's end the medians go to
// the file as one line:
//   blocks N handler_ns H memcpy_ns M ratio R clock_step_ns S empty_ns E
// empty_ns is an interval with nothing in it: what the clock adds to each.
class HandlerTiming {
public:
    HandlerTiming(std::string file, std::uint32_t blockPairs);

    void CallHandler(const Ddc1StreamSetup& setup, const std::int32_t* block);
    // Overwrites the file; nothing when no block was timed.
    void WriteReport() const;

private:
    std::string file_;
    std::int64_t clockStep_ = 1;
    std::vector<std::int32_t> copy_;
    std::vector<std::int32_t> handlerNs_;
    std::vector<std::int32_t> copyNs_;
    std::vector<std::int32_t> emptyNs_;
};

}  // namespace simulator
