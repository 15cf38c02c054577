#pragma once

#include <complex>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/DynamicLibrary.h"
#include "receiver/ReceiverApi.h"

namespace simulator_test {

// The simulator loaded as the plug-in loads it: by file name through the
// platform seam, every entry point resolved by name from the one list.
class LoadedSimulator {
public:
    explicit LoadedSimulator(const char* fileName = "G31DDCAPI.dll");
    ~LoadedSimulator();
    LoadedSimulator(const LoadedSimulator&) = delete;
    LoadedSimulator& operator=(const LoadedSimulator&) = delete;

    bool Loaded() const { return library_ != nullptr; }
    // The names of the list that did not resolve.
    std::vector<std::string> Unresolved() const;
    const g31ddc::ReceiverApi& Api() const { return api_; }
    // Any other export by name; null when there is none.
    void* Symbol(const char* name) const { return platform::ResolveSymbol(library_, name); }

private:
    platform::LibraryHandle library_ = nullptr;
    g31ddc::ReceiverApi api_;
};

// Sets a variable in the environment the simulator reads; null removes it.
void SetVariable(const char* name, const char* value);

// The front-end settings of one capture.
struct SceneSettings {
    std::uint32_t ddc1Type = 9;
    std::uint32_t frequency = 7050000;
    std::uint32_t attenuatorDb = 0;
    bool dithering = false;
    bool noiseBlanker = true;
    bool mwFilter = false;
    bool powered = true;
};

// Applies the settings to the open receiver 0, streams until `pairs` pairs
// have arrived and stops. Values scaled so that 1.0 is full scale. Empty when
// the stream did not start or did not deliver within half a minute.
std::vector<std::complex<double>> Capture(const g31ddc::ReceiverApi& api, const SceneSettings& settings,
                                          std::size_t pairs);

std::uint32_t SampleRateOfType(const g31ddc::ReceiverApi& api, std::uint32_t ddc1Type);

// Amplitude in dB of full scale of the tone at `hertz` from the centre, by a
// Hann-windowed correlation.
double ToneLevelDb(const std::vector<std::complex<double>>& samples, double hertz, double sampleRate);
double PeakLevelDb(const std::vector<std::complex<double>>& samples);

std::vector<std::string> ReadLines(const std::string& path);

}  // namespace simulator_test
