#include "receiver/ReceiverDriver.h"

namespace excalibur::driver {

const char* ResolveEntryPoints(g31ddc::ReceiverApi& api, void* library, SymbolResolver resolve) {
#define G31DDC_RESOLVE(name, result, params)                                \
    api.name = reinterpret_cast<g31ddc::name##Fn>(resolve(library, #name)); \
    if (api.name == nullptr) return #name;
    G31DDC_ENTRY_POINTS(G31DDC_RESOLVE)
#undef G31DDC_RESOLVE
    return nullptr;
}

namespace {

// Keeps the name of the first call that failed.
void Note(std::int32_t result, const char* call, const char** failedCall) {
    if (result == 0 && failedCall != nullptr && *failedCall == nullptr) *failedCall = call;
}

}  // namespace

void PowerUp(const g31ddc::ReceiverApi& api, std::int32_t handle, const char** failedCall) {
    std::uint32_t power = 0;
    Note(api.GetPower(handle, &power), "GetPower", failedCall);
    if (power == 0) Note(api.SetPower(handle, 1), "SetPower", failedCall);
    Note(api.SetLED(handle, 1), "SetLED", failedCall);
}

void PowerDown(const g31ddc::ReceiverApi& api, std::int32_t handle, const char** failedCall) {
    Note(api.SetPower(handle, 0), "SetPower", failedCall);
    Note(api.SetLED(handle, 0), "SetLED", failedCall);
}

bool StartDdc1(const g31ddc::ReceiverApi& api, std::int32_t handle, std::uint32_t typeIndex,
               const g31ddc::StreamCallbacks& callbacks, std::uintptr_t userData, std::uint32_t pairsPerBlock,
               const char** failedCall, bool mwFilter) {
    if (failedCall != nullptr) *failedCall = nullptr;
    PowerUp(api, handle, failedCall);
    Note(api.SetDDC1(handle, typeIndex), "SetDDC1", failedCall);
    Note(api.SetMWFilter(handle, mwFilter ? 1 : 0), "SetMWFilter", failedCall);
    Note(api.SetCallbacks(handle, &callbacks, userData), "SetCallbacks", failedCall);
    const std::int32_t started = api.StartDDC1(handle, pairsPerBlock);
    Note(started, "StartDDC1", failedCall);
    return started != 0;
}

bool StopDdc1(const g31ddc::ReceiverApi& api, std::int32_t handle) {
    const bool stopped = api.StopDDC1(handle) != 0;
    api.SetCallbacks(handle, nullptr, 0);
    return stopped;
}

}  // namespace excalibur::driver
