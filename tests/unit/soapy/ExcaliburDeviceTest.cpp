#include <gtest/gtest.h>

#include <SoapySDR/Errors.hpp>
#include <SoapySDR/Formats.hpp>
#include <SoapySDR/Logger.hpp>

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <complex>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "soapy/ExcaliburDevice.h"
#include "tests/support/TestEnvironment.h"

using excalibur::soapy::ExcaliburDevice;
using Strings = std::vector<std::string>;
using namespace std::chrono_literals;

namespace {

// What the module logged through SoapySDR's logger, as "LEVEL message".
struct LogRecord {
    std::mutex mutex;
    Strings lines;
} logRecord;

void RecordLog(const SoapySDRLogLevel level, const char* message) {
    const char* name = level == SOAPY_SDR_ERROR     ? "ERROR"
                       : level == SOAPY_SDR_WARNING ? "WARNING"
                       : level == SOAPY_SDR_INFO    ? "INFO"
                       : level == SOAPY_SDR_SSI     ? "SSI"
                                                    : "OTHER";
    std::lock_guard lock(logRecord.mutex);
    logRecord.lines.push_back(std::string(name) + " " + message);
}

Strings TakeMessages() {
    std::lock_guard lock(logRecord.mutex);
    Strings taken;
    taken.swap(logRecord.lines);
    return taken;
}

// The device over the simulator, with the simulator's call log in a file.
class SoapyDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        logPath = testsupport::TemporaryPath("soapy-g31ddc-log");
        testsupport::SetEnvironment("G31DDC_SIM_LOG", logPath.c_str());
        testsupport::SetEnvironment("G31DDC_SIM_FAIL", nullptr);
        testsupport::SetEnvironment("G31DDC_SIM_BLOCK", nullptr);
        testsupport::SetEnvironment("G31DDC_SIM_PACE", nullptr);
        SoapySDR::registerLogHandler(&RecordLog);
        TakeMessages();
    }
    void TearDown() override {
        SoapySDR::registerLogHandler(nullptr);
        testsupport::SetEnvironment("G31DDC_SIM_LOG", nullptr);
        testsupport::SetEnvironment("G31DDC_SIM_FAIL", nullptr);
        testsupport::SetEnvironment("G31DDC_SIM_BLOCK", nullptr);
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

    // The log's lines that start with one of the names.
    Strings Calls(std::initializer_list<std::string> entryPoints) {
        Strings found;
        for (const auto& line : TakeLog()) {
            for (const auto& name : entryPoints) {
                if (line.rfind(name + " ", 0) == 0) found.push_back(line);
            }
        }
        return found;
    }

    std::string logPath;
    std::size_t seen = 0;
};

// One read as the caller sees it.
struct Read1 {
    int result = 0;
    int flags = 0;
    long long timeNs = 0;
};
template <typename Sample = std::complex<float>>
Read1 ReadOnce(ExcaliburDevice& device, SoapySDR::Stream* stream, std::vector<Sample>& buffer,
               long timeoutUs = 500000) {
    void* buffs[] = {buffer.data()};
    Read1 read;
    read.result = device.readStream(stream, buffs, buffer.size(), read.flags, read.timeNs, timeoutUs);
    return read;
}

// One direct buffer as the caller gets it.
struct Acquired {
    int result = 0;
    std::size_t index = 0;
    const void* values = nullptr;
    int flags = 0;
    long long timeNs = 0;
};
Acquired AcquireOnce(ExcaliburDevice& device, SoapySDR::Stream* stream, long timeoutUs = 500000) {
    Acquired got;
    const void* buffs[1] = {};
    got.result = device.acquireReadBuffer(stream, got.index, buffs, got.flags, got.timeNs, timeoutUs);
    got.values = buffs[0];
    return got;
}

// Reads a streaming CF32 stream for `seconds` by the clock, as a client with
// a 100 ms timeout does, skipping what came before `fromNs`: the rate at
// which the pairs came, the longest block, and the reads that gave no pairs.
// A late wake-up only ever delays a read, so the rate is taken between the
// reads, one in each half, that came least late.
struct Timed {
    double pairsPerSecond = 0;
    double longestBlockMs = 0;
    int failures = 0;
};
Timed TimeTheStream(ExcaliburDevice& device, SoapySDR::Stream* stream, double rate, long long fromNs, double seconds) {
    std::vector<std::complex<float>> buffer(4096);  // a slot: one block each read
    struct Point {
        double at = 0, received = 0, late = 1e9;
    } halves[2];
    Timed timed;
    double received = 0;
    for (const auto begin = std::chrono::steady_clock::now();
         std::chrono::steady_clock::now() - begin < seconds * 1s;) {
        const Read1 read = ReadOnce(device, stream, buffer, 100000);
        const double at = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        if (read.result <= 0) ++timed.failures;
        if (read.result <= 0 || read.timeNs < fromNs) continue;
        received += read.result;
        Point& best = halves[at < seconds / 2 ? 0 : 1];
        if (at - received / rate < best.late) best = {at, received, at - received / rate};
        timed.longestBlockMs = std::max(timed.longestBlockMs, 1000.0 * read.result / rate);
    }
    timed.pairsPerSecond = (halves[1].received - halves[0].received) / (halves[1].at - halves[0].at);
    return timed;
}

// ThreadSanitizer slows a reader of 1 MHz below the stream's rate, more so
// while other tests run beside it: the rates are timed in the other builds.
#if defined(__SANITIZE_THREAD__)
constexpr bool kTimedByTheClock = false;
#else
constexpr bool kTimedByTheClock = true;
#endif

bool Contains(const Strings& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const auto& line) { return line.find(text) != std::string::npos; });
}

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
    // The DDC1 types, until the driver refuses one, before the defaults.
    Strings open{"OpenDevice -1"};
    for (int type = 0; type < 17; ++type) {
        open.insert(open.end(), {"SetDDC1 0 " + std::to_string(type), "GetDDC1 0 non-null non-null"});
    }
    open.insert(open.end(),
                {"SetDDC1 0 17", "SetFrequency 0 0 7050000", "SetAttenuator 0 0", "SetDithering 0 0",
                 "SetADCNoiseBlanker 0 0", "SetMWFilter 0 0", "SetDDC1 0 9", "GetDDC1 0 non-null non-null"});
    EXPECT_EQ(TakeLog(), open);

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
    EXPECT_EQ(TakeMessages(),
              (Strings{"WARNING excalibur: 5 Hz is outside the receiver's 10 Hz to 50000000 Hz; tuned to 10 Hz",
                       "WARNING excalibur: 60000000 Hz is outside the receiver's 10 Hz to 50000000 Hz; "
                       "tuned to 50000000 Hz"}));

    // The correction (librtlsdr's sign) retunes at once, set before or after
    // the frequency: the receiver shows the centre asked for, within its 1 Hz
    // step, unless its range ends first. The overall frequency has no CORR.
    const struct {
        std::function<void()> set;
        Strings tuned;
        double ppm, shown;
        Strings messages;
    } corrections[] = {
        {[&] { device->setFrequencyCorrection(SOAPY_SDR_RX, 0, 2.5); },
         {"SetFrequency 0 0 7099983"},
         2.5,
         7100000.4,
         {}},
        {[&] { device->setFrequency(SOAPY_SDR_RX, 0, "CORR", -1.0); },
         {"SetFrequency 0 0 7100008"},
         -1.0,
         7100000.4,
         {}},
        {[&] { device->setFrequency(SOAPY_SDR_RX, 0, 14e6); }, {"SetFrequency 0 0 14000014"}, -1.0, 14e6, {}},
        {[&] { device->setFrequencyCorrection(SOAPY_SDR_RX, 0, 2000.0); },
         {"SetFrequency 0 0 13986014"},
         1000.0,
         14e6,
         {"WARNING excalibur: a frequency correction of 2000 ppm is outside -1000 ppm to 1000 ppm; corrected by 1000 "
          "ppm"}},
        {[&] {
             device->setFrequency(SOAPY_SDR_RX, 0, "CORR", -1000.0);
             device->setFrequency(SOAPY_SDR_RX, 0, 5e7);
         },
         {"SetFrequency 0 0 14014014", "SetFrequency 0 0 50000000"},
         -1000.0,
         49950000.0,
         {"WARNING excalibur: 50050050 Hz (50000000 Hz corrected by -1000 ppm) is outside the receiver's 10 Hz to "
          "50000000 Hz; tuned to 50000000 Hz"}},
    };
    EXPECT_TRUE(device->hasFrequencyCorrection(SOAPY_SDR_RX, 0));
    for (const auto& row : corrections) {
        row.set();
        EXPECT_EQ(TakeLog(), row.tuned);
        EXPECT_EQ(device->getFrequencyCorrection(SOAPY_SDR_RX, 0), row.ppm) << row.tuned.back();
        EXPECT_NEAR(device->getFrequency(SOAPY_SDR_RX, 0), row.shown, 0.5) << row.tuned.back();
        EXPECT_EQ(TakeMessages(), row.messages) << row.tuned.back();
    }
    EXPECT_EQ(device->getFrequency(SOAPY_SDR_RX, 0, "CORR"), -1000.0);
    EXPECT_EQ(device->getFrequencyRange(SOAPY_SDR_RX, 0, "CORR").at(0).minimum(), -1000.0);

    EXPECT_THROW(device->setFrequency(SOAPY_SDR_RX, 0, NAN), std::invalid_argument);
    EXPECT_THROW(device->setFrequencyCorrection(SOAPY_SDR_RX, 0, NAN), std::invalid_argument);
    EXPECT_THROW(device->setFrequency(SOAPY_SDR_RX, 0, "IF", 0.0), std::invalid_argument);
    EXPECT_THROW(device->setGain(SOAPY_SDR_RX, 0, "LNA", 0.0), std::invalid_argument);
    EXPECT_THROW(device->writeSetting("dither", "maybe"), std::invalid_argument);
    EXPECT_THROW(device->writeSetting("agc", "true"), std::invalid_argument);
    EXPECT_THROW(device->setFrequency(SOAPY_SDR_TX, 0, 7e6), std::invalid_argument);
    EXPECT_TRUE(TakeLog().empty());
    // Asked about an element or a setting that is not there, the device
    // answers as SoapySDR's Device base does.
    EXPECT_EQ(device->getGain(SOAPY_SDR_RX, 0, "LNA"), 0.0);
    EXPECT_EQ(device->getGainRange(SOAPY_SDR_RX, 0, "LNA").maximum(), 0.0);
    EXPECT_EQ(device->getFrequency(SOAPY_SDR_RX, 0, "IF"), 0.0);
    EXPECT_TRUE(device->getFrequencyRange(SOAPY_SDR_RX, 0, "IF").empty());
    EXPECT_EQ(device->readSetting("agc"), "");
    EXPECT_EQ(device->getHardwareTime("gps"), 0);

    // The bandwidth is the DDC1 type's and follows the rate.
    EXPECT_EQ(device->getBandwidth(SOAPY_SDR_RX, 0), 160000.0);
    device->setSampleRate(SOAPY_SDR_RX, 0, 1e6);
    EXPECT_EQ(TakeLog(), (Strings{"SetDDC1 0 16", "GetDDC1 0 non-null non-null"}));
    EXPECT_EQ(device->listBandwidths(SOAPY_SDR_RX, 0), (std::vector<double>{800000.0}));
    device->setBandwidth(SOAPY_SDR_RX, 0, 200000.0);
    EXPECT_EQ(device->getBandwidth(SOAPY_SDR_RX, 0), 800000.0);
    EXPECT_EQ(TakeMessages(),
              (Strings{"INFO excalibur: the bandwidth follows the sample rate (800000 Hz at 1000000 Hz); "
                       "setBandwidth(200000 Hz) changes nothing"}));
    EXPECT_TRUE(device->hasHardwareTime());
    EXPECT_EQ(device->getHardwareTime(), 0);
    EXPECT_EQ(device->getStreamArgsInfo(SOAPY_SDR_RX, 0).at(0).key, "buffers");
    EXPECT_TRUE(TakeLog().empty());

    device.reset();
    EXPECT_EQ(TakeLog(), (Strings{"SetPower 0 0", "SetLED 0 0", "CloseDevice 0"}));
}

// Every DDC1 type of the driver is offered, ascending, with its bandwidth;
// each rate sets its type, stopped and streaming. Any other rate is refused,
// and a driver that cannot report its types leaves the plug-in's five.
TEST_F(SoapyDeviceTest, EveryRateOfTheDriverIsOfferedAndSetsItsDdc1Type) {
    struct Row {
        double rate, bandwidth;
        int type, blockPairs;  // blocks asked of StartDDC1: at most 50 ms
    };
    const Row rows[] = {
        {20000, 16000, 0, 512},      {32000, 25600, 1, 1024},    {40000, 32000, 2, 1024},    {50000, 40000, 3, 2048},
        {64000, 51200, 4, 2048},     {80000, 64000, 5, 2048},    {100000, 80000, 6, 4096},   {125000, 100000, 7, 4096},
        {160000, 128000, 8, 4096},   {200000, 160000, 9, 4096},  {250000, 200000, 10, 4096}, {320000, 256000, 11, 4096},
        {400000, 320000, 12, 4096},  {500000, 400000, 13, 4096}, {640000, 512000, 14, 4096}, {800000, 640000, 15, 4096},
        {1000000, 800000, 16, 4096},
    };
    const std::vector<double> timedRates{20000, 250000, 1000000};
    auto device = std::make_unique<ExcaliburDevice>(EXCALIBUR_SIMULATOR);
    std::vector<double> listed;
    for (const Row& row : rows) listed.push_back(row.rate);
    EXPECT_EQ(device->listSampleRates(SOAPY_SDR_RX, 0), listed);
    SoapySDR::Stream* stream = device->setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32, {0}, {});
    TakeLog();
    for (const bool streaming : {false, true}) {
        if (streaming) {
            ASSERT_EQ(device->activateStream(stream, 0, 0, 0), 0);
            TakeLog();
        }
        for (const Row& row : rows) {
            device->setSampleRate(SOAPY_SDR_RX, 0, row.rate + 0.4);
            Strings expected{"SetDDC1 0 " + std::to_string(row.type)};
            if (streaming) expected.push_back("StartDDC1 0 " + std::to_string(row.blockPairs));
            EXPECT_EQ(Calls({"SetDDC1", "StartDDC1"}), expected) << row.rate;
            EXPECT_EQ(device->getSampleRate(SOAPY_SDR_RX, 0), row.rate);
            EXPECT_EQ(device->getBandwidth(SOAPY_SDR_RX, 0), row.bandwidth);
            if (!kTimedByTheClock || !streaming || std::count(timedRates.begin(), timedRates.end(), row.rate) == 0)
                continue;
            const Timed timed = TimeTheStream(*device, stream, row.rate, device->getHardwareTime(), 0.3);
            std::printf("%.0f Hz: %.1f pairs/s by the clock, blocks of %.1f ms, %d reads without pairs\n", row.rate,
                        timed.pairsPerSecond, timed.longestBlockMs, timed.failures);
            EXPECT_NEAR(timed.pairsPerSecond, row.rate, row.rate / 100);
            EXPECT_LE(timed.longestBlockMs, 50.0);
            EXPECT_EQ(timed.failures, 0);
        }
    }
    // std::runtime_error, which gqrx survives.
    for (const double refused : {192000.0, 5e6, 20000.5}) {
        try {
            device->setSampleRate(SOAPY_SDR_RX, 0, refused);
            ADD_FAILURE() << refused << " Hz accepted";
        } catch (const std::invalid_argument&) {
            ADD_FAILURE() << refused << " Hz refused with std::invalid_argument";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find("choose 20000, 32000, 40000, 50000, 64000, "), std::string::npos);
        }
    }
    EXPECT_EQ(device->getSampleRate(SOAPY_SDR_RX, 0), 1e6);
    device.reset();

    TakeMessages();
    const std::vector<double> five{50000, 100000, 200000, 500000, 1000000};
    for (const char* fail : {"getddc1", "setddc1:1"}) {
        testsupport::SetEnvironment("G31DDC_SIM_FAIL", fail);
        device = std::make_unique<ExcaliburDevice>(EXCALIBUR_SIMULATOR);
        EXPECT_EQ(device->listSampleRates(SOAPY_SDR_RX, 0), five) << fail;
        const Strings messages = TakeMessages();
        ASSERT_FALSE(messages.empty()) << fail;
        EXPECT_NE(messages[0].find("; the rates are 50000, 100000, 200000, 500000, 1000000 Hz"), std::string::npos);
        std::printf("G31DDC_SIM_FAIL=%s: %s\n", fail, messages[0].c_str());
        device.reset();
    }
}

// The stream goes on at the new rate without a gap: each read's time is the
// time of the one before plus its pairs at the rate of their block.
TEST_F(SoapyDeviceTest, TheStreamGoesOnAtANewRateWithContinuousTimeAndEndsWithDeactivation) {
    ExcaliburDevice device(EXCALIBUR_SIMULATOR);
    EXPECT_THROW(device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CU8, {0}, {}), std::invalid_argument);
    SoapySDR::Stream* stream = device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32, {0}, {});
    EXPECT_THROW(device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32, {0}, {}), std::runtime_error);
    device.setSampleRate(SOAPY_SDR_RX, 0, 1e6);
    TakeLog();
    // The medium-wave filter at once, and at every start and restart.
    device.writeSetting("mw_filter", "true");
    EXPECT_EQ(TakeLog(), (Strings{"SetMWFilter 0 1"}));

    ASSERT_EQ(device.activateStream(stream, 0, 0, 0), 0);
    const Strings start = TakeLog();
    ASSERT_EQ(start.size(), 8u);
    EXPECT_EQ(Strings(start.begin(), start.begin() + 5),
              (Strings{"GetPower 0 non-null", "SetPower 0 1", "SetLED 0 1", "SetDDC1 0 16", "SetMWFilter 0 1"}));
    EXPECT_EQ(start[5].rfind("SetCallbacks 0 non-null ", 0), 0u);
    EXPECT_EQ(start[6], "StartDDC1 0 4096");
    EXPECT_EQ(start[7], "GetDDC1 0 non-null non-null");

    std::vector<std::complex<float>> buffer(1000);  // blocks split across reads
    struct Stamp {
        long long timeNs;
        int pairs;
        int flags;
    };
    std::vector<Stamp> stamps;
    const auto readPairs = [&](int pairs) {
        for (int got = 0; got < pairs;) {
            const Read1 read = ReadOnce(device, stream, buffer);
            ASSERT_GT(read.result, 0) << "read " << stamps.size();
            ASSERT_TRUE(read.flags & SOAPY_SDR_HAS_TIME);
            stamps.push_back({read.timeNs, read.result, read.flags});
            got += read.result;
        }
    };
    readPairs(40000);
    EXPECT_EQ(stamps.front().timeNs, 0);
    EXPECT_TRUE(stamps.front().flags & SOAPY_SDR_MORE_FRAGMENTS);

    const std::size_t before = stamps.size();
    const auto changed = std::chrono::steady_clock::now();
    device.setSampleRate(SOAPY_SDR_RX, 0, 50000.0);
    const Strings restart = TakeLog();
    ASSERT_EQ(restart.size(), 9u);
    EXPECT_EQ(Strings(restart.begin(), restart.begin() + 2), (Strings{"StopDDC1 0", "SetCallbacks 0 0 0"}));
    EXPECT_EQ(restart[4], "SetDDC1 0 3");
    EXPECT_EQ(restart[5], "SetMWFilter 0 1");
    EXPECT_EQ(restart[7], "StartDDC1 0 2048");  // 41 ms
    readPairs(20000);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - changed).count();

    // Every step is the pairs before it at 1 MHz (1000 ns) until the first
    // at 50 kHz (20000 ns), and never back.
    long long pairsAt50k = 0;
    std::size_t firstAt50k = 0;
    for (std::size_t i = 1; i < stamps.size(); ++i) {
        const long long step = stamps[i].timeNs - stamps[i - 1].timeNs;
        const long long perPair = pairsAt50k > 0 ? 20000 : (step == 1000LL * stamps[i - 1].pairs ? 1000 : 20000);
        ASSERT_EQ(step, perPair * stamps[i - 1].pairs)
            << "read " << i << " of " << stamps.size() << ", " << before << " before the change";
        if (perPair == 20000 && pairsAt50k == 0) firstAt50k = i - 1;
        if (perPair == 20000) pairsAt50k += stamps[i - 1].pairs;
    }
    ASSERT_GT(firstAt50k, 0u);
    const Stamp& last1M = stamps[firstAt50k - 1];
    const Stamp& first50k = stamps[firstAt50k];
    std::printf(
        "rate change 1 MHz -> 50 kHz: last read at 1 MHz t=%lld ns (%d pairs), first at 50 kHz t=%lld ns "
        "(%d pairs), next t=%lld ns: steps of 1000 and 20000 ns per pair, no gap\n",
        last1M.timeNs, last1M.pairs, first50k.timeNs, first50k.pairs, stamps[firstAt50k + 1].timeNs);
    EXPECT_GE(pairsAt50k, 15000);
    // The pairs at 50 kHz came in real time; blocks left from 1 MHz come at once.
    EXPECT_GT(seconds, 0.8 * static_cast<double>(pairsAt50k) / 50000.0 - 0.1);
    EXPECT_LT(seconds, 1.5);

    EXPECT_EQ(device.deactivateStream(stream, 0, 0), 0);
    EXPECT_EQ(TakeLog(), (Strings{"StopDDC1 0", "SetCallbacks 0 0 0"}));
    const long long stopped = device.getHardwareTime();
    EXPECT_GE(stopped, stamps.back().timeNs);
    Read(device, stream, SIZE_MAX, nullptr, 1);  // what was buffered before
    const auto afterwards = Read(device, stream, 1, nullptr, 1);
    EXPECT_EQ(afterwards.pairs, 0u);
    EXPECT_EQ(afterwards.timeouts, 1);
    EXPECT_EQ(device.getHardwareTime(), stopped) << "the last value while stopped";
    device.closeStream(stream);
    EXPECT_EQ(device.getHardwareTime(), stopped);
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

// Run under ThreadSanitizer as well: two threads read one stream, one with
// readStream in fragments, the other by direct buffers that a third thread
// releases, with blocks as fast as the simulator makes them, so that the
// ring overflows too. Together they get every pair once, in time order, and
// each loss once, stamped where it begins.
TEST_F(SoapyDeviceTest, SeveralThreadsReadOneStreamAndEachPairReachesOneOfThem) {
    testsupport::SetEnvironment("G31DDC_SIM_LOG", nullptr);
    testsupport::SetEnvironment("G31DDC_SIM_PACE", "free");
    ExcaliburDevice device(EXCALIBUR_SIMULATOR);
    device.setSampleRate(SOAPY_SDR_RX, 0, 1e6);
    SoapySDR::Stream* stream = device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CS32, {0}, {{"buffers", "3"}});
    constexpr long long kPairs = 4096 * 300;
    struct Seen {
        long long timeNs;
        long long pairs;  // 0: an overflow
    };
    std::mutex seenMutex;
    std::vector<Seen> seen;
    std::atomic<long long> pairsSeen{0};
    std::atomic<int> failures{0};
    const auto record = [&](int result, long long timeNs) {
        if (result == SOAPY_SDR_TIMEOUT) return;
        if (result < 0 && result != SOAPY_SDR_OVERFLOW) {
            ++failures;
            return;
        }
        std::lock_guard lock(seenMutex);
        seen.push_back({timeNs, std::max(result, 0)});
        pairsSeen += std::max(result, 0);
    };
    std::mutex handoff;
    std::condition_variable handedOff;
    std::deque<std::size_t> toRelease;
    bool acquirerDone = false;

    ASSERT_EQ(device.activateStream(stream, 0, 0, 0), 0);
    std::thread copier([&] {
        std::vector<std::int32_t> buffer(2 * 1000);  // blocks split across reads
        void* buffs[] = {buffer.data()};
        while (pairsSeen.load() < kPairs && failures.load() == 0) {
            int flags = 0;
            long long timeNs = 0;
            const int result = device.readStream(stream, buffs, 1000, flags, timeNs, 100000);
            record(result, timeNs);
        }
    });
    std::thread acquirer([&] {
        std::vector<std::size_t> held;  // handed off two at a time, so that the ring fills now and then
        while (pairsSeen.load() < kPairs && failures.load() == 0) {
            const Acquired got = AcquireOnce(device, stream, 10000);
            record(got.result, got.timeNs);
            if (got.result > 0) held.push_back(got.index);
            if (held.size() == 1 && got.result > 0) continue;
            std::lock_guard lock(handoff);
            toRelease.insert(toRelease.end(), held.begin(), held.end());
            held.clear();
            handedOff.notify_one();
        }
        std::lock_guard lock(handoff);
        toRelease.insert(toRelease.end(), held.begin(), held.end());
        acquirerDone = true;
        handedOff.notify_one();
    });
    int released = 0;
    for (std::unique_lock lock(handoff);;) {
        handedOff.wait(lock, [&] { return !toRelease.empty() || acquirerDone; });
        if (toRelease.empty()) break;
        const std::size_t index = toRelease.front();
        toRelease.pop_front();
        lock.unlock();
        device.releaseReadBuffer(stream, index);
        ++released;
        lock.lock();
    }
    copier.join();
    acquirer.join();
    device.closeStream(stream);
    EXPECT_EQ(failures.load(), 0);
    EXPECT_GT(released, 0);

    std::sort(seen.begin(), seen.end(), [](const Seen& a, const Seen& b) { return a.timeNs < b.timeNs; });
    long long endNs = 0;
    bool lost = false;
    int overflows = 0;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        if (seen[i].pairs == 0) {
            ASSERT_FALSE(lost) << "a second overflow for one loss, at " << i;
            ASSERT_EQ(seen[i].timeNs, endNs) << "the overflow where the loss begins, at " << i;
            lost = true;
            ++overflows;
            continue;
        }
        if (lost) {
            ASSERT_GT(seen[i].timeNs, endNs) << i;
        } else {
            ASSERT_EQ(seen[i].timeNs, endNs) << "each pair once, at " << i;
        }
        lost = false;
        endNs = seen[i].timeNs + seen[i].pairs * 1000;
    }
    std::printf("two readers and a releasing thread: %zu reads, %d overflows, %d buffers released elsewhere\n",
                seen.size() - static_cast<std::size_t>(overflows), overflows, released);
    EXPECT_EQ(TakeMessages().size(), static_cast<std::size_t>(overflows)) << "one \"O\" each";
}

// A reader too slow for a ring of 4 blocks: one overflow, logged as "O" at
// SSI level, with the time of the first pair lost; the time of the next pair
// is later by the pairs lost.
TEST_F(SoapyDeviceTest, AnOverflowIsReportedOnceAndTheTimeGoesOnAcrossTheLostBlocks) {
    ExcaliburDevice device(EXCALIBUR_SIMULATOR);
    device.setSampleRate(SOAPY_SDR_RX, 0, 1e6);
    EXPECT_THROW(device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CS16, {0}, {{"buffers", "1"}}), std::invalid_argument);
    EXPECT_THROW(device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CS16, {0}, {{"buffers", "many"}}), std::invalid_argument);
    SoapySDR::Stream* stream = device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CS16, {0},
                                                  {{"buffers", "4"}, {"remote:format", "CS16"}, {"bufflen", "8192"}});
    EXPECT_EQ(
        TakeMessages(),
        (Strings{"WARNING excalibur: stream argument bufflen is not known and is ignored; the one known is buffers"}));
    ASSERT_EQ(device.activateStream(stream, 0, 0, 0), 0);
    std::vector<std::int16_t> buffer(2 * 4096);
    Read1 read = ReadOnce(device, stream, buffer);
    ASSERT_EQ(read.result, 4096);
    const long long expected = read.timeNs + 4096 * 1000;
    std::this_thread::sleep_for(100ms);  // 24 blocks come, 4 fit
    std::vector<Read1> reads;
    for (int i = 0; i < 4; ++i) reads.push_back(ReadOnce(device, stream, buffer));
    read = ReadOnce(device, stream, buffer);
    ASSERT_EQ(read.result, SOAPY_SDR_OVERFLOW);
    EXPECT_TRUE(read.flags & SOAPY_SDR_HAS_TIME);
    EXPECT_EQ(TakeMessages(), (Strings{"SSI O"}));
    // A reader that falls 16 ms behind again (ThreadSanitizer on a busy
    // machine) loses another stretch, which is told as another overflow.
    Read1 after = ReadOnce(device, stream, buffer);
    for (int again = 0; after.result == SOAPY_SDR_OVERFLOW && again < 5; ++again) {
        after = ReadOnce(device, stream, buffer);
    }
    ASSERT_EQ(after.result, 4096);
    for (std::size_t i = 0; i < reads.size(); ++i) {
        ASSERT_EQ(reads[i].result, 4096);
        EXPECT_EQ(reads[i].timeNs, expected + 4096000LL * static_cast<long long>(i));
    }
    EXPECT_EQ(read.timeNs, reads.back().timeNs + 4096000);
    const long long lostNs = after.timeNs - read.timeNs;
    EXPECT_GT(lostNs, 0);
    EXPECT_EQ(lostNs % 4096000, 0) << "whole blocks lost";
    std::printf(
        "overflow at 1 MHz with buffers=4: last read before it t=%lld ns (4096 pairs), first after it "
        "t=%lld ns: %lld blocks (%.1f ms) lost, one \"O\"\n",
        reads.back().timeNs, after.timeNs, lostNs / 4096000, static_cast<double>(lostNs) / 1e6);
    device.closeStream(stream);
}

// One direct buffer held for 500 ms at 1 MHz with buffers=8 while the
// reader goes on with a 100 ms timeout: the 7 other blocks, one overflow as
// soon as the ring drops (stamped where the loss begins), then timeouts;
// after the release the blocks go on, stamped across the gap, with no second
// overflow for it.
TEST_F(SoapyDeviceTest, AHeldBufferMakesTheLossKnownAtOnceAndOnce) {
    ExcaliburDevice device(EXCALIBUR_SIMULATOR);
    device.setSampleRate(SOAPY_SDR_RX, 0, 1e6);
    SoapySDR::Stream* stream = device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CS32, {0}, {{"buffers", "8"}});
    ASSERT_EQ(device.activateStream(stream, 0, 0, 0), 0);
    const Acquired held = AcquireOnce(device, stream);
    ASSERT_EQ(held.result, 4096);
    const auto heldAt = std::chrono::steady_clock::now();
    const auto msSince = [](std::chrono::steady_clock::time_point then) {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - then).count();
    };
    int blocks = 0, overflows = 0, timeouts = 0;
    long long endNs = held.timeNs + 4096000;  // of the last block read
    long long overflowNs = -1;
    double overflowAfterMs = -1;  // since the last block came
    auto lastBlockAt = heldAt;
    while (msSince(heldAt) < 500) {
        const Acquired got = AcquireOnce(device, stream, 100000);
        if (got.result > 0) {
            ++blocks;
            EXPECT_EQ(got.timeNs, endNs);
            endNs = got.timeNs + got.result * 1000LL;
            lastBlockAt = std::chrono::steady_clock::now();
            device.releaseReadBuffer(stream, got.index);
        } else if (got.result == SOAPY_SDR_OVERFLOW) {
            ++overflows;
            overflowNs = got.timeNs;
            overflowAfterMs = msSince(lastBlockAt);
        } else {
            ASSERT_EQ(got.result, SOAPY_SDR_TIMEOUT);
            ++timeouts;
        }
    }
    const long long releasedNs = device.getHardwareTime();  // every block before it was dropped
    device.releaseReadBuffer(stream, held.index);
    const Acquired after = AcquireOnce(device, stream);
    std::printf(
        "held buffer, buffers=8, 1 MHz: %d blocks, %d overflow (%.1f ms after the last block, t=%lld ns), %d "
        "timeouts in 500 ms; released at t=%lld ns; then: %d, t=%lld ns (%.1f ms after the held block's)\n",
        blocks, overflows, overflowAfterMs, overflowNs, timeouts, releasedNs, after.result, after.timeNs,
        static_cast<double>(after.timeNs - held.timeNs) / 1e6);
    EXPECT_EQ(blocks, 7);
    ASSERT_EQ(overflows, 1);
    EXPECT_LT(overflowAfterMs, 30.0);
    EXPECT_EQ(overflowNs, endNs) << "the loss begins after the last block read";
    EXPECT_GE(timeouts, 3);
    EXPECT_EQ(TakeMessages(), (Strings{"SSI O"}));
    ASSERT_EQ(after.result, 4096) << "no second overflow for the same stretch";
    EXPECT_GE(after.timeNs, releasedNs);
    // The stream went on while the buffer was held, well past what the ring
    // holds. Its time, not the clock's: under ThreadSanitizer on a busy
    // machine the simulator makes only about half a second's blocks a second.
    EXPECT_GT(releasedNs - held.timeNs, 2 * 8 * 4096000LL);
    EXPECT_EQ((after.timeNs - endNs) % 4096000, 0) << "whole blocks lost";
    device.releaseReadBuffer(stream, after.index);
    endNs = after.timeNs + 4096000;
    for (int i = 0; i < 8; ++i) {
        const Acquired next = AcquireOnce(device, stream);
        ASSERT_EQ(next.result, 4096);
        EXPECT_EQ(next.timeNs, endNs);
        endNs += 4096000;
        device.releaseReadBuffer(stream, next.index);
    }
    EXPECT_TRUE(TakeMessages().empty());
    device.closeStream(stream);
}

// The settings on the device and on receive channel 0 are one state; GNU
// Radio writes them on the channel.
TEST_F(SoapyDeviceTest, TheSettingsAreListedReadAndWrittenOnTheChannelAsOnTheDevice) {
    ExcaliburDevice device(EXCALIBUR_SIMULATOR);
    TakeLog();
    const auto keys = [](const SoapySDR::ArgInfoList& list) {
        Strings found;
        for (const auto& info : list) found.push_back(info.key);
        return found;
    };
    EXPECT_EQ(keys(device.getSettingInfo()), (Strings{"dither", "noise_blanker", "mw_filter"}));
    EXPECT_EQ(keys(device.getSettingInfo(SOAPY_SDR_RX, 0)), (Strings{"dither", "noise_blanker", "mw_filter"}));
    device.writeSetting(SOAPY_SDR_RX, 0, "dither", "true");
    device.writeSetting("noise_blanker", "true");
    device.writeSetting(SOAPY_SDR_RX, 0, "noise_blanker", "false");
    device.writeSetting(SOAPY_SDR_RX, 0, "mw_filter", "1");
    EXPECT_EQ(device.readSetting("dither"), "true");
    EXPECT_EQ(device.readSetting(SOAPY_SDR_RX, 0, "dither"), "true");
    EXPECT_EQ(device.readSetting(SOAPY_SDR_RX, 0, "noise_blanker"), "false");
    EXPECT_EQ(device.readSetting("mw_filter"), "true");
    const Strings calls = TakeLog();
    EXPECT_EQ(calls,
              (Strings{"SetDithering 0 1", "SetADCNoiseBlanker 0 1", "SetADCNoiseBlanker 0 0", "SetMWFilter 0 1"}));
    std::printf("writeSetting(SOAPY_SDR_RX, 0, \"dither\", \"true\") -> driver call log: %s\n", calls[0].c_str());
    EXPECT_THROW(device.writeSetting(SOAPY_SDR_RX, 1, "dither", "true"), std::invalid_argument);
}

// Settings in the device string (gqrx's only way to them) are applied at
// open, after the defaults, as writeSetting takes them. The arguments of the
// module and of the programs that pass the string on go silently, any other
// with a warning; a value the setting does not take fails the open.
TEST_F(SoapyDeviceTest, SettingsInTheDeviceStringAreAppliedAtOpen) {
    const Strings defaults{"SetDithering 0 0", "SetADCNoiseBlanker 0 0", "SetMWFilter 0 0"};
    const struct {
        SoapySDR::Kwargs args;
        Strings applied;
        Strings readBack;  // dither, noise_blanker, mw_filter
        Strings messages;
        std::string error;
    } rows[] = {
        {{{"driver", "excalibur"},
          {"label", "WiNRADiO WR-G31DDC"},
          {"library", EXCALIBUR_SIMULATOR},
          {"soapy", "0"},
          {"nchan", "1"},
          {"remote", "tcp://192.0.2.1:55132"},
          {"remote:driver", "excalibur"},
          {"soapy_remote_no_deeper", ""},
          {"noise_blanker", "true"},
          {"dither", "1"}},
         {"SetDithering 0 1", "SetADCNoiseBlanker 0 1"},
         {"true", "true", "false"},
         {},
         ""},
        {{{"mw_filter", "true"}, {"gain", "20"}},
         {"SetMWFilter 0 1"},
         {"false", "false", "true"},
         {"WARNING excalibur: device argument gain=20 is not known and is ignored; the settings are dither, "
          "noise_blanker and mw_filter"},
         ""},
        {{{"dither", "on"}}, {}, {}, {}, "excalibur: setting dither takes true or false, not on"},
    };
    for (const auto& row : rows) {
        Strings calls = defaults;
        calls.insert(calls.end(), row.applied.begin(), row.applied.end());
        try {
            ExcaliburDevice device(EXCALIBUR_SIMULATOR, row.args);
            EXPECT_EQ(Calls({"SetDithering", "SetADCNoiseBlanker", "SetMWFilter"}), calls) << row.readBack[2];
            EXPECT_EQ((Strings{device.readSetting("dither"), device.readSetting("noise_blanker"),
                               device.readSetting(SOAPY_SDR_RX, 0, "mw_filter")}),
                      row.readBack);
            EXPECT_TRUE(row.error.empty()) << row.error;
        } catch (const std::invalid_argument& error) {
            EXPECT_EQ(error.what(), row.error);
            EXPECT_EQ(Calls({"SetDithering", "SetADCNoiseBlanker", "SetMWFilter", "CloseDevice"}),
                      (Strings{"SetDithering 0 0", "SetADCNoiseBlanker 0 0", "SetMWFilter 0 0", "CloseDevice 0"}));
        }
        EXPECT_EQ(TakeMessages(), row.messages);
        TakeLog();
    }
}

// What a client learns of a direction and channel from the queries, in one line.
std::string Answers(const ExcaliburDevice& device, int direction, std::size_t channel) {
    std::ostringstream line;
    const auto list = [&line](const char* what, const auto& values) {
        line << what << " [";
        for (const auto& value : values) line << (&value == &values.front() ? "" : " ") << value;
        line << "] ";
    };
    const auto ranges = [&line](const char* what, const SoapySDR::RangeList& values) {
        line << what << " " << values.size();
        if (!values.empty()) line << " from " << values.front().minimum();
        line << " ";
    };
    double fullScale = 0;
    list("antennas", device.listAntennas(direction, channel));
    line << "antenna '" << device.getAntenna(direction, channel) << "' ";
    list("gains", device.listGains(direction, channel));
    const SoapySDR::Range gain = device.getGainRange(direction, channel);
    line << "gain " << device.getGain(direction, channel) << " in " << gain.minimum() << ".." << gain.maximum() << " ";
    list("frequencies", device.listFrequencies(direction, channel));
    ranges("frequency ranges", device.getFrequencyRange(direction, channel));
    line << "frequency " << device.getFrequency(direction, channel) << " ";
    line << "rate " << device.getSampleRate(direction, channel) << " ";
    line << "rates " << device.listSampleRates(direction, channel).size() << " ";
    ranges("rate ranges", device.getSampleRateRange(direction, channel));
    line << "bandwidth " << device.getBandwidth(direction, channel) << " ";
    list("bandwidths", device.listBandwidths(direction, channel));
    ranges("bandwidth ranges", device.getBandwidthRange(direction, channel));
    list("formats", device.getStreamFormats(direction, channel));
    line << "native " << device.getNativeStreamFormat(direction, channel, fullScale) << " ";
    line << "stream args " << device.getStreamArgsInfo(direction, channel).size() << " ";
    line << "settings " << device.getSettingInfo(direction, channel).size() << " ";
    line << "dither '" << device.readSetting(direction, channel, "dither") << "' ";
    line << "info " << device.getChannelInfo(direction, channel).size() << " ";
    line << "has" << (device.hasGainMode(direction, channel) ? " AGC" : "")
         << (device.hasDCOffsetMode(direction, channel) ? " DC" : "")
         << (device.hasFrequencyCorrection(direction, channel) ? " CORR" : "");
    return line.str();
}

// A query for a direction or channel the receiver lacks answers as SoapySDR's
// Device base does, so that a client asking of both directions (CubicSDR's
// device window) goes on; a setter there is refused. Neither reaches the driver.
TEST_F(SoapyDeviceTest, QueriesWhereTheReceiverHasNoChannelAnswerAsTheBaseAndSettersAreRefused) {
    ExcaliburDevice device(EXCALIBUR_SIMULATOR);
    TakeLog();
    const std::string none =
        "antennas [] antenna '' gains [] gain 0 in 0..0 frequencies [] frequency ranges 0 frequency 0 rate 0 rates 0 "
        "rate ranges 0 bandwidth 0 bandwidths [] bandwidth ranges 0 formats [] native CS16 stream args 0 settings 0 "
        "dither '' info 0 has";
    const struct {
        int direction;
        std::size_t channel;
        std::string answers;
    } rows[] = {
        {SOAPY_SDR_RX, 0,
         "antennas [RX] antenna 'RX' gains [ATT] gain 0 in -21..0 frequencies [RF CORR] frequency ranges 1 from 10 "
         "frequency 7.05e+06 rate 200000 rates 17 rate ranges 17 from 20000 bandwidth 160000 bandwidths [160000] "
         "bandwidth ranges 1 from 160000 formats [CS32 CF32 CS16] native CS32 stream args 1 settings 3 dither 'false' "
         "info 0 has CORR"},
        {SOAPY_SDR_TX, 0, none},
        {SOAPY_SDR_RX, 1, none},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Answers(device, row.direction, row.channel), row.answers)
            << "direction " << row.direction << ", channel " << row.channel;
        if (row.answers != none) continue;
        const auto refused = [&](const char* call, const std::function<void()>& setter) {
            EXPECT_THROW(setter(), std::invalid_argument)
                << call << " on direction " << row.direction << ", channel " << row.channel;
        };
        refused("setAntenna", [&] { device.setAntenna(row.direction, row.channel, "RX"); });
        refused("setGain", [&] { device.setGain(row.direction, row.channel, "ATT", 0.0); });
        refused("setFrequency", [&] { device.setFrequency(row.direction, row.channel, 7e6); });
        refused("setFrequencyCorrection", [&] { device.setFrequencyCorrection(row.direction, row.channel, 1.0); });
        refused("setSampleRate", [&] { device.setSampleRate(row.direction, row.channel, 200000.0); });
        refused("setBandwidth", [&] { device.setBandwidth(row.direction, row.channel, 160000.0); });
        refused("writeSetting", [&] { device.writeSetting(row.direction, row.channel, "dither", "true"); });
        refused("setupStream", [&] { device.setupStream(row.direction, SOAPY_SDR_CF32, {row.channel}); });
    }
    EXPECT_EQ(device.getNumChannels(SOAPY_SDR_TX), 0U);
    EXPECT_TRUE(TakeLog().empty());
    EXPECT_TRUE(TakeMessages().empty());
}

// The one antenna takes every wish: the empty name (CubicSDR's "none chosen")
// and RX silently, another name with a warning.
TEST_F(SoapyDeviceTest, EveryAntennaNameLeavesTheReceiverOnRx) {
    ExcaliburDevice device(EXCALIBUR_SIMULATOR);
    TakeLog();
    const struct {
        std::string name;
        Strings messages;
    } rows[] = {
        {"", {}},
        {"RX", {}},
        {"TX/RX", {"WARNING excalibur: no antenna TX/RX; the receiver stays on RX, its only one"}},
    };
    for (const auto& row : rows) {
        device.setAntenna(SOAPY_SDR_RX, 0, row.name);
        EXPECT_EQ(TakeMessages(), row.messages) << "'" << row.name << "'";
        EXPECT_EQ(device.getAntenna(SOAPY_SDR_RX, 0), "RX");
    }
    EXPECT_TRUE(TakeLog().empty());
}

// Each driver call a control makes is checked: a failure throws, naming the
// call, is logged as an error, and the getters keep what the receiver has.
TEST_F(SoapyDeviceTest, EachInjectedDriverFailureGivesItsError) {
    ExcaliburDevice device(EXCALIBUR_SIMULATOR);
    struct Case {
        const char* fail;
        std::function<void()> action;
        const char* message;
        std::function<bool()> unchanged;
    };
    const Case cases[] = {
        {"setfrequency", [&] { device.setFrequency(SOAPY_SDR_RX, 0, 7100000.0); },
         "excalibur: the driver's SetFrequency failed (7100000 Hz); the receiver stays at 7050000 Hz",
         [&] { return device.getFrequency(SOAPY_SDR_RX, 0) == 7050000.0; }},
        {"setattenuator", [&] { device.setGain(SOAPY_SDR_RX, 0, -21.0); },
         "excalibur: the driver's SetAttenuator failed (21 dB); the attenuator stays at 0 dB",
         [&] { return device.getGain(SOAPY_SDR_RX, 0) == 0.0; }},
        {"setdithering", [&] { device.writeSetting(SOAPY_SDR_RX, 0, "dither", "true"); },
         "excalibur: the driver's SetDithering failed (on); dither stays false",
         [&] { return device.readSetting("dither") == "false"; }},
        {"setadcnoiseblanker", [&] { device.writeSetting("noise_blanker", "true"); },
         "excalibur: the driver's SetADCNoiseBlanker failed (on); noise_blanker stays false",
         [&] { return device.readSetting(SOAPY_SDR_RX, 0, "noise_blanker") == "false"; }},
        {"setmwfilter", [&] { device.writeSetting("mw_filter", "true"); },
         "excalibur: the driver's SetMWFilter failed (on); mw_filter stays false",
         [&] { return device.readSetting("mw_filter") == "false"; }},
        {"setfrequency", [&] { device.setFrequencyCorrection(SOAPY_SDR_RX, 0, 2.5); },
         "excalibur: the driver's SetFrequency failed (7049982 Hz); the receiver stays at 7050000 Hz",
         [&] {
             return device.getFrequencyCorrection(SOAPY_SDR_RX, 0) == 0.0 &&
                    device.getFrequency(SOAPY_SDR_RX, 0) == 7050000.0;
         }},
        {"setddc1", [&] { device.setSampleRate(SOAPY_SDR_RX, 0, 1e6); },
         "excalibur: the driver's SetDDC1 failed (1000000 Hz); the rate stays 200000 Hz",
         [&] { return device.getSampleRate(SOAPY_SDR_RX, 0) == 200000.0; }},
    };
    for (const Case& c : cases) {
        testsupport::SetEnvironment("G31DDC_SIM_FAIL", c.fail);
        try {
            c.action();
            ADD_FAILURE() << c.fail << ": no error";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
        testsupport::SetEnvironment("G31DDC_SIM_FAIL", nullptr);
        EXPECT_EQ(TakeMessages(), (Strings{std::string("ERROR ") + c.message}));
        EXPECT_TRUE(c.unchanged()) << c.fail;
        std::printf("G31DDC_SIM_FAIL=%s: %s\n", c.fail, c.message);
    }

    // activateStream returns the error; the dead stream answers so.
    SoapySDR::Stream* stream = device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32, {0}, {});
    std::vector<std::complex<float>> buffer(4096);
    testsupport::SetEnvironment("G31DDC_SIM_FAIL", "startddc1");
    EXPECT_EQ(device.activateStream(stream, 0, 0, 0), SOAPY_SDR_STREAM_ERROR);
    testsupport::SetEnvironment("G31DDC_SIM_FAIL", nullptr);
    Strings messages = TakeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "ERROR excalibur: the driver's StartDDC1 failed (starting the stream at 200000 Hz); the stream is not "
              "running");
    std::printf("G31DDC_SIM_FAIL=startddc1: activateStream %d, %s\n", SOAPY_SDR_STREAM_ERROR, messages[0].c_str());
    EXPECT_EQ(ReadOnce(device, stream, buffer, 100000).result, SOAPY_SDR_STREAM_ERROR);

    // A restart that fails in a rate change: what came before, then the error.
    testsupport::SetEnvironment("G31DDC_SIM_FAIL", "startddc1:3");  // the first start failed, the second runs
    ASSERT_EQ(device.activateStream(stream, 0, 0, 0), 0);
    ASSERT_GT(ReadOnce(device, stream, buffer).result, 0);
    try {
        device.setSampleRate(SOAPY_SDR_RX, 0, 50000.0);
        ADD_FAILURE() << "the restart's failure is not reported";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "excalibur: the driver's StartDDC1 failed (restarting the stream at 50000 Hz); the stream has "
                  "stopped: readStream answers SOAPY_SDR_STREAM_ERROR until activateStream");
        std::printf("G31DDC_SIM_FAIL=startddc1:N (a rate change's restart): %s\n", error.what());
    }
    testsupport::SetEnvironment("G31DDC_SIM_FAIL", nullptr);
    int result = 0;
    for (int i = 0; i < 200 && (result = ReadOnce(device, stream, buffer, 100000).result) > 0; ++i) {}
    EXPECT_EQ(result, SOAPY_SDR_STREAM_ERROR);
    EXPECT_EQ(device.deactivateStream(stream, 0, 0), 0);
    ASSERT_EQ(device.activateStream(stream, 0, 0, 0), 0) << "activateStream brings the stream back";
    EXPECT_GT(ReadOnce(device, stream, buffer).result, 0);

    // A stream the driver does not stop answers with the error from then on,
    // blocks left or not; closeStream stops it.
    TakeMessages();
    TakeLog();
    testsupport::SetEnvironment("G31DDC_SIM_FAIL", "stopddc1");
    EXPECT_EQ(device.deactivateStream(stream, 0, 0), SOAPY_SDR_STREAM_ERROR);
    testsupport::SetEnvironment("G31DDC_SIM_FAIL", nullptr);
    EXPECT_EQ(ReadOnce(device, stream, buffer).result, SOAPY_SDR_STREAM_ERROR);
    EXPECT_EQ(device.activateStream(stream, 0, 0, 0), SOAPY_SDR_STREAM_ERROR);
    EXPECT_EQ(Calls({"StopDDC1"}).size(), 1u);
    device.closeStream(stream);
    EXPECT_EQ(Calls({"StopDDC1"}), (Strings{"StopDDC1 0"})) << "tried again";
    EXPECT_EQ(
        TakeMessages(),
        (Strings{"ERROR excalibur: the driver's StopDDC1 failed (stopping the stream); its blocks are no longer read",
                 "ERROR excalibur: activateStream: the driver's StopDDC1 failed on this stream; close it"}));
    stream = device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32, {0}, {});
    ASSERT_EQ(device.activateStream(stream, 0, 0, 0), 0);
    EXPECT_GT(ReadOnce(device, stream, buffer).result, 0);
    device.closeStream(stream);
}

// A driver whose StopDDC1 fails (in a deactivation or a rate change) may
// still write: the stream answers with the error from then on, even with
// blocks left; the device's end tries the stop again and, if it fails
// again, keeps the stream and the library for the driver (ASan, with leak
// detection, watches the simulator write for 500 ms more). The kept case
// comes last: its library stays loaded.
TEST_F(SoapyDeviceTest, WhatADriverThatWouldNotStopMayWriteIsKept) {
    struct Case {
        const char* fail;
        bool byRateChange;
        bool kept;
    };
    for (const Case& c : {Case{"stopddc1:1", true, false}, Case{"stopddc1,closedevice", false, true}}) {
        auto device = std::make_unique<ExcaliburDevice>(EXCALIBUR_SIMULATOR);
        device->setSampleRate(SOAPY_SDR_RX, 0, 1e6);
        SoapySDR::Stream* stream = device->setupStream(SOAPY_SDR_RX, SOAPY_SDR_CS32, {0}, {});
        ASSERT_EQ(device->activateStream(stream, 0, 0, 0), 0);
        const Acquired first = AcquireOnce(*device, stream);
        ASSERT_EQ(first.result, 4096);
        device->releaseReadBuffer(stream, first.index);
        TakeLog();
        TakeMessages();
        testsupport::SetEnvironment("G31DDC_SIM_FAIL", c.fail);
        if (c.byRateChange) {
            EXPECT_THROW(device->setSampleRate(SOAPY_SDR_RX, 0, 50000.0), std::runtime_error);
        } else {
            EXPECT_EQ(device->deactivateStream(stream, 0, 0), SOAPY_SDR_STREAM_ERROR);
        }
        std::vector<std::int32_t> buffer(2 * 4096);
        EXPECT_EQ(ReadOnce(*device, stream, buffer).result, SOAPY_SDR_STREAM_ERROR) << c.fail;
        EXPECT_EQ(AcquireOnce(*device, stream).result, SOAPY_SDR_STREAM_ERROR) << c.fail;
        EXPECT_EQ(device->activateStream(stream, 0, 0, 0), SOAPY_SDR_STREAM_ERROR) << c.fail;
        EXPECT_EQ(Calls({"StopDDC1"}).size(), 1u) << c.fail;
        device.reset();
        const Strings calls = TakeLog();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "StopDDC1 0"), 1) << c.fail << ": tried again at the end";
        const Strings messages = TakeMessages();
        EXPECT_EQ(Contains(messages, "are kept until the process ends"), c.kept) << c.fail;
        std::string end;
        for (const auto& call : calls) end += (end.empty() ? "" : ", ") + call;
        std::printf("%s: the driver's calls at the device's end: %s\n", c.fail, end.c_str());
        for (const auto& line : messages) std::printf("%s: %s\n", c.fail, line.c_str());
        if (!c.kept) {
            EXPECT_EQ(dlopen(EXCALIBUR_SIMULATOR, RTLD_NOW | RTLD_NOLOAD), nullptr) << "the library is unloaded";
            continue;
        }
        std::this_thread::sleep_for(500ms);
        testsupport::SetEnvironment("G31DDC_SIM_FAIL", nullptr);
        // The receiver is still open and streaming: end it for the tests after this one.
        void* simulator = dlopen(EXCALIBUR_SIMULATOR, RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(simulator, nullptr) << "the library is kept";
        EXPECT_EQ(reinterpret_cast<g31ddc::StopDDC1Fn>(dlsym(simulator, "StopDDC1"))(0), 1);
        EXPECT_EQ(reinterpret_cast<g31ddc::CloseDeviceFn>(dlsym(simulator, "CloseDevice"))(0), 1);
        dlclose(simulator);
    }
}

// A timeout too long for the clock's nanoseconds waits as long as it takes:
// at 20 kHz both calls come before the next block.
TEST_F(SoapyDeviceTest, AHugeTimeoutWaitsForTheBlock) {
    ExcaliburDevice device(EXCALIBUR_SIMULATOR);
    device.setSampleRate(SOAPY_SDR_RX, 0, 20000.0);
    SoapySDR::Stream* stream = device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CS32, {0}, {});
    ASSERT_EQ(device.activateStream(stream, 0, 0, 0), 0);
    const Acquired acquired = AcquireOnce(device, stream, LONG_MAX);
    EXPECT_EQ(acquired.result, 512);
    device.releaseReadBuffer(stream, acquired.index);
    std::vector<std::int32_t> buffer(2 * 4096);
    EXPECT_EQ(ReadOnce(device, stream, buffer, LONG_MAX).result, 512);
    device.closeStream(stream);
}

// readStream takes the first 100 pairs of a block, then acquireReadBuffer
// hands out its slot: the address table and the hand-out agree on where the
// other 3996 pairs are. The simulator gives the same samples after each start.
TEST_F(SoapyDeviceTest, ASlotReadInPartIsHandedOutWithTheRestAtTheSlotsAddress) {
    ExcaliburDevice device(EXCALIBUR_SIMULATOR);
    device.setSampleRate(SOAPY_SDR_RX, 0, 1e6);
    SoapySDR::Stream* stream = device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CS32, {0}, {});
    std::vector<std::int64_t> block(4096), head(100);  // CS32 pairs
    ASSERT_EQ(device.activateStream(stream, 0, 0, 0), 0);
    ASSERT_EQ(ReadOnce(device, stream, block).result, 4096);
    ASSERT_EQ(device.deactivateStream(stream, 0, 0), 0);
    ASSERT_EQ(device.activateStream(stream, 0, 0, 0), 0);
    ASSERT_EQ(ReadOnce(device, stream, head).result, 100);
    ASSERT_TRUE(std::equal(head.begin(), head.end(), block.begin())) << "the same samples";
    const Acquired rest = AcquireOnce(device, stream);
    ASSERT_EQ(rest.result, 3996);
    EXPECT_EQ(rest.timeNs, 100000);
    void* address[1] = {};
    ASSERT_EQ(device.getDirectAccessBufferAddrs(stream, rest.index, address), 0);
    EXPECT_EQ(rest.values, address[0]);
    EXPECT_TRUE(std::equal(block.begin() + 100, block.end(), static_cast<const std::int64_t*>(address[0])));
    device.releaseReadBuffer(stream, rest.index);
    device.closeStream(stream);
}

// CS32 streams hand out the ring's slots: the carrier arrives at its level
// through them, with the time of every block.
TEST_F(SoapyDeviceTest, DirectBuffersHandOutTheRingsSlotsOfACs32Stream) {
    ExcaliburDevice device(EXCALIBUR_SIMULATOR);
    device.setFrequency(SOAPY_SDR_RX, 0, 7040000.0);
    SoapySDR::Stream* floats = device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32, {0}, {});
    EXPECT_EQ(device.getNumDirectAccessBuffers(floats), 0u);
    EXPECT_EQ(AcquireOnce(device, floats, 1000).result, SOAPY_SDR_NOT_SUPPORTED);
    device.closeStream(floats);

    SoapySDR::Stream* stream = device.setupStream(SOAPY_SDR_RX, SOAPY_SDR_CS32, {0}, {{"buffers", "16"}});
    ASSERT_EQ(device.getNumDirectAccessBuffers(stream), 16u);
    std::vector<const void*> addresses;
    for (std::size_t i = 0; i < 16; ++i) {
        void* address[1] = {};
        ASSERT_EQ(device.getDirectAccessBufferAddrs(stream, i, address), 0);
        addresses.push_back(address[0]);
    }
    ASSERT_EQ(device.activateStream(stream, 0, 0, 0), 0);
    std::complex<double> sum = 0;
    long long pairs = 0;
    for (int block = 0; block < 5; ++block) {
        const Acquired got = AcquireOnce(device, stream);
        ASSERT_EQ(got.result, 4096);
        ASSERT_LT(got.index, 16u);
        EXPECT_EQ(got.values, addresses[got.index]);
        EXPECT_EQ(got.flags, SOAPY_SDR_HAS_TIME);
        EXPECT_EQ(got.timeNs, pairs * 5000) << "200 kHz";
        const auto* values = static_cast<const std::int32_t*>(got.values);
        for (int i = 0; i < got.result; ++i) sum += std::complex<double>(values[2 * i], values[2 * i + 1]);
        pairs += got.result;
        device.releaseReadBuffer(stream, got.index);
    }
    const double level = 20.0 * std::log10(std::abs(sum) / static_cast<double>(pairs) / 2147483648.0);
    EXPECT_NEAR(level, -30.0, 1.0);
    // Two held at once, released out of order; copies go on after them.
    const Acquired first = AcquireOnce(device, stream);
    const Acquired second = AcquireOnce(device, stream);
    ASSERT_EQ(first.result, 4096);
    ASSERT_EQ(second.result, 4096);
    EXPECT_EQ(second.timeNs, (pairs + 4096) * 5000);
    device.releaseReadBuffer(stream, second.index);
    device.releaseReadBuffer(stream, first.index);
    std::vector<std::int32_t> copy(2 * 4096);
    const Read1 read = ReadOnce(device, stream, copy);
    EXPECT_EQ(read.result, 4096);
    EXPECT_EQ(read.timeNs, (pairs + 2 * 4096) * 5000);
    device.releaseReadBuffer(stream, first.index);
    EXPECT_TRUE(Contains(TakeMessages(), "releaseReadBuffer: buffer")) << "a second release is only warned of";
    device.closeStream(stream);
}

// The lifecycle as clients stop a stream, each pattern 20 rounds; run under
// ASan and TSan too. A reader waits in readStream (200 ms timeout) and the
// main thread acts 30 ms later: the reader must be woken within 50 ms, and
// nothing it uses is freed while it is inside. Even rounds stream no pairs;
// odd rounds stream at 50 kHz in blocks of 4096 pairs, whose first comes
// after 82 ms.
class SoapyLifecycleDeviceTest : public SoapyDeviceTest {
protected:
    static constexpr int kRounds = 20;

    // A reader thread: reads once, or until an error.
    struct Waiter {
        std::atomic<int> lastResult{0};
        std::atomic<long long> returnedAtNs{0};
        std::atomic<bool> running{false};
        std::thread thread;

        void Start(ExcaliburDevice& device, SoapySDR::Stream* stream, bool untilError) {
            thread = std::thread([this, &device, stream, untilError] {
                std::vector<std::complex<float>> buffer(4096);
                running = true;
                for (;;) {
                    const Read1 read = ReadOnce(device, stream, buffer, 200000);
                    lastResult = read.result;
                    returnedAtNs = std::chrono::steady_clock::now().time_since_epoch().count();
                    if (!untilError || read.result == SOAPY_SDR_STREAM_ERROR) return;
                }
            });
        }
        double MillisecondsSince(std::chrono::steady_clock::time_point acted) const {
            return static_cast<double>(returnedAtNs.load() - acted.time_since_epoch().count()) / 1e6;
        }
    };

    // A device streaming as the round asks, with a reader waiting in it.
    std::unique_ptr<ExcaliburDevice> Streaming(int round, const char* format, SoapySDR::Stream*& stream,
                                               double rate = 50000.0) {
        testsupport::SetEnvironment("G31DDC_SIM_BLOCK", round % 2 == 0 ? "0" : "4096");
        auto device = std::make_unique<ExcaliburDevice>(EXCALIBUR_SIMULATOR);
        device->setSampleRate(SOAPY_SDR_RX, 0, rate);
        stream = device->setupStream(SOAPY_SDR_RX, format, {0}, {});
        EXPECT_EQ(device->activateStream(stream, 0, 0, 0), 0);
        return device;
    }

    // Starts the reader and lets it wait; the time of the action that follows.
    static std::chrono::steady_clock::time_point ReaderWaiting(Waiter& waiter, ExcaliburDevice& device,
                                                               SoapySDR::Stream* stream, bool untilError) {
        waiter.Start(device, stream, untilError);
        // A loaded machine may take longer than the wait below to start a thread.
        while (!waiter.running.load()) std::this_thread::yield();
        std::this_thread::sleep_for(30ms);
        return std::chrono::steady_clock::now();
    }

    void Woken(const Waiter& waiter, std::chrono::steady_clock::time_point acted, int expected) {
        EXPECT_EQ(waiter.lastResult.load(), expected);
        const double ms = waiter.MillisecondsSince(acted);
        EXPECT_LT(ms, 50.0);
        slowest = std::max(slowest, ms);
    }

    void Report(const char* pattern) {
        std::printf("lifecycle: %d rounds of %s: clean, reader woken within %.1f ms at most\n", kRounds, pattern,
                    slowest);
    }

    void SetUp() override {
        SoapyDeviceTest::SetUp();
        testsupport::SetEnvironment("G31DDC_SIM_LOG", nullptr);
    }

    double slowest = 0;
};

// SDR++: deactivateStream, closeStream, and only then join the reader.
TEST_F(SoapyLifecycleDeviceTest, DeactivateThenCloseWhileAReaderWaits) {
    for (int round = 0; round < kRounds; ++round) {
        SoapySDR::Stream* stream = nullptr;
        auto device = Streaming(round, SOAPY_SDR_CF32, stream);
        Waiter waiter;
        const auto acted = ReaderWaiting(waiter, *device, stream, false);
        EXPECT_EQ(device->deactivateStream(stream, 0, 0), 0);
        if (round % 4 < 2) {
            // Woken by the deactivation: nothing more to read.
            while (waiter.returnedAtNs.load() == 0 && std::chrono::steady_clock::now() - acted < 1s) {
                std::this_thread::sleep_for(1ms);
            }
            Woken(waiter, acted, SOAPY_SDR_TIMEOUT);
            device->closeStream(stream);
            waiter.thread.join();
        } else {
            // Closed at once: woken by whichever it sees first.
            device->closeStream(stream);
            waiter.thread.join();
            const int got = waiter.lastResult.load();
            EXPECT_TRUE(got == SOAPY_SDR_TIMEOUT || got == SOAPY_SDR_STREAM_ERROR) << got;
            Woken(waiter, acted, got);
        }
        std::vector<std::complex<float>> buffer(16);
        EXPECT_EQ(ReadOnce(*device, stream, buffer).result, SOAPY_SDR_STREAM_ERROR) << "the closed handle";
    }
    Report("deactivateStream, closeStream, join (SDR++)");
}

TEST_F(SoapyLifecycleDeviceTest, CloseWhileAReaderWaitsAndReadsAgain) {
    for (int round = 0; round < kRounds; ++round) {
        SoapySDR::Stream* stream = nullptr;
        auto device = Streaming(round, SOAPY_SDR_CF32, stream);
        Waiter waiter;
        const auto acted = ReaderWaiting(waiter, *device, stream, true);  // reads again with the closed handle
        device->closeStream(stream);
        waiter.thread.join();
        Woken(waiter, acted, SOAPY_SDR_STREAM_ERROR);
        // A new stream gets a new handle; the old one stays closed.
        SoapySDR::Stream* next = device->setupStream(SOAPY_SDR_RX, SOAPY_SDR_CS32, {0}, {});
        EXPECT_NE(next, stream);
        std::vector<std::complex<float>> buffer(16);
        EXPECT_EQ(ReadOnce(*device, stream, buffer).result, SOAPY_SDR_STREAM_ERROR);
        EXPECT_EQ(AcquireOnce(*device, stream, 1000).result, SOAPY_SDR_STREAM_ERROR);
        device->releaseReadBuffer(stream, 0);
        device->closeStream(next);
    }
    Report("closeStream while a reader waits, then readStream with the closed handle");
}

TEST_F(SoapyLifecycleDeviceTest, DestroyTheDeviceWhileAReaderWaits) {
    for (int round = 0; round < kRounds; ++round) {
        SoapySDR::Stream* stream = nullptr;
        auto device = Streaming(round, SOAPY_SDR_CS16, stream);
        Waiter waiter;
        const auto acted = ReaderWaiting(waiter, *device, stream, false);
        device.reset();
        waiter.thread.join();
        Woken(waiter, acted, SOAPY_SDR_STREAM_ERROR);
    }
    Report("the device destroyed while a reader waits");
}

TEST_F(SoapyLifecycleDeviceTest, CloseWhileADirectBufferIsHeld) {
    for (int round = 0; round < kRounds; ++round) {
        SoapySDR::Stream* stream = nullptr;
        auto device = Streaming(1, SOAPY_SDR_CS32, stream, 1e6);
        const Acquired held = AcquireOnce(*device, stream);
        ASSERT_EQ(held.result, 4096);
        device->closeStream(stream);
        device->releaseReadBuffer(stream, held.index);  // late: harmless
        EXPECT_EQ(AcquireOnce(*device, stream, 1000).result, SOAPY_SDR_STREAM_ERROR);
        EXPECT_EQ(device->getNumDirectAccessBuffers(stream), 0u);
        // A new stream streams and lends its buffers.
        SoapySDR::Stream* next = device->setupStream(SOAPY_SDR_RX, SOAPY_SDR_CS32, {0}, {});
        ASSERT_EQ(device->activateStream(next, 0, 0, 0), 0);
        const Acquired lent = AcquireOnce(*device, next);
        ASSERT_EQ(lent.result, 4096);
        device->releaseReadBuffer(next, lent.index);
        device->closeStream(next);
    }
    std::printf(
        "lifecycle: %d rounds of closeStream while a direct buffer is held, then the late "
        "releaseReadBuffer: clean\n",
        kRounds);
}
