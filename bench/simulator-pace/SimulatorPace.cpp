// Runs the simulator's DDC1 stream in real time and compares the pairs that
// arrived with what the sample rate promises.
//
//   simulator-pace [DDC1-TYPE [SECONDS]]     defaults: type 9 (200 kHz), 2 s
//
// With G31DDC_SIM_PACE=free the ratio shows how much faster than real time the
// stream can render and deliver.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/DynamicLibrary.h"
#include "receiver/ReceiverApi.h"

namespace {

std::atomic<std::uint64_t> pairsReceived{0};
std::atomic<std::uint64_t> blocksReceived{0};

void EXCALIBUR_STDCALL CountPairs(const std::int32_t*, std::uint32_t pairs, std::uint32_t, std::uintptr_t) {
    pairsReceived.fetch_add(pairs);
    blocksReceived.fetch_add(1);
}

}  // namespace

int main(int argc, char** argv) {
    const auto type = static_cast<std::uint32_t>(argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 9);
    const double seconds = argc > 2 ? std::strtod(argv[2], nullptr) : 2.0;

    const platform::LibraryHandle library = platform::LoadLibraryByName("G31DDCAPI.dll");
    if (library == nullptr) {
        std::fprintf(stderr, "simulator-pace: cannot load G31DDCAPI.dll\n");
        return 1;
    }
    g31ddc::ReceiverApi api;
#define PACE_RESOLVE(name, result, params)                                                  \
    api.name = reinterpret_cast<g31ddc::name##Fn>(platform::ResolveSymbol(library, #name)); \
    if (api.name == nullptr) {                                                              \
        std::fprintf(stderr, "simulator-pace: G31DDCAPI.dll lacks %s\n", #name);            \
        return 1;                                                                           \
    }
    G31DDC_ENTRY_POINTS(PACE_RESOLVE)
#undef PACE_RESOLVE

    const std::int32_t handle = api.OpenDevice(-1);
    g31ddc::Ddc1Info info{};
    if (handle < 0 || !api.SetDDC1(handle, type) || !api.GetDDC1(handle, nullptr, &info)) {
        std::fprintf(stderr, "simulator-pace: no receiver, or no DDC1 type %u\n", type);
        return 1;
    }
    api.SetPower(handle, 1);
    g31ddc::StreamCallbacks callbacks{};
    callbacks.ddc1Stream = &CountPairs;
    api.SetCallbacks(handle, &callbacks, 0);

    const auto start = std::chrono::steady_clock::now();
    if (!api.StartDDC1(handle, 4096)) {
        std::fprintf(stderr, "simulator-pace: StartDDC1 failed\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    api.StopDDC1(handle);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    api.CloseDevice(handle);
    platform::FreeLibraryHandle(library);

    const double expected = info.sampleRate * seconds;
    const auto pairs = pairsReceived.load();
    std::printf("DDC1 type %u, %u Hz, %.3f s (%.3f s measured): %llu pairs in %llu blocks, expected %.0f, ratio %.4f\n",
                type, info.sampleRate, seconds, elapsed.count(), static_cast<unsigned long long>(pairs),
                static_cast<unsigned long long>(blocksReceived.load()), expected, pairs / expected);
    return 0;
}
