// soapy-stream-figures ARGS [SECONDS [STREAM-ARGS]]: streams CF32 at 1 MHz
// from the SoapySDR device that ARGS names, with the stream arguments given
// (key=value,...; e.g. remote:format=CS16), reading as a program does, and
// prints this process's CPU time per second of stream, the overflows and the
// longest stretch without one. Measured, not asserted: not a test.
#include <SoapySDR/Device.hpp>
#include <SoapySDR/Errors.hpp>
#include <SoapySDR/Formats.hpp>

#include <sys/resource.h>

#include <chrono>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: soapy-stream-figures DEVICE-ARGS [SECONDS [STREAM-ARGS]]\n");
        return 2;
    }
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    const SoapySDR::Kwargs streamArgs = SoapySDR::KwargsFromString(argc > 3 ? argv[3] : "");
    constexpr double kRate = 1e6;
    SoapySDR::Device* device = SoapySDR::Device::make(argv[1]);
    device->setFrequency(SOAPY_SDR_RX, 0, 7050000.0);
    device->setSampleRate(SOAPY_SDR_RX, 0, kRate);
    SoapySDR::Stream* stream = device->setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32, {0}, streamArgs);
    std::vector<std::complex<float>> buffer(device->getStreamMTU(stream));
    device->activateStream(stream);

    using Clock = std::chrono::steady_clock;
    const double cpuStart = CpuSeconds();
    const auto start = Clock::now();
    auto stretchStart = start;
    double longestStretch = 0.0;
    long long pairs = 0;
    int overflows = 0, other = 0;
    while (Clock::now() - start < std::chrono::duration<double>(seconds)) {
        void* buffs[] = {buffer.data()};
        int flags = 0;
        long long timeNs = 0;
        const int n = device->readStream(stream, buffs, buffer.size(), flags, timeNs, 500000);
        if (n > 0) {
            pairs += n;
        } else if (n == SOAPY_SDR_OVERFLOW) {
            ++overflows;
            const auto now = Clock::now();
            longestStretch = std::max(longestStretch, std::chrono::duration<double>(now - stretchStart).count());
            stretchStart = now;
        } else {
            ++other;
        }
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = CpuSeconds() - cpuStart;
    longestStretch = std::max(longestStretch, std::chrono::duration<double>(Clock::now() - stretchStart).count());
    device->deactivateStream(stream);
    device->closeStream(stream);
    SoapySDR::Device::unmake(device);

    std::printf("device          : %s%s%s\n", argv[1], argc > 3 ? ", stream " : "", argc > 3 ? argv[3] : "");
    std::printf("stream          : %lld pairs in %.2f s (%.1f Hz), %d overflows, %d other errors\n", pairs, elapsed,
                static_cast<double>(pairs) / elapsed, overflows, other);
    std::printf("CPU, this process: %.1f ms per second of stream\n", 1000.0 * cpu / elapsed);
    std::printf("longest stretch without overflow: %.1f s\n", longestStretch);
    return 0;
}
