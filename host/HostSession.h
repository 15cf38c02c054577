#pragma once

#include "host/HostOptions.h"

namespace host {

enum ExitStatus : int {
    exitOk = 0,
    exitNoSamples = 1,
    exitBadArguments = 2,
    exitPluginUnusable = 3,  // does not load, lacks exports the run needs
    exitPluginFailed = 4,    // InitHW, OpenHW, StartHW or a requested setting failed
    exitOutputFailed = 5,    // WAV or plot not written
    exitSoakFailed = 6,      // a check of --soak failed
};

// Loads the plug-in, drives it for the requested time on this thread,
// prints progress on stderr and the summary on stdout.
int RunHost(const HostOptions& options);

}  // namespace host
