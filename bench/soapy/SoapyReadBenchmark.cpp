// readStream's work on one 4096-pair block (take it from the ring, convert
// it into the reader's buffer) in CS32 and CF32, and direct access's (hand
// the ring's slot out, read it in place, give it back), against memcpy of
// the same 32 KiB. Eight blocks per round, just written as the driver's
// thread writes them; the memcpy's sources are rewritten likewise, so all
// meet the same caches.
#include <benchmark/benchmark.h>

#include <chrono>
#include <complex>
#include <cstring>
#include <vector>

#include "receiver/ReceiverDriver.h"
#include "soapy/SampleRing.h"
#include "soapy/StreamFormat.h"

namespace {

using excalibur::soapy::SampleRing;
using excalibur::soapy::StreamFormat;
constexpr std::size_t kPairs = excalibur::driver::kPairsPerBlock;
constexpr std::size_t kBlocks = 8;

std::vector<std::int32_t> Block() {
    std::vector<std::int32_t> block(kPairs * 2);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::int32_t>(i * 2654435761u);
    return block;
}

void ReadBlocks(benchmark::State& state, StreamFormat format) {
    SampleRing ring(kBlocks, kPairs);
    const auto block = Block();
    std::vector<std::complex<float>> out(kPairs);  // 32 KiB, room for CS32 too
    for (auto _ : state) {
        for (std::size_t i = 0; i < kBlocks; ++i) ring.Write(block.data(), kPairs);
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < kBlocks; ++i) {
            SampleRing::Claim claim;
            ring.Peek(std::chrono::microseconds(0), claim);
            excalibur::soapy::ConvertPairs(format, claim->values, out.data(), claim->pairs);
            claim.Take(claim->pairs);
        }
        benchmark::DoNotOptimize(out.data());
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count() / kBlocks);
    }
}

// acquireReadBuffer and releaseReadBuffer's ring work; the reader sums one
// value per cache line in place, so that the block is read as a consumer
// in place would.
void DirectAccess(benchmark::State& state) {
    SampleRing ring(kBlocks, kPairs);
    const auto block = Block();
    for (auto _ : state) {
        for (std::size_t i = 0; i < kBlocks; ++i) ring.Write(block.data(), kPairs);
        const auto start = std::chrono::steady_clock::now();
        std::int64_t sum = 0;
        for (std::size_t i = 0; i < kBlocks; ++i) {
            SampleRing::Claim claim;
            ring.Peek(std::chrono::microseconds(0), claim);
            const SampleRing::Pending pending = *claim;
            const std::size_t slot = claim.Acquire();
            for (std::size_t v = 0; v < pending.pairs * 2; v += 16) sum += pending.values[v];
            ring.Release(slot);
        }
        benchmark::DoNotOptimize(sum);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count() / kBlocks);
    }
}

void Memcpy(benchmark::State& state) {
    std::vector<std::vector<std::int32_t>> blocks(kBlocks, Block());
    std::vector<std::int32_t> out(kPairs * 2);
    const auto fresh = Block();
    for (auto _ : state) {
        for (auto& block : blocks) std::memcpy(block.data(), fresh.data(), block.size() * sizeof(std::int32_t));
        const auto start = std::chrono::steady_clock::now();
        for (const auto& block : blocks) {
            std::memcpy(out.data(), block.data(), block.size() * sizeof(std::int32_t));
            benchmark::ClobberMemory();
        }
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count() / kBlocks);
    }
}

void ReadStreamCs32(benchmark::State& state) { ReadBlocks(state, StreamFormat::Cs32); }
void ReadStreamCf32(benchmark::State& state) { ReadBlocks(state, StreamFormat::Cf32); }

}  // namespace

BENCHMARK(ReadStreamCs32)->UseManualTime();
BENCHMARK(ReadStreamCf32)->UseManualTime();
BENCHMARK(DirectAccess)->UseManualTime();
BENCHMARK(Memcpy)->UseManualTime();
BENCHMARK_MAIN();
