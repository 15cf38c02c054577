// Starts the probe's stream and returns from main while it runs, so that the
// probe stops the stream during process exit.

#include <windows.h>

#include "platform/DynamicLibrary.h"

int main() {
    const platform::LibraryHandle probe = platform::LoadLibraryByName("simulator_unload_probe.dll");
    if (probe == nullptr) return 2;
    const auto start = reinterpret_cast<int (*)()>(platform::ResolveSymbol(probe, "StartProbeStream"));
    const auto blocks = reinterpret_cast<long (*)()>(platform::ResolveSymbol(probe, "ProbeBlocks"));
    if (start == nullptr || blocks == nullptr || start() != 1) return 3;
    for (int waited = 0; blocks() < 3; ++waited) {
        if (waited > 10000) return 4;
        Sleep(1);
    }
    return 0;
}
