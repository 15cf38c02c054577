#pragma once

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <thread>
#include <vector>

namespace fixture {

using HostCallback = int (*)(int count, int status, float iqOffset, void* data);

constexpr int pairsPerBlock = 2048;

// The fixtures' scene: a carrier 12 kHz above the LO at -6 dBFS, one 20 kHz
// below at -26 dBFS, and a little seeded noise, all scaled by gain. Blocks
// go to the host's callback at the pace of the sample rate, on a thread of
// the stream's own, with the count in floats.
class ToneStream {
public:
    ~ToneStream() { Stop(); }

    void Start() {
        Stop();
        running_.store(true);
        thread_ = std::thread([this] { Run(); });
    }

    void Stop() {
        running_.store(false);
        if (thread_.joinable()) thread_.join();
    }

    bool Running() const { return thread_.joinable(); }

    std::atomic<HostCallback> callback{nullptr};
    std::atomic<int> loFrequency{7050000};
    std::atomic<int> sampleRate{96000};
    std::atomic<float> gain{1.0f};

private:
    struct Carrier {
        double offsetHz;
        double amplitude;
    };

    void Run() {
        static constexpr Carrier carriers[] = {{12000.0, 0.5}, {-20000.0, 0.05}};
        std::vector<float> block(2 * pairsPerBlock);
        std::uint32_t noiseState = 12345;
        double phases[std::size(carriers)] = {};
        const double rate = sampleRate.load();
        const auto period = std::chrono::duration<double>(pairsPerBlock / rate);
        const auto start = std::chrono::steady_clock::now();
        for (std::uint64_t n = 1; running_.load(); ++n) {
            const double scale = gain.load();
            for (int i = 0; i < pairsPerBlock; ++i) {
                double re = 0.0, im = 0.0;
                for (std::size_t c = 0; c < std::size(carriers); ++c) {
                    re += carriers[c].amplitude * std::cos(phases[c]);
                    im += carriers[c].amplitude * std::sin(phases[c]);
                    phases[c] = std::fmod(phases[c] + 2.0 * std::numbers::pi * carriers[c].offsetHz / rate,
                                          2.0 * std::numbers::pi);
                }
                noiseState = noiseState * 1664525u + 1013904223u;
                const double noise = (static_cast<double>(noiseState >> 8) / 16777216.0 - 0.5) * 1e-4;
                block[2 * i] = static_cast<float>(scale * (re + noise));
                block[2 * i + 1] = static_cast<float>(scale * (im - noise));
            }
            // Paced like a receiver: a block is ready one block period after the last.
            std::this_thread::sleep_until(start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                      static_cast<double>(n) * period));
            if (!running_.load()) break;
            if (HostCallback host = callback.load()) host(2 * pairsPerBlock, 0, 0.0f, block.data());
        }
    }

    std::atomic<bool> running_{false};
    std::thread thread_;
};

// Each test plug-in's one stream and the name InitHW reports.
ToneStream& Stream();
const char* PluginName();

}  // namespace fixture
