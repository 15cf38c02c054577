// The shipped i686 code's sample path against memcpy, timed without Google
// Benchmark (whose sources are not at hand for the cross build): the best of
// many rounds of many blocks, then the ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "receiver/ReceiverDevice.h"

namespace {

constexpr std::uint32_t kPairs = 4096;
constexpr int kBlocksPerRound = 2000;
constexpr int kRounds = 15;

void* volatile lastData;

int ConsumeBlock(int, int, float, void* data) {
    lastData = data;
    return 0;
}

template <typename Work>
double BestNanosecondsPerBlock(Work work) {
    double best = 1e30;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kBlocksPerRound; ++i) work();
        const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
        best = std::min(best, spent.count() / kBlocksPerRound);
    }
    return best;
}

}  // namespace

int main() {
    excalibur::ReceiverDevice device;
    if (device.Open() != 1) {
        std::fprintf(stderr, "the simulated receiver did not open\n");
        return 1;
    }
    excalibur::hostCallback.Replace(&ConsumeBlock);
    std::vector<std::int32_t> block(2 * kPairs, 123456);
    std::vector<float> copy(2 * kPairs);
    const auto user = reinterpret_cast<std::uintptr_t>(&device);

    const double handler =
        BestNanosecondsPerBlock([&] { excalibur::ReceiverDevice::Ddc1StreamHandler(block.data(), kPairs, 0, user); });
    const double memcpyTime = BestNanosecondsPerBlock([&] {
        std::memcpy(copy.data(), block.data(), block.size() * sizeof(std::int32_t));
        lastData = copy.data();
    });
    excalibur::hostCallback.Replace(nullptr);
    std::printf("Ddc1StreamHandler, 4096 pairs: %8.0f ns\n", handler);
    std::printf("memcpy of 32 KiB:              %8.0f ns\n", memcpyTime);
    std::printf("ratio: %.2f\n", handler / memcpyTime);
    return 0;
}
