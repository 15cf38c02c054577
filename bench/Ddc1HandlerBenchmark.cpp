// The sample path against the cheapest possible copy of the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "hostlink/ExParaBlock.h"
#include "receiver/ReceiverDevice.h"

namespace {

constexpr std::uint32_t kPairs = 4096;

int ConsumeBlock(int, int, float, void* data) {
    benchmark::DoNotOptimize(data);
    return 0;
}

void Ddc1StreamHandler(benchmark::State& state) {
    excalibur::ReceiverDevice device;
    if (device.Open() != 1) {
        state.SkipWithError("the simulated receiver did not open");
        return;
    }
    excalibur::hostCallback.Replace(&ConsumeBlock);
    std::vector<std::int32_t> block(2 * kPairs, 123456);
    const auto user = reinterpret_cast<std::uintptr_t>(&device);
    for (auto _ : state) {
        excalibur::ReceiverDevice::Ddc1StreamHandler(block.data(), kPairs, 0, user);
        benchmark::ClobberMemory();
    }
    excalibur::hostCallback.Replace(nullptr);
    state.SetBytesProcessed(state.iterations() * 2 * kPairs * sizeof(float));
}
BENCHMARK(Ddc1StreamHandler);

void MemcpySameBytes(benchmark::State& state) {
    std::vector<std::int32_t> in(2 * kPairs, 123456);
    std::vector<float> out(2 * kPairs);
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), in.size() * sizeof(std::int32_t));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 2 * kPairs * sizeof(float));
}
BENCHMARK(MemcpySameBytes);

}  // namespace

BENCHMARK_MAIN();
