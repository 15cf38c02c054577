#include "host/HostSession.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "host/Decibels.h"
#include "host/NotificationWindow.h"
#include "host/PluginLibrary.h"
#include "host/PngWriter.h"
#include "host/SampleCapture.h"
#include "host/SoakDriver.h"
#include "host/SoakMonitor.h"
#include "host/SoakVerdict.h"
#include "host/SpectrumPlot.h"
#include "host/Summary.h"
#include "host/WavWriter.h"
#include "host/WindowCapture.h"

namespace host {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int floatIqHardwareType = 7;
constexpr int defaultFrequencyHz = 7050000;
constexpr double spectrumSeconds = 2.0;
constexpr double wavSeconds = 10.0;
constexpr std::size_t peakCount = 5;
// Long enough for a panel just shown to have painted before it is captured.
constexpr std::chrono::milliseconds panelPaintTime(500);
// How long after StopHW a soak watches for blocks that should no longer come.
constexpr std::chrono::milliseconds watchAfterStop(200);
// A soak thread still inside the plug-in this long after being asked to stop is stuck.
constexpr std::chrono::seconds soakStopLimit(10);
constexpr std::uint32_t soakSeed = 0x5eed1e55;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

class HostSession {
public:
    explicit HostSession(const HostOptions& options) : options_(options), window_(log_, numbers_) {}

    int Run();

private:
    int Fail(int status, const std::string& message);
    bool CheckCapabilities(std::string& error) const;
    void ApplyExtendedSettings();
    bool ApplyOptionalSettings(std::string& error);
    void ListOptionalChoices();
    void PumpFor(std::chrono::milliseconds duration);
    void CaptureScreenshot();
    void Receive(double seconds);
    void StartSoak();
    void StopSoakThread();
    void FinishSoak();
    void JudgeSoakRun();
    void Stop();
    int Analyse();

    const HostOptions& options_;
    PluginLibrary plugin_;
    HostMessageNumbers numbers_;
    NotificationLog log_;
    NotificationWindow window_;
    std::optional<SampleCapture> capture_;
    std::optional<SoakMonitor> soakMonitor_;
    std::optional<SoakDriver> soakDriver_;
    SoakRun soakRun_;
    std::size_t soakFirstNotification_ = 0;
    bool initialised_ = false;
    bool started_ = false;
    int outputStatus_ = exitOk;
    Clock::time_point startedAt_{};
    RunReport report_;
};

int HostSession::Fail(int status, const std::string& message) {
    std::fprintf(stderr, "extio-host: %s\n", message.c_str());
    Stop();
    return status;
}

void HostSession::Stop() {
    const ExtIoFunctions& f = plugin_.Functions();
    StopSoakThread();
    if (started_) {
        f.StopHW();
        started_ = false;
    }
    if (capture_) capture_->Disarm();
    if (initialised_) {
        if (options_.extended) {
            excalibur::ExParaBlock record{};
            f.GetExPara(&record);
            report_.finalRecord = record;
        }
        if (f.GetActualAttIdx) report_.finalAttenuatorIndex = f.GetActualAttIdx();
        f.CloseHW();
        initialised_ = false;
    }
    window_.Pump(std::chrono::milliseconds(0));
    plugin_.Close();
    window_.CollectOwnMessages();
}

bool HostSession::CheckCapabilities(std::string& error) const {
    const ExtIoFunctions& f = plugin_.Functions();
    if (options_.extended && !plugin_.HasAllExtended()) {
        std::string missing;
        for (const std::string& name : plugin_.MissingExtended()) missing += (missing.empty() ? "" : ", ") + name;
        error = "--extended: the plug-in lacks " + missing;
        return false;
    }
    if (options_.rateIndex && f.ExtIoSetSrate == nullptr) {
        error = "--rate-index: the plug-in has no ExtIoSetSrate";
        return false;
    }
    if (options_.attenuatorIndex && f.SetAttenuator == nullptr) {
        error = "--att-index: the plug-in has no SetAttenuator";
        return false;
    }
    return true;
}

void HostSession::ApplyExtendedSettings() {
    const ExtIoFunctions& f = plugin_.Functions();
    if (options_.sampleMode) f.SetSamples(*options_.sampleMode);
    if (options_.attenuator) f.SetAtt(*options_.attenuator ? 1 : 0);
    if (options_.attenuatorToggle) f.SetAtt(0);
    if (options_.dither) f.SetDither(*options_.dither ? 1 : 0);
    if (options_.noiseBlanker) f.SetNB(*options_.noiseBlanker ? 1 : 0);
    if (options_.levelOffsetDb) f.SetLevelOffset(*options_.levelOffsetDb);
}

void HostSession::ListOptionalChoices() {
    const ExtIoFunctions& f = plugin_.Functions();
    constexpr int mostChoices = 64;
    report_.sampleRates.clear();
    report_.attenuatorSteps.clear();
    // Both lists end at the first index the plug-in answers with non-zero.
    if (f.ExtIoGetSrates) {
        double rate = 0.0;
        for (int i = 0; i < mostChoices && f.ExtIoGetSrates(i, &rate) == 0; ++i) report_.sampleRates.push_back(rate);
    }
    if (f.ExtIoGetActualSrateIdx) report_.actualRateIndex = f.ExtIoGetActualSrateIdx();
    if (f.GetAttenuators) {
        float db = 0.0f;
        for (int i = 0; i < mostChoices && f.GetAttenuators(i, &db) == 0; ++i) report_.attenuatorSteps.push_back(db);
    }
    if (f.GetActualAttIdx) report_.actualAttenuatorIndex = f.GetActualAttIdx();
}

bool HostSession::ApplyOptionalSettings(std::string& error) {
    const ExtIoFunctions& f = plugin_.Functions();
    if (options_.rateIndex) {
        const int index = *options_.rateIndex;
        if (f.ExtIoGetSrates && static_cast<std::size_t>(index) >= report_.sampleRates.size()) {
            error = "--rate-index " + std::to_string(index) + ": the plug-in offers " +
                    std::to_string(report_.sampleRates.size()) + " sample rates";
            return false;
        }
        if (f.ExtIoSetSrate(index) != 0) {
            error = "the plug-in refused sample rate index " + std::to_string(index);
            return false;
        }
    }
    if (options_.attenuatorIndex) {
        const int index = *options_.attenuatorIndex;
        if (f.GetAttenuators && static_cast<std::size_t>(index) >= report_.attenuatorSteps.size()) {
            error = "--att-index " + std::to_string(index) + ": the plug-in offers " +
                    std::to_string(report_.attenuatorSteps.size()) + " attenuator steps";
            return false;
        }
        if (f.SetAttenuator(index) != 0) {
            error = "the plug-in refused attenuator index " + std::to_string(index);
            return false;
        }
    }
    return true;
}

void HostSession::PumpFor(std::chrono::milliseconds duration) {
    const auto end = Clock::now() + duration;
    for (auto now = Clock::now(); now < end; now = Clock::now())
        window_.Pump(std::chrono::ceil<std::chrono::milliseconds>(end - now));
}

// A capture that fails is reported like a file that cannot be written; the
// run goes on.
void HostSession::CaptureScreenshot() {
    PumpFor(panelPaintTime);
    PanelCaptureRequest request;
    request.hostWindow = window_.Id();
    request.hoverControlId = options_.hoverControlId;
    if (options_.extended) {
        excalibur::ExParaBlock record{};
        request.panel = static_cast<platform::WindowId>(plugin_.Functions().GetExPara(&record));
    }
    std::string error;
    if (const std::optional<PanelImage> image = CapturePanel(request, error)) {
        const RgbImage& pixels = image->pixels;
        if (WritePng(options_.screenshotPath, pixels, error)) {
            report_.outputs.push_back(
                "screenshot: " + options_.screenshotPath + " (" + std::to_string(pixels.Width()) + " x " +
                std::to_string(pixels.Height()) + " pixels, " +
                (image->wholeWindow ? "whole window" : "client area only: the window manager draws the frame") + ")");
            return;
        }
    }
    std::fprintf(stderr, "extio-host: --screenshot: %s\n", error.c_str());
    outputStatus_ = exitOutputFailed;
}

void HostSession::Receive(double seconds) {
    const ExtIoFunctions& f = plugin_.Functions();
    int phase = 0;
    double nextProgress = 1.0;
    for (double elapsed = SecondsSince(startedAt_); elapsed < seconds; elapsed = SecondsSince(startedAt_)) {
        const double remaining = seconds - elapsed;
        window_.Pump(std::chrono::milliseconds(std::clamp(static_cast<long>(remaining * 1000.0) + 1, 1L, 100L)));
        elapsed = SecondsSince(startedAt_);
        if (options_.attenuatorToggle) {
            const int due = std::min(2, static_cast<int>(elapsed * 3.0 / seconds));
            if (due != phase) {
                phase = due;
                f.SetAtt(phase == 1 ? 1 : 0);
                capture_->SetPhase(phase);
            }
        }
        if (seconds > 1.0 && elapsed >= nextProgress && elapsed < seconds) {
            std::fprintf(stderr, "%6.1f s  %llu blocks  %llu I/Q pairs  last block %.1f dBFS\n", elapsed,
                         static_cast<unsigned long long>(capture_->BlocksSoFar()),
                         static_cast<unsigned long long>(capture_->ValuesSoFar() / 2),
                         PowerToDbfs(capture_->LastBlockMeanPower(), options_.fullScale));
            nextProgress = std::floor(elapsed) + 1.0;
        }
    }
}

// From the record as it stands, so the soak's first toggles and its walk start from the settings in force.
void HostSession::StartSoak() {
    const ExtIoFunctions& f = plugin_.Functions();
    excalibur::ExParaBlock record{};
    f.GetExPara(&record);
    SoakStart start;
    start.sampleMode = record.sampleMode;
    start.levelOffset = record.levelOffset;
    start.attenuator = record.attenuator != 0;
    start.dither = record.dither != 0;
    start.noiseBlanker = record.noiseBlanker != 0;
    soakRun_.startMode = start.sampleMode;
    soakRun_.seed = soakSeed;
    soakRun_.expectedCount = 2 * report_.blockPairs;
    soakRun_.watchAfterStopSeconds = std::chrono::duration<double>(watchAfterStop).count();

    // What was posted before the soak is not the soak's.
    window_.Pump(std::chrono::milliseconds(0));
    soakFirstNotification_ = log_.Entries().size();
    const SoakExports exports{f.SetSamples, f.SetLevelOffset, f.SetAtt, f.SetDither, f.SetNB};
    soakDriver_.emplace(exports, SoakSchedule(start, soakSeed), startedAt_, [this] { window_.Wake(); });
    soakDriver_->Start();
}

// The soak thread's calls may be waiting for this thread to handle the
// panel's messages, so this thread pumps while it waits for the soak thread.
void HostSession::StopSoakThread() {
    if (!soakDriver_) return;
    soakDriver_->RequestStop();
    const auto limit = Clock::now() + soakStopLimit;
    while (!soakDriver_->Finished()) {
        if (Clock::now() >= limit) {
            // It cannot be joined, and the plug-in cannot be unloaded under it.
            std::fprintf(stderr,
                         "extio-host: soak failed: the soak thread is still inside the plug-in %lld s after "
                         "it was asked to stop\n",
                         static_cast<long long>(soakStopLimit.count()));
            std::fflush(stderr);
            std::_Exit(exitSoakFailed);
        }
        window_.Pump(std::chrono::milliseconds(100));
    }
    soakDriver_->Join();
}

void HostSession::FinishSoak() {
    StopSoakThread();
    soakRun_.seconds = SecondsSince(startedAt_);
    const double stopCalledAt = soakMonitor_->SecondsSinceOrigin();
    plugin_.Functions().StopHW();
    started_ = false;
    soakMonitor_->MarkStopped();
    soakMonitor_->CloseStream(stopCalledAt);
    PumpFor(watchAfterStop);
}

// After Stop: every message the soak's calls posted has been taken.
void HostSession::JudgeSoakRun() {
    soakRun_.seen = soakMonitor_->Observations();
    soakRun_.selections = soakDriver_->Selections();
    const std::pair<std::uint32_t, SoakCall> kinds[] = {
        {numbers_.sampleMode, SoakCall::SampleMode},     {numbers_.levelOffset, SoakCall::LevelOffset},
        {numbers_.attenuator, SoakCall::Attenuator},     {numbers_.dither, SoakCall::Dither},
        {numbers_.noiseBlanker, SoakCall::NoiseBlanker},
    };
    for (const auto& kind : kinds)
        soakRun_.calls[static_cast<std::size_t>(kind.second)] = soakDriver_->CallsOf(kind.second);
    const auto& entries = log_.Entries();
    for (std::size_t i = soakFirstNotification_; i < entries.size(); ++i) {
        for (const auto& [message, call] : kinds)
            if (entries[i].message == message) ++soakRun_.posted[static_cast<std::size_t>(call)];
    }
    report_.soak = SoakReport{soakRun_, JudgeSoak(soakRun_)};
}

int HostSession::Analyse() {
    const CaptureResult& c = report_.capture;
    double analysedSeconds = spectrumSeconds;
    // A gain step inside the analysed samples would spread over every bin.
    if (options_.attenuatorToggle) analysedSeconds = std::min(analysedSeconds, options_.seconds / 3.0);
    const auto analysedPairs = std::min(c.storedPairs, static_cast<std::size_t>(c.storedRate * analysedSeconds));
    report_.spectrum =
        ComputeSpectrum(c.stored, analysedPairs, c.storedRate, report_.loFrequencyHz, options_.fullScale);
    report_.peaks = StrongestPeaks(report_.spectrum, peakCount);

    int status = outputStatus_;
    std::string error;
    if (!options_.wavPath.empty()) {
        if (WriteIqWav(options_.wavPath, c.stored, c.storedPairs, static_cast<std::uint32_t>(std::lround(c.storedRate)),
                       error)) {
            char line[512];
            std::snprintf(line, sizeof line, "wav file: %s (%zu I/Q pairs, %.2f s)", options_.wavPath.c_str(),
                          c.storedPairs, c.storedRate > 0.0 ? static_cast<double>(c.storedPairs) / c.storedRate : 0.0);
            report_.outputs.push_back(line);
        } else {
            std::fprintf(stderr, "extio-host: --wav: %s\n", error.c_str());
            status = exitOutputFailed;
        }
    }
    if (!options_.plotPath.empty()) {
        const RgbImage plot = DrawSpectrumPlot(report_.spectrum, report_.peaks);
        if (WritePng(options_.plotPath, plot, error)) {
            report_.outputs.push_back("plot: " + options_.plotPath);
        } else {
            std::fprintf(stderr, "extio-host: --plot: %s\n", error.c_str());
            status = exitOutputFailed;
        }
    }
    return status;
}

int HostSession::Run() {
    std::string error;
    if (!options_.screenshotPath.empty() && !CanCaptureWindows())
        return Fail(exitBadArguments,
                    "--screenshot needs the Windows build; the native build's windows have no pixels");
    if (!plugin_.Open(options_.pluginPath, error)) return Fail(exitPluginUnusable, error);
    if (!CheckCapabilities(error)) return Fail(exitPluginUnusable, error);
    if (!window_.Valid()) return Fail(exitPluginFailed, "cannot create the host's window");
    const ExtIoFunctions& f = plugin_.Functions();
    report_.pluginPath = options_.pluginPath;
    report_.optionalCalls = plugin_.PresentHostOptional();
    report_.extendedUsed = options_.extended;
    report_.fullScale = options_.fullScale;

    if (f.VersionInfo) f.VersionInfo("extio-host", 1, 0);
    if (options_.extended) {
        // Start from the plug-in's own record so its settings stay as they are.
        excalibur::ExParaBlock record{};
        f.GetExPara(&record);
        numbers_.WriteInto(record, window_.Id());
        f.InitExtIOPara(&record);
    }

    char name[256] = {};
    char model[256] = {};
    int type = 0;
    const int ready = f.InitHW(name, model, &type);
    name[sizeof name - 1] = '\0';
    model[sizeof model - 1] = '\0';
    report_.name = name;
    report_.model = model;
    report_.hardwareType = type;
    if (ready == 0) return Fail(exitPluginFailed, "the plug-in failed to initialise (InitHW returned 0)");
    initialised_ = true;
    if (type != floatIqHardwareType)
        return Fail(exitPluginFailed, "the plug-in delivers hardware type " + std::to_string(type) + " (" +
                                          HardwareTypeName(type) + "); this host takes type 7, 32-bit float I/Q");
    if (f.OpenHW() == 0) return Fail(exitPluginFailed, "the plug-in failed to open the hardware (OpenHW returned 0)");
    if (options_.showPanel) {
        if (f.ShowGUI)
            f.ShowGUI();
        else
            std::fprintf(stderr, "extio-host: the plug-in has no ShowGUI; no panel to show\n");
    }

    capture_.emplace(f.GetHWSR, f.GetActualAttIdx);
    if (options_.soak) {
        soakMonitor_.emplace(f.GetHWSR);
        f.SetCallback(&SoakMonitor::HostCallback);
    } else {
        f.SetCallback(&SampleCapture::HostCallback);
    }
    if (options_.extended) ApplyExtendedSettings();
    ListOptionalChoices();
    if (!ApplyOptionalSettings(error)) return Fail(exitPluginFailed, error);
    ListOptionalChoices();
    if (!options_.screenshotPath.empty()) CaptureScreenshot();

    const int frequency =
        options_.frequencyHz ? static_cast<int>(*options_.frequencyHz) : (f.GetHWLO ? f.GetHWLO() : defaultFrequencyHz);
    const int rate = f.GetHWSR();
    if (rate <= 0)
        return Fail(exitPluginFailed,
                    "the plug-in reports no sample rate (GetHWSR returned " + std::to_string(rate) + ")");
    const double keptSeconds = std::min(options_.seconds, options_.wavPath.empty() ? spectrumSeconds : wavSeconds);
    capture_->Prepare(static_cast<std::size_t>(std::ceil(rate * keptSeconds)), rate);
    capture_->Arm();

    startedAt_ = Clock::now();
    if (soakMonitor_) soakMonitor_->Arm(startedAt_, rate);
    report_.blockPairs = f.StartHW(frequency);
    started_ = true;
    if (report_.blockPairs <= 0)
        return Fail(exitPluginFailed,
                    "the plug-in failed to start (StartHW returned " + std::to_string(report_.blockPairs) + ")");
    capture_->SetBlockPairs(report_.blockPairs);
    report_.loFrequencyHz = f.GetHWLO ? f.GetHWLO() : frequency;

    if (options_.soak) StartSoak();
    Receive(options_.seconds);
    if (options_.soak) FinishSoak();
    report_.elapsedSeconds = SecondsSince(startedAt_);
    Stop();
    if (options_.soak) JudgeSoakRun();
    report_.capture = capture_->Result();
    report_.attenuatorToggle = options_.attenuatorToggle;
    for (const Notification& notification : log_.Entries())
        report_.notifications.push_back(NotificationLog::Describe(notification, numbers_));

    const int status = Analyse();
    std::fputs(FormatSummary(report_).c_str(), stdout);
    std::fflush(stdout);
    if (report_.capture.blocks == 0) {
        std::fprintf(stderr, "extio-host: no samples arrived\n");
        return exitNoSamples;
    }
    if (report_.soak && !report_.soak->verdict.Passed()) {
        for (const std::string& failure : report_.soak->verdict.failures)
            std::fprintf(stderr, "extio-host: soak failed: %s\n", failure.c_str());
        return exitSoakFailed;
    }
    return status;
}

}  // namespace

int RunHost(const HostOptions& options) {
    HostSession session(options);
    return session.Run();
}

}  // namespace host
