// A DLL that drives the simulator as the plug-in does and stops it from its
// own DllMain: under the loader lock when it is freed, and at process exit
// after Windows has already ended the stream thread.

#include <windows.h>

#include <atomic>

#include "platform/DynamicLibrary.h"
#include "receiver/ReceiverApi.h"

namespace {

platform::LibraryHandle simulator = nullptr;
g31ddc::ReceiverApi api;
g31ddc::StreamCallbacks callbacks{};
std::atomic<long> blocks{0};

void EXCALIBUR_STDCALL CountBlock(const std::int32_t*, std::uint32_t, std::uint32_t, std::uintptr_t) {
    blocks.fetch_add(1);
}

}  // namespace

extern "C" __declspec(dllexport) int StartProbeStream() {
    simulator = platform::LoadLibraryByName("G31DDCAPI.dll");
    if (simulator == nullptr) return 0;
#define PROBE_RESOLVE(name, result, params)                                                   \
    api.name = reinterpret_cast<g31ddc::name##Fn>(platform::ResolveSymbol(simulator, #name)); \
    if (api.name == nullptr) return 0;
    G31DDC_ENTRY_POINTS(PROBE_RESOLVE)
#undef PROBE_RESOLVE
    if (api.OpenDevice(-1) != 0) return 0;
    api.SetPower(0, 1);
    api.SetDDC1(0, 16);
    callbacks.ddc1Stream = &CountBlock;
    api.SetCallbacks(0, &callbacks, 0);
    return api.StartDDC1(0, 4096);
}

extern "C" __declspec(dllexport) long ProbeBlocks() { return blocks.load(); }

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH && simulator != nullptr) {
        api.StopDDC1(0);
        api.SetCallbacks(0, nullptr, 0);
        api.CloseDevice(0);
        platform::FreeLibraryHandle(simulator);
    }
    return TRUE;
}
