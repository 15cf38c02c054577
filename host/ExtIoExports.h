#pragma once

#include <cstdint>

#include "platform/CallingConvention.h"
#include "hostlink/ExParaBlock.h"

// The ExtIO entry points the host knows, written once: name, result,
// parameters. Every one is stdcall on i686 and exported undecorated. Every
// 32-bit argument and result is an int: a long is wider on x86_64, and an
// int result read as a long would carry garbage in its upper half.
namespace host {

// Called by the plug-in with the C convention.
using HostCallbackFunction = int (*)(int count, int status, float iqOffset, void* data);

// Without these the library is not an ExtIO plug-in the host can drive.
#define EXTIO_REQUIRED_EXPORTS(X)                        \
    X(InitHW, int, (char* name, char* model, int* type)) \
    X(OpenHW, int, ())                                   \
    X(StartHW, int, (int frequency))                     \
    X(StopHW, void, ())                                  \
    X(CloseHW, void, ())                                 \
    X(SetHWLO, int, (int frequency))                     \
    X(GetHWSR, int, ())                                  \
    X(SetCallback, void, (HostCallbackFunction callback))

#define EXTIO_STANDARD_OPTIONAL_EXPORTS(X)                 \
    X(GetHWLO, int, ())                                    \
    X(GetStatus, int, ())                                  \
    X(ShowGUI, void, ())                                   \
    X(HideGUI, void, ())                                   \
    X(GetFilters, void, (int* low, int* high, int* width)) \
    X(RawDataReady, void, (int rate, void* left, void* right, int count))

#define EXTIO_EXTENDED_EXPORTS(X)                            \
    X(InitExtIOPara, void, (excalibur::ExParaBlock * block)) \
    X(GetExPara, int, (excalibur::ExParaBlock * block))      \
    X(SetExPara, void, (excalibur::ExParaBlock * block))     \
    X(SetAtt, void, (int on))                                \
    X(SetDither, void, (int on))                             \
    X(SetNB, void, (int on))                                 \
    X(SetLevelOffset, void, (int db))                        \
    X(SetSamples, void, (int sampleMode))

// Calls that later ExtIO hosts discover and use when present.
#define EXTIO_HOST_OPTIONAL_EXPORTS(X)                                   \
    X(VersionInfo, void, (const char* hostName, int major, int minor))   \
    X(ExtIoGetSrates, int, (int index, double* rate))                    \
    X(ExtIoGetActualSrateIdx, int, ())                                   \
    X(ExtIoSetSrate, int, (int index))                                   \
    X(GetAttenuators, int, (int index, float* db))                       \
    X(GetActualAttIdx, int, ())                                          \
    X(SetAttenuator, int, (int index))                                   \
    X(ExtIoGetBandwidth, int, (int index))                               \
    X(ExtIoSetSetting, void, (int index, const char* value))             \
    X(ExtIoGetSetting, int, (int index, char* description, char* value)) \
    X(StartHW64, int, (std::int64_t frequency))                          \
    X(SetHWLO64, std::int64_t, (std::int64_t frequency))                 \
    X(GetHWLO64, std::int64_t, ())

#define EXTIO_ALL_EXPORTS(X)           \
    EXTIO_REQUIRED_EXPORTS(X)          \
    EXTIO_STANDARD_OPTIONAL_EXPORTS(X) \
    EXTIO_EXTENDED_EXPORTS(X)          \
    EXTIO_HOST_OPTIONAL_EXPORTS(X)

struct ExtIoFunctions {
#define EXTIO_DECLARE_POINTER(name, result, parameters) result(EXCALIBUR_STDCALL* name) parameters = nullptr;
    EXTIO_ALL_EXPORTS(EXTIO_DECLARE_POINTER)
#undef EXTIO_DECLARE_POINTER
};

}  // namespace host
