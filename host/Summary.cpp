#include "host/Summary.h"

#include <cstdarg>
#include <cstdio>

#if defined(__MINGW32__)
#define HOST_PRINTF_FORMAT __MINGW_PRINTF_FORMAT
#else
#define HOST_PRINTF_FORMAT printf
#endif

namespace host {
namespace {

class Lines {
public:
    void Add(const char* label, const char* format, ...) __attribute__((format(HOST_PRINTF_FORMAT, 3, 4))) {
        char value[512];
        va_list arguments;
        va_start(arguments, format);
        std::vsnprintf(value, sizeof value, format, arguments);
        va_end(arguments);
        char line[600];
        std::snprintf(line, sizeof line, "%-16s: %s\n", label, value);
        text_ += line;
    }
    void Raw(const std::string& line) { text_ += "  " + line + "\n"; }
    std::string Text() const { return text_; }

private:
    std::string text_;
};

std::string Join(const std::vector<std::string>& items, const char* separator) {
    std::string joined;
    for (const std::string& item : items) joined += (joined.empty() ? "" : separator) + item;
    return joined;
}

const char* OnOff(std::uint8_t value) { return value ? "on" : "off"; }

std::string CallCounts(const std::array<int, soakCallKinds>& counts, const char* (*name)(SoakCall)) {
    std::vector<std::string> items;
    for (int kind = 0; kind < soakCallKinds; ++kind)
        items.push_back(std::to_string(counts[kind]) + " " + name(static_cast<SoakCall>(kind)));
    return Join(items, ", ");
}

void AddSoak(Lines& out, const SoakReport& soak) {
    const SoakRun& run = soak.run;
    const SoakVerdict& v = soak.verdict;
    out.Add("soak",
            "%.1f s from sample mode %d, seed 0x%08x, from a thread of its own: SetSamples every %.0f ms "
            "(cycling 0..4), SetLevelOffset every %.0f ms (a walk in %d..%d), SetAtt, SetDither and SetNB "
            "toggled every %.0f ms",
            run.seconds, run.startMode, static_cast<unsigned>(run.seed), SoakSchedule::modePeriod * 1000.0,
            SoakSchedule::levelPeriod * 1000.0, SoakSchedule::lowestOffset, SoakSchedule::highestOffset,
            SoakSchedule::switchPeriod * 1000.0);
    out.Add("soak calls", "%s", CallCounts(run.calls, SoakCallName).c_str());
    out.Add("soak notices", "%s messages posted back", CallCounts(run.posted, SoakNoticeName).c_str());
    out.Add("soak blocks", "%llu data calls, %llu with a count other than %d",
            static_cast<unsigned long long>(run.seen.blocks), static_cast<unsigned long long>(v.wrongCountBlocks),
            run.expectedCount);
    out.Add("soak rates", "%zu mode changes, %d status 100 calls, GetHWSR gave the selected mode's rate at %d",
            run.selections.size(), v.notices, v.noticesMatching);
    out.Add("soak stalls",
            "%llu waits over %.0f block periods: %llu at a mode change, %llu elsewhere of at most "
            "%.0f ms (scheduling), %llu unexplained (longest wait %.3f s)",
            static_cast<unsigned long long>(v.stalls), GapDetector::stallFactor,
            static_cast<unsigned long long>(v.explainedStalls), static_cast<unsigned long long>(v.shortStalls),
            schedulingAllowanceSeconds * 1000.0, static_cast<unsigned long long>(v.unexplainedStalls),
            run.seen.longestWait);
    out.Add("soak stop", "%llu data calls in the %.0f ms after StopHW returned",
            static_cast<unsigned long long>(run.seen.blocksAfterStop), run.watchAfterStopSeconds * 1000.0);
    if (v.Passed()) {
        out.Add("soak result", "passed");
    } else {
        out.Add("soak result", "FAILED, %zu checks", v.failures.size());
        for (const std::string& failure : v.failures) out.Raw(failure);
    }
}

// What GetActualAttIdx gave on the last status 125 against what the panel
// shows at the end: its record with the extended calls, else GetActualAttIdx.
void AddAttenuatorReads(Lines& out, const RunReport& r) {
    const CaptureResult& c = r.capture;
    const int panelIndex = r.finalRecord ? (r.finalRecord->attenuator != 0 ? 0 : 1) : r.finalAttenuatorIndex;
    const char* source = r.finalRecord ? "the panel's record" : "GetActualAttIdx at the end";
    out.Add("attenuator read", "GetActualAttIdx read on %u status 125 calls, last %d; %s says %d: %s",
            static_cast<unsigned>(c.attenuatorReads), c.attenuatorIndexRead, source, panelIndex,
            c.attenuatorIndexRead == panelIndex ? "matches" : "DIFFERS");
}

}  // namespace

std::string HardwareTypeName(int type) {
    switch (type) {
        case 3: return "16-bit integer I/Q";
        case 4: return "sound card";
        case 5: return "24-bit integer I/Q";
        case 6: return "32-bit integer I/Q";
        case 7: return "32-bit float I/Q";
        case 9: return "8-bit unsigned I/Q";
        case 10: return "8-bit signed I/Q";
        default: return "unknown";
    }
}

std::string FormatSummary(const RunReport& r) {
    Lines out;
    const CaptureResult& c = r.capture;
    out.Add("plug-in", "%s, model %s, hardware type %d (%s)", r.name.c_str(), r.model.c_str(), r.hardwareType,
            HardwareTypeName(r.hardwareType).c_str());
    out.Add("library", "%s", r.pluginPath.c_str());
    out.Add("optional calls", "%s", r.optionalCalls.empty() ? "none" : Join(r.optionalCalls, ", ").c_str());
    out.Add("extended calls", "%s", r.extendedUsed ? "used" : "not used");
    if (!r.sampleRates.empty()) {
        std::vector<std::string> rates;
        for (std::size_t i = 0; i < r.sampleRates.size(); ++i) {
            char item[48];
            std::snprintf(item, sizeof item, "%s%zu: %.0f", static_cast<int>(i) == r.actualRateIndex ? "*" : "", i,
                          r.sampleRates[i]);
            rates.push_back(item);
        }
        out.Add("sample rates", "%s Hz (* in use)", Join(rates, ", ").c_str());
    }
    if (!r.attenuatorSteps.empty()) {
        std::vector<std::string> steps;
        for (std::size_t i = 0; i < r.attenuatorSteps.size(); ++i) {
            char item[48];
            std::snprintf(item, sizeof item, "%s%zu: %.1f", static_cast<int>(i) == r.actualAttenuatorIndex ? "*" : "",
                          i, static_cast<double>(r.attenuatorSteps[i]));
            steps.push_back(item);
        }
        out.Add("attenuators", "%s dB (* in use)", Join(steps, ", ").c_str());
    }
    out.Add("LO frequency", "%d Hz", r.loFrequencyHz);
    if (c.gaps.measuredRate > 0.0)
        out.Add("sample rate", "%.0f Hz nominal, %.1f Hz measured", c.nominalRate, c.gaps.measuredRate);
    else
        out.Add("sample rate", "%.0f Hz nominal, too few blocks to measure", c.nominalRate);
    out.Add("block size", "%d I/Q pairs (StartHW)", r.blockPairs);
    out.Add("received", "%llu blocks, %llu values (%llu I/Q pairs) in %.2f s",
            static_cast<unsigned long long>(c.blocks), static_cast<unsigned long long>(c.values),
            static_cast<unsigned long long>(c.values / 2), r.elapsedSeconds);
    if (c.oversizedBlocks || c.emptyDataCalls)
        out.Add("bad blocks", "%llu longer than the block size (cut), %llu without data",
                static_cast<unsigned long long>(c.oversizedBlocks), static_cast<unsigned long long>(c.emptyDataCalls));
    if (c.gaps.stalls == 0 && !c.gaps.shortfall) {
        out.Add("gaps", "none (longest wait between blocks %.3f s)", c.gaps.longestWaitSeconds);
    } else {
        out.Add(
            "gaps",
            "%llu waits over %.0f block periods (longest %.3f s); %lld I/Q pairs short of the nominal rate (%.3f s)",
            static_cast<unsigned long long>(c.gaps.stalls), GapDetector::stallFactor, c.gaps.longestWaitSeconds,
            static_cast<long long>(c.gaps.missingPairs),
            c.nominalRate > 0.0 ? static_cast<double>(c.gaps.missingPairs) / c.nominalRate : 0.0);
    }
    if (!c.statusCalls.empty()) {
        std::vector<std::string> calls;
        for (const auto& [status, count] : c.statusCalls) {
            char item[48];
            if (status < 0)
                std::snprintf(item, sizeof item, "other x%u", static_cast<unsigned>(count));
            else
                std::snprintf(item, sizeof item, "%d x%u", status, static_cast<unsigned>(count));
            calls.push_back(item);
        }
        out.Add("status calls", "%s", Join(calls, ", ").c_str());
    }
    if (c.attenuatorReads > 0) AddAttenuatorReads(out, r);

    out.Add("full scale", "%.10g (the sample value that reads 0 dBFS)", r.fullScale);
    const double level = c.level.Dbfs(r.fullScale);
    const double peak = static_cast<double>(c.peakMagnitude) / r.fullScale;
    if (c.level.pairs == 0) {
        out.Add("level", "no samples");
    } else if (r.finalRecord) {
        const int offset = r.finalRecord->levelOffset;
        out.Add("level",
                "%.2f dBFS RMS, peak sample %.4f of full scale (unscaled; with the %+d dB level offset %.2f dBFS)",
                level, peak, offset, level + offset);
    } else {
        out.Add("level", "%.2f dBFS RMS, peak sample %.4f of full scale (as delivered, after the plug-in's own gain)",
                level, peak);
    }
    if (r.attenuatorToggle) {
        const auto& p = c.phaseLevels;
        const double off = p[0].Dbfs(r.fullScale), on = p[1].Dbfs(r.fullScale), offAgain = p[2].Dbfs(r.fullScale);
        out.Add("level by third", "%.2f / %.2f / %.2f dBFS (attenuator off / on / off: %+.2f dB, then %+.2f dB)", off,
                on, offAgain, on - off, offAgain - on);
    }

    const Spectrum& s = r.spectrum;
    if (s.fftSize == 0) {
        out.Add("spectrum", "too few samples");
    } else {
        out.Add("spectrum",
                "%zu-point FFT, Blackman-Harris window, %zu averages, %.2f Hz per bin, noise floor %.1f dBFS per bin%s",
                s.fftSize, s.averages, s.BinWidthHz(), s.noiseFloorDbfs, r.attenuatorToggle ? " (first third)" : "");
        for (std::size_t i = 0; i < r.peaks.size(); ++i) {
            char label[32];
            std::snprintf(label, sizeof label, "peak %zu", i + 1);
            out.Add(label, "%.1f Hz (LO %+.1f Hz) %.1f dBFS", r.peaks[i].frequencyHz, r.peaks[i].offsetHz,
                    r.peaks[i].dbfs);
        }
    }

    if (r.finalRecord) {
        const excalibur::ExParaBlock& b = *r.finalRecord;
        out.Add("settings", "attenuator %s, dither %s, noise blanker %s, sample mode %u, level offset %d dB",
                OnOff(b.attenuator), OnOff(b.dither), OnOff(b.noiseBlanker), static_cast<unsigned>(b.sampleMode),
                static_cast<int>(b.levelOffset));
    }
    if (r.extendedUsed && r.soak) {
        out.Add("notifications", "%zu (a soak posts too many to list)", r.notifications.size());
    } else if (r.extendedUsed) {
        out.Add("notifications", "%zu", r.notifications.size());
        for (const std::string& line : r.notifications) out.Raw(line);
    }
    if (r.soak) AddSoak(out, *r.soak);
    for (const std::string& output : r.outputs) {
        const auto colon = output.find(": ");
        out.Add(output.substr(0, colon).c_str(), "%s",
                colon == std::string::npos ? "" : output.substr(colon + 2).c_str());
    }
    return out.Text();
}

}  // namespace host
