#pragma once

// What the stream harnesses load and ask of it: the real plug-in and the
// simulator from one folder, streaming at 1 MHz.
namespace benchsetup {

#if defined(_WIN32)
inline constexpr char kPluginFile[] = "ExtIO_Excalibur.dll";
inline constexpr char kSimulatorFile[] = "G31DDCAPI.dll";
#else
inline constexpr char kPluginFile[] = "ExtIO_Excalibur.so";
inline constexpr char kSimulatorFile[] = "G31DDCAPI.so";
#endif

inline constexpr int kSampleMode1MHz = 4;
inline constexpr int kExpectedRate = 1000000;
inline constexpr int kTuneHz = 7050000;
inline constexpr int kFloatIqHardwareType = 7;

}  // namespace benchsetup
