#include "simulator/HandlerTiming.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "simulator/MonotonicClock.h"

namespace simulator {
namespace {

// Blocks timed per stream; later ones are delivered untimed. Bounded so that
// the stream thread never allocates once it runs.
constexpr std::size_t kMostTimedBlocks = std::size_t{1} << 20;

std::int32_t Elapsed(std::int64_t start, std::int64_t end) {
    return static_cast<std::int32_t>(std::min<std::int64_t>(end - start, std::numeric_limits<std::int32_t>::max()));
}

// The smallest step the clock shows: 100 ns on Wine's QueryPerformanceCounter.
std::int64_t ClockStep() {
    std::int64_t step = std::numeric_limits<std::int64_t>::max();
    std::int64_t previous = MonotonicNanoseconds();
    for (int changes = 0; changes < 200;) {
        const std::int64_t now = MonotonicNanoseconds();
        if (now == previous) continue;
        step = std::min(step, now - previous);
        previous = now;
        ++changes;
    }
    return std::max<std::int64_t>(step, 1);
}

// The median read through the clock's step: with readings in whole steps a
// plain median can only land on a step, so the values within half a step of
// it are taken as spread evenly over that step.
double Median(std::vector<std::int32_t> values, std::int64_t step) {
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
    const double plain = values[middle];
    const double low = plain - static_cast<double>(step) / 2.0;
    const double high = plain + static_cast<double>(step) / 2.0;
    std::size_t below = 0;
    std::size_t within = 0;
    for (const std::int32_t value : values) {
        if (value < low)
            ++below;
        else if (value < high)
            ++within;
    }
    if (within == 0) return plain;
    const double half = static_cast<double>(values.size()) / 2.0;
    return low + static_cast<double>(step) * (half - static_cast<double>(below)) / static_cast<double>(within);
}

}  // namespace

HandlerTiming::HandlerTiming(std::string file, std::uint32_t blockPairs)
    : file_(std::move(file)), clockStep_(ClockStep()), copy_(2 * static_cast<std::size_t>(blockPairs)) {
    handlerNs_.reserve(kMostTimedBlocks);
    copyNs_.reserve(kMostTimedBlocks);
    emptyNs_.reserve(kMostTimedBlocks);
}

void HandlerTiming::CallHandler(const Ddc1StreamSetup& setup, const std::int32_t* block) {
    if (handlerNs_.size() == kMostTimedBlocks) {
        setup.handler(block, setup.blockPairs, kBitsPerSample, setup.userData);
        return;
    }
    const std::int64_t emptyStart = MonotonicNanoseconds();
    const std::int64_t emptyEnd = MonotonicNanoseconds();
    emptyNs_.push_back(Elapsed(emptyStart, emptyEnd));
    const auto timeHandler = [&] {
        const std::int64_t start = MonotonicNanoseconds();
        setup.handler(block, setup.blockPairs, kBitsPerSample, setup.userData);
        handlerNs_.push_back(Elapsed(start, MonotonicNanoseconds()));
    };
    const auto timeCopy = [&] {
        const std::int64_t start = MonotonicNanoseconds();
        std::memcpy(copy_.data(), block, copy_.size() * sizeof(std::int32_t));
        copyNs_.push_back(Elapsed(start, MonotonicNanoseconds()));
    };
    if (handlerNs_.size() % 2 == 0) {
        timeHandler();
        timeCopy();
    } else {
        timeCopy();
        timeHandler();
    }
}

void HandlerTiming::WriteReport() const {
    if (handlerNs_.empty()) return;
    std::FILE* out = std::fopen(file_.c_str(), "w");
    if (out == nullptr) return;
    const double handler = Median(handlerNs_, clockStep_);
    const double copy = Median(copyNs_, clockStep_);
    std::fprintf(out, "blocks %zu handler_ns %.1f memcpy_ns %.1f ratio %.4f clock_step_ns %lld empty_ns %.1f\n",
                 handlerNs_.size(), handler, copy, copy > 0.0 ? handler / copy : 0.0,
                 static_cast<long long>(clockStep_), Median(emptyNs_, clockStep_));
    std::fclose(out);
}

}  // namespace simulator
