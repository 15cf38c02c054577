#include <cstdio>
#include <string>
#include <vector>

#include "host/HostOptions.h"
#include "host/HostSession.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const host::ParseResult parsed = host::ParseHostOptions(arguments);
    if (parsed.helpRequested) {
        std::fputs(host::HostUsage(), stdout);
        return host::exitOk;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "extio-host: %s\n%s", parsed.error.c_str(), host::HostUsage());
        return host::exitBadArguments;
    }
    return host::RunHost(*parsed.options);
}
