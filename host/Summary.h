#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/SampleCapture.h"
#include "host/SoakVerdict.h"
#include "host/Spectrum.h"
#include "hostlink/ExParaBlock.h"

namespace host {

struct RunReport {
    std::string pluginPath;
    std::string name;
    std::string model;
    int hardwareType = 0;
    std::vector<std::string> optionalCalls;  // the optional host calls the plug-in has
    bool extendedUsed = false;
    std::vector<double> sampleRates;  // from ExtIoGetSrates
    int actualRateIndex = -1;
    std::vector<float> attenuatorSteps;  // from GetAttenuators
    int actualAttenuatorIndex = -1;
    int finalAttenuatorIndex = -1;  // GetActualAttIdx at the end
    int loFrequencyHz = 0;
    int blockPairs = 0;
    double elapsedSeconds = 0.0;
    double fullScale = 1.0;  // the sample value that reads 0 dBFS
    CaptureResult capture;
    Spectrum spectrum;
    std::vector<SpectralPeak> peaks;
    bool attenuatorToggle = false;
    std::optional<excalibur::ExParaBlock> finalRecord;  // GetExPara at the end, with --extended
    std::vector<std::string> notifications;
    std::optional<SoakReport> soak;    // with --soak
    std::vector<std::string> outputs;  // files written, as "label: text"
};

std::string HardwareTypeName(int type);

// The summary printed at the end: one "label : value" line per fact.
std::string FormatSummary(const RunReport& report);

}  // namespace host
