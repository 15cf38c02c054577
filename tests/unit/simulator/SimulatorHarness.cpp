#include "SimulatorHarness.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <fstream>
#include <mutex>

namespace simulator_test {
namespace {

constexpr double kPi = 3.14159265358979323846;

class Collector {
public:
    explicit Collector(std::size_t wanted) : wanted_(wanted) { samples_.reserve(wanted); }

    void Add(const std::int32_t* block, std::uint32_t pairs) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (std::uint32_t n = 0; n < pairs && samples_.size() < wanted_; ++n) {
            samples_.emplace_back(block[2 * n] / 2147483648.0, block[2 * n + 1] / 2147483648.0);
        }
        if (samples_.size() == wanted_) full_.notify_all();
    }

    bool WaitUntilFull(std::chrono::seconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        return full_.wait_for(lock, timeout, [this] { return samples_.size() == wanted_; });
    }

    std::vector<std::complex<double>> Take() {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::move(samples_);
    }

private:
    std::size_t wanted_;
    std::mutex mutex_;
    std::condition_variable full_;
    std::vector<std::complex<double>> samples_;
};

void EXCALIBUR_STDCALL CollectBlock(const std::int32_t* block, std::uint32_t pairs, std::uint32_t,
                                    std::uintptr_t userData) {
    reinterpret_cast<Collector*>(userData)->Add(block, pairs);
}

}  // namespace

LoadedSimulator::LoadedSimulator(const char* fileName) : library_(platform::LoadLibraryByName(fileName)) {
    if (library_ == nullptr) return;
#define SIMULATOR_TEST_RESOLVE(name, result, params) \
    api_.name = reinterpret_cast<g31ddc::name##Fn>(platform::ResolveSymbol(library_, #name));
    G31DDC_ENTRY_POINTS(SIMULATOR_TEST_RESOLVE)
#undef SIMULATOR_TEST_RESOLVE
}

LoadedSimulator::~LoadedSimulator() {
    if (library_) platform::FreeLibraryHandle(library_);
}

std::vector<std::string> LoadedSimulator::Unresolved() const {
    std::vector<std::string> names;
#define SIMULATOR_TEST_UNRESOLVED(name, result, params) \
    if (api_.name == nullptr) names.push_back(#name);
    G31DDC_ENTRY_POINTS(SIMULATOR_TEST_UNRESOLVED)
#undef SIMULATOR_TEST_UNRESOLVED
    return names;
}

std::vector<std::complex<double>> Capture(const g31ddc::ReceiverApi& api, const SceneSettings& settings,
                                          std::size_t pairs) {
    const std::int32_t h = 0;
    api.SetPower(h, settings.powered ? 1 : 0);
    api.SetDDC1(h, settings.ddc1Type);
    api.SetFrequency(h, 0, settings.frequency);
    api.SetAttenuator(h, settings.attenuatorDb);
    api.SetDithering(h, settings.dithering ? 1 : 0);
    api.SetADCNoiseBlanker(h, settings.noiseBlanker ? 1 : 0);
    api.SetMWFilter(h, settings.mwFilter ? 1 : 0);
    Collector collector(pairs);
    g31ddc::StreamCallbacks callbacks{};
    callbacks.ddc1Stream = &CollectBlock;
    if (!api.SetCallbacks(h, &callbacks, reinterpret_cast<std::uintptr_t>(&collector))) return {};
    if (!api.StartDDC1(h, 4096)) return {};
    const bool full = collector.WaitUntilFull(std::chrono::seconds(30));
    api.StopDDC1(h);
    api.SetCallbacks(h, nullptr, 0);
    return full ? collector.Take() : std::vector<std::complex<double>>{};
}

std::uint32_t SampleRateOfType(const g31ddc::ReceiverApi& api, std::uint32_t ddc1Type) {
    std::uint32_t previous = 0;
    g31ddc::Ddc1Info info{};
    api.GetDDC1(0, &previous, nullptr);
    if (!api.SetDDC1(0, ddc1Type)) return 0;
    api.GetDDC1(0, nullptr, &info);
    api.SetDDC1(0, previous);
    return info.sampleRate;
}

double ToneLevelDb(const std::vector<std::complex<double>>& samples, double hertz, double sampleRate) {
    const std::size_t count = samples.size();
    std::complex<double> sum = 0.0;
    double weights = 0.0;
    for (std::size_t n = 0; n < count; ++n) {
        const double weight = 0.5 - 0.5 * std::cos(2.0 * kPi * n / count);
        sum += weight * samples[n] * std::polar(1.0, -2.0 * kPi * hertz * n / sampleRate);
        weights += weight;
    }
    return 20.0 * std::log10(std::abs(sum) / weights + 1e-30);
}

double PeakLevelDb(const std::vector<std::complex<double>>& samples) {
    double peak = 0.0;
    for (const auto& value : samples) peak = std::max(peak, std::abs(value));
    return 20.0 * std::log10(peak + 1e-30);
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

}  // namespace simulator_test
