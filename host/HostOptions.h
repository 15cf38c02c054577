#pragma once

#include <optional>
#include <string>
#include <vector>

namespace host {

struct HostOptions {
    std::string pluginPath;
    std::optional<long> frequencyHz;
    std::optional<int> sampleMode;
    double seconds = 2.0;
    std::optional<bool> attenuator;
    std::optional<bool> dither;
    std::optional<bool> noiseBlanker;
    std::optional<int> levelOffsetDb;
    bool extended = false;
    bool showPanel = false;
    bool attenuatorToggle = false;
    bool soak = false;  // settings changed from a second thread while the stream runs
    std::string wavPath;
    std::string plotPath;
    double fullScale = 1.0;             // the sample value that reads 0 dBFS
    std::string screenshotPath;         // implies showPanel
    std::optional<int> hoverControlId;  // a panel control to capture in its hover state
    std::optional<int> rateIndex;
    std::optional<int> attenuatorIndex;
};

struct ParseResult {
    std::optional<HostOptions> options;
    std::string error;
    bool helpRequested = false;
};

// The arguments after the program name.
ParseResult ParseHostOptions(const std::vector<std::string>& arguments);

const char* HostUsage();

}  // namespace host
