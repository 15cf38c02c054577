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

void PowerUp(const g31ddc::ReceiverApi& api, std::int32_t handle) {
    std::uint32_t power = 0;
    api.GetPower(handle, &power);
    if (power == 0) api.SetPower(handle, 1);
    api.SetLED(handle, 1);
}

void PowerDown(const g31ddc::ReceiverApi& api, std::int32_t handle) {
    api.SetPower(handle, 0);
    api.SetLED(handle, 0);
}

bool StartDdc1(const g31ddc::ReceiverApi& api, std::int32_t handle, std::uint32_t typeIndex,
               const g31ddc::StreamCallbacks& callbacks, std::uintptr_t userData, std::uint32_t pairsPerBlock) {
    PowerUp(api, handle);
    api.SetDDC1(handle, typeIndex);
    api.SetMWFilter(handle, 0);
    api.SetCallbacks(handle, &callbacks, userData);
    return api.StartDDC1(handle, pairsPerBlock) != 0;
}

void StopDdc1(const g31ddc::ReceiverApi& api, std::int32_t handle) {
    api.StopDDC1(handle);
    api.SetCallbacks(handle, nullptr, 0);
}

}  // namespace excalibur::driver
