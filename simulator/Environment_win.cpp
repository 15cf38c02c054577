#include <windows.h>

#include "simulator/Environment.h"

namespace simulator {

std::string ReadEnvironmentVariable(const char* name) {
    char value[1024];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value) return {};
    return std::string(value, length);
}

}  // namespace simulator
