// The driver library's 32 entry points, made from the one list in
// receiver/ReceiverApi.h: each logs its call and runs the receiver's member of
// the same name, or Acknowledge when the receiver has none.

#include <map>
#include <mutex>
#include <string_view>
#include <type_traits>

#include "receiver/ReceiverApi.h"
#include "simulator/CallLog.h"
#include "simulator/Environment.h"
#include "simulator/SimulatedReceiver.h"
#include "simulator/SimulatorOptions.h"

#if defined(_WIN32)
// Exported by the .def file, undecorated.
#define SIMULATOR_EXPORT
#else
#define SIMULATOR_EXPORT __attribute__((visibility("default")))
#endif

using g31ddc::Ddc1Info;
using g31ddc::StreamCallbacks;

namespace {

// Calls per entry point, for fault injection.
struct CallCounts {
    std::mutex mutex;
    std::map<std::string_view, std::uint32_t> calls;
};

// Made at load and ended at unload, but not when the process exits: Windows
// detaches this library before the plug-in that loaded it, whose own unload
// still closes the receiver.
simulator::CallLog* callLog = new simulator::CallLog;
simulator::SimulatedReceiver* receiver = new simulator::SimulatedReceiver;
CallCounts* callCounts = new CallCounts;

void EndSimulator() {
    delete receiver;
    delete callLog;
    delete callCounts;
    receiver = nullptr;
    callLog = nullptr;
    callCounts = nullptr;
}

// A member that stands for an entry point takes exactly the list's parameters.
template <typename Member, typename EntryPoint>
struct SameSignature : std::false_type {};
template <typename Result, typename Class, typename... Parameters>
struct SameSignature<Result (Class::*)(Parameters...), Result(EXCALIBUR_STDCALL*)(Parameters...)> : std::true_type {};

constexpr std::int32_t FailureResult(std::string_view entryPoint) { return entryPoint == "OpenDevice" ? -1 : 0; }

// Fault injection: whether G31DDC_SIM_FAIL fails this call. Calls are
// counted per entry point since the last OpenDevice (OpenDevice's own since
// load). A failed call does nothing and returns the failure result.
bool InjectedFailure(std::string_view entryPoint) {
    std::uint32_t number = 0;
    {
        std::lock_guard lock(callCounts->mutex);
        auto& calls = callCounts->calls;
        if (entryPoint == "OpenDevice") {
            const std::uint32_t opens = calls[entryPoint];
            calls.clear();
            calls[entryPoint] = opens;
        }
        number = ++calls[entryPoint];
    }
    const std::string failList = simulator::ReadEnvironmentVariable("G31DDC_SIM_FAIL");
    return !failList.empty() && simulator::FailsCall(failList, entryPoint, number);
}

}  // namespace

#define SIMULATOR_ARGUMENTS(...) __VA_ARGS__

// No exception leaves an entry point; a failure becomes the failure result.
#define SIMULATOR_DEFINE_ENTRY_POINT(name, result, params, arguments)                               \
    extern "C" SIMULATOR_EXPORT result EXCALIBUR_STDCALL name params {                              \
        try {                                                                                       \
            callLog->Write(#name, SIMULATOR_ARGUMENTS arguments);                                   \
            if (InjectedFailure(#name)) return FailureResult(#name);                                \
            return [&](auto& device) -> result {                                                    \
                using Device = std::remove_reference_t<decltype(device)>;                           \
                if constexpr (requires { &Device::name; }) {                                        \
                    static_assert(SameSignature<decltype(&Device::name), g31ddc::name##Fn>::value); \
                    return device.name(SIMULATOR_ARGUMENTS arguments);                              \
                } else {                                                                            \
                    return device.Acknowledge(SIMULATOR_ARGUMENTS arguments);                       \
                }                                                                                   \
            }(*receiver);                                                                           \
        } catch (...) {                                                                             \
            return FailureResult(#name);                                                            \
        }                                                                                           \
    }

G31DDC_ENTRY_POINTS_WITH_ARGUMENTS(SIMULATOR_DEFINE_ENTRY_POINT)

#if defined(_WIN32)
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // reserved is null for FreeLibrary, non-null when the process ends.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) EndSimulator();
    return TRUE;
}
#else
namespace {
// dlclose, and the end of the process after every exit handler of the
// libraries loaded later (the plug-in's shutdown among them).
struct SimulatorLifetime {
    ~SimulatorLifetime() { EndSimulator(); }
} simulatorLifetime;
}  // namespace
#endif
