#include <gtest/gtest.h>

#include <SoapySDR/Errors.hpp>
#include <SoapySDR/Formats.hpp>

#include <atomic>
#include <chrono>
#include <cmath>
#include <complex>
#include <memory>
#include <thread>
#include <vector>

#include "soapy/ExcaliburDevice.h"
#include "tests/support/TestEnvironment.h"

using excalibur::soapy::ExcaliburDevice;
using Strings = std::vector<std::string>;

namespace {

// The device over the simulator, with the simulator's call log in a file.
class SoapyDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        logPath = testsupport::TemporaryPath("soapy-g31ddc-log");
        testsupport::SetEnvironment("G31DDC_SIM_LOG", logPath.c_str());
        testsupport::SetEnvironment("G31DDC_SIM_FAIL", nullptr);
        testsupport::SetEnvironment("G31DDC_SIM_BLOCK", nullptr);
        testsupport::SetEnvironment("G31DDC_SIM_PACE", nullptr);
    }
    void TearDown() override {
        testsupport::SetEnvironment("G31DDC_SIM_LOG", nullptr);
        testsupport::SetEnvironment("G31DDC_SIM_FAIL", nullptr);
        testsupport::SetEnvironment("G31DDC_SIM_PACE", nullptr);
        testsupport::RemoveFile(logPath);
    }

    Strings TakeLog() {
        const auto lines = testsupport::ReadLines(logPath);
        Strings fresh(lines.begin() + static_cast<std::ptrdiff_t>(seen), lines.end());
        seen = lines.size();
        return fresh;
    }

    static std::string ErrorOf(const std::string& library) {
        try {
            ExcaliburDevice device(library);
        } catch (const std::runtime_error& error) {
            return error.what();
        }
        return "opened";
    }

    // Reads until `pairs` pairs have come; counts what else readStream said.
    struct ReadResult {
        std::size_t pairs = 0;
        int overflows = 0;
        int timeouts = 0;
        int errors = 0;
    };
    static ReadResult Read(ExcaliburDevice& device, SoapySDR::Stream* stream, std::size_t pairs,
                           std::vector<std::complex<float>>* keep = nullptr, int maxTimeouts = 10) {
        std::vector<std::complex<float>> buffer(4096);
        ReadResult result;
        while (result.pairs < pairs && result.timeouts < maxTimeouts && result.errors == 0) {
            void* buffs[] = {buffer.data()};
            int flags = 0;
            long long timeNs = 0;
            const int n = device.readStream(stream, buffs, buffer.size(), flags, timeNs, 200000);
            if (n == SOAPY_SDR_OVERFLOW)
                ++result.overflows;
            else if (n == SOAPY_SDR_TIMEOUT)
                ++result.timeouts;
            else if (n < 0)
                ++result.errors;
            else {
                result.pairs += static_cast<std::size_t>(n);
                if (keep) keep->insert(keep->end(), buffer.begin(), buffer.begin() + n);
            }
        }
        return result;
    }

    std::string logPath;
    std::size_t seen = 0;
};

}  // namespace

TEST_F(SoapyDeviceTest, ALibraryThatCannotServeGivesAnErrorNamingItAndWhatWasMissing) {
    EXPECT_NE(
        ErrorOf("/nonexistent/libg31ddcapi.so").find("cannot load the driver library /nonexistent/libg31ddcapi.so"),
        std::string::npos);
    const std::string lacking = ErrorOf(EXCALIBUR_SIMULATOR_MISSING_ENTRY);
    EXPECT_NE(lacking.find(EXCALIBUR_SIMULATOR_MISSING_ENTRY), std::string::npos) << lacking;
    EXPECT_NE(lacking.find("lacks the entry point SetADCNoiseBlanker"), std::string::npos) << lacking;
    testsupport::SetEnvironment("G31DDC_SIM_FAIL", "open");
    EXPECT_NE(ErrorOf(EXCALIBUR_SIMULATOR).find("opened no receiver"), std::string::npos);
}

TEST_F(SoapyDeviceTest, ControlsReachTheDriverAndBadValuesAreRefused) {
    auto device = std::make_unique<ExcaliburDevice>(EXCALIBUR_SIMULATOR);
    EXPECT_EQ(TakeLog(), (Strings{"OpenDevice -1", "SetFrequency 0 0 7050000", "SetAttenuator 0 0", "SetDithering 0 0",
                                  "SetADCNoiseBlanker 0 0"}));

    device->setFrequency(SOAPY_SDR_RX, 0, 5.0);
    device->setFrequency(SOAPY_SDR_RX, 0, 6e7);
    device->setFrequency(SOAPY_SDR_RX, 0, 7100000.4);
    EXPECT_EQ(device->getFrequency(SOAPY_SDR_RX, 0), 7100000.0);
    device->setGain(SOAPY_SDR_RX, 0, "ATT", -21.0);
    EXPECT_EQ(device->getGain(SOAPY_SDR_RX, 0), -21.0);
    device->setGain(SOAPY_SDR_RX, 0, -3.0);
    device->writeSetting("dither", "true");
    device->writeSetting("noise_blanker", "1");
    device->writeSetting("noise_blanker", "false");
    EXPECT_EQ(device->readSetting("dither"), "true");
    EXPECT_EQ(device->readSetting("noise_blanker"), "false");
    EXPECT_EQ(TakeLog(), (Strings{"SetFrequency 0 0 10", "SetFrequency 0 0 50000000", "SetFrequency 0 0 7100000",
                                  "SetAttenuator 0 21", "SetAttenuator 0 0", "SetDithering 0 1",
                                  "SetADCNoiseBlanker 0 1", "SetADCNoiseBlanker 0 0"}));

    EXPECT_THROW(device->setFrequency(SOAPY_SDR_RX, 0, NAN), std::invalid_argument);
    EXPECT_THROW(device->setGain(SOAPY_SDR_RX, 0, "LNA", 0.0), std::invalid_argument);
    EXPECT_THROW(device->writeSetting("dither", "maybe"), std::invalid_argument);
    EXPECT_THROW(device->writeSetting("agc", "true"), std::invalid_argument);
    EXPECT_THROW(device->setFrequency(SOAPY_SDR_TX, 0, 7e6), std::invalid_argument);
    try {
        device->setSampleRate(SOAPY_SDR_RX, 0, 300000.0);
        ADD_FAILURE() << "300 kHz accepted";
    } catch (const std::invalid_argument& error) {
        EXPECT_NE(std::string(error.what()).find("50000, 100000, 200000, 500000, 1000000 Hz"), std::string::npos);
    }
    EXPECT_EQ(device->getSampleRate(SOAPY_SDR_RX, 0), 200000.0);
    EXPECT_TRUE(TakeLog().empty());

    device.reset();
    EXPECT_EQ(TakeLog(), (Strings{"SetPower 0 0", "SetLED 0 0", "CloseDevice 0"}));
}

TEST_F(SoapyDeviceTest, TheStreamGoesOnAtANewRateAndEndsWithDeactivation) {
    ExcaliburDevice device(EXCALIBUR_SIMULATOR);
    EXPECT_THROW(device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CU8, {0}, {}), std::invalid_argument);
    SoapySDR::Stream* stream = device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32, {0}, {});
    EXPECT_THROW(device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32, {0}, {}), std::runtime_error);
    device.setSampleRate(SOAPY_SDR_RX, 0, 1e6);
    TakeLog();

    ASSERT_EQ(device.activateStream(stream, 0, 0, 0), 0);
    const Strings start = TakeLog();
    ASSERT_EQ(start.size(), 7u);
    EXPECT_EQ(Strings(start.begin(), start.begin() + 5),
              (Strings{"GetPower 0 non-null", "SetPower 0 1", "SetLED 0 1", "SetDDC1 0 16", "SetMWFilter 0 0"}));
    EXPECT_EQ(start[5].rfind("SetCallbacks 0 non-null ", 0), 0u);
    EXPECT_EQ(start[6], "StartDDC1 0 4096");
    const auto atFirstRate = Read(device, stream, 40000);
    EXPECT_EQ(atFirstRate.errors + atFirstRate.timeouts, 0);

    device.setSampleRate(SOAPY_SDR_RX, 0, 50000.0);
    const Strings restart = TakeLog();
    ASSERT_EQ(restart.size(), 8u);
    EXPECT_EQ(Strings(restart.begin(), restart.begin() + 2), (Strings{"StopDDC1 0", "SetCallbacks 0 0 0"}));
    EXPECT_EQ(restart[4], "SetDDC1 0 3");
    EXPECT_EQ(restart[7], "StartDDC1 0 4096");
    const auto began = std::chrono::steady_clock::now();
    const auto atSecondRate = Read(device, stream, 20000);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    EXPECT_EQ(atSecondRate.errors + atSecondRate.timeouts, 0);
    // Five blocks at 50 kHz take 0.41 s; blocks left from 1 MHz would come at once.
    EXPECT_GT(seconds, 0.35);
    EXPECT_LT(seconds, 1.5);

    EXPECT_EQ(device.deactivateStream(stream, 0, 0), 0);
    EXPECT_EQ(TakeLog(), (Strings{"StopDDC1 0", "SetCallbacks 0 0 0"}));
    Read(device, stream, SIZE_MAX, nullptr, 1);  // what was buffered before
    const auto afterwards = Read(device, stream, 1, nullptr, 1);
    EXPECT_EQ(afterwards.pairs, 0u);
    EXPECT_EQ(afterwards.timeouts, 1);
    device.closeStream(stream);
}

TEST_F(SoapyDeviceTest, TheCarrierArrivesAtItsLevelWithFullScaleOne) {
    ExcaliburDevice device(EXCALIBUR_SIMULATOR);
    device.setFrequency(SOAPY_SDR_RX, 0, 7040000.0);  // the -30 dBFS reference carrier at 0 Hz
    double fullScale = 0;
    EXPECT_EQ(device.getNativeStreamFormat(SOAPY_SDR_RX, 0, fullScale), SOAPY_SDR_CS32);
    EXPECT_EQ(fullScale, 2147483648.0);
    SoapySDR::Stream* stream = device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32, {}, {});
    ASSERT_EQ(device.activateStream(stream, 0, 0, 0), 0);
    std::vector<std::complex<float>> samples;
    Read(device, stream, 20000, &samples);
    device.closeStream(stream);
    std::complex<double> sum = 0;
    for (const auto& value : samples) sum += std::complex<double>(value);
    const double level = 20.0 * std::log10(std::abs(sum) / static_cast<double>(samples.size()));
    EXPECT_NEAR(level, -30.0, 1.0);
}

// Run under ThreadSanitizer as well: a reader, a thread changing every
// control, and the driver's thread, with blocks as fast as the simulator
// makes them so that the ring overflows too.
TEST_F(SoapyDeviceTest, ControlsChangeSafelyWhileAReaderStreams) {
    testsupport::SetEnvironment("G31DDC_SIM_LOG", nullptr);
    testsupport::SetEnvironment("G31DDC_SIM_PACE", "free");
    ExcaliburDevice device(EXCALIBUR_SIMULATOR);
    SoapySDR::Stream* stream = device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CS16, {0}, {});
    ASSERT_EQ(device.activateStream(stream, 0, 0, 0), 0);
    std::atomic<bool> done{false};
    std::atomic<std::size_t> pairs{0};
    std::atomic<int> failures{0};
    std::thread reader([&] {
        std::vector<std::int16_t> buffer(2 * 4096);
        while (!done.load()) {
            void* buffs[] = {buffer.data()};
            int flags = 0;
            long long timeNs = 0;
            const int n = device.readStream(stream, buffs, 4096, flags, timeNs, 100000);
            if (n > 0)
                pairs += static_cast<std::size_t>(n);
            else if (n != SOAPY_SDR_OVERFLOW && n != SOAPY_SDR_TIMEOUT)
                ++failures;
        }
    });
    const auto rates = device.listSampleRates(SOAPY_SDR_RX, 0);
    for (int i = 0; i < 60; ++i) {
        device.setSampleRate(SOAPY_SDR_RX, 0, rates[static_cast<std::size_t>(i) % rates.size()]);
        device.setFrequency(SOAPY_SDR_RX, 0, 7e6 + 1000.0 * i);
        device.setGain(SOAPY_SDR_RX, 0, i % 2 == 0 ? -21.0 : 0.0);
        device.writeSetting(i % 3 == 0 ? "dither" : "noise_blanker", i % 2 == 0 ? "true" : "false");
        std::this_thread::yield();
    }
    const std::size_t before = pairs.load();
    while (pairs.load() < before + 4096) std::this_thread::yield();
    EXPECT_EQ(device.deactivateStream(stream, 0, 0), 0);
    done = true;
    reader.join();
    device.closeStream(stream);
    EXPECT_EQ(failures.load(), 0);
}
