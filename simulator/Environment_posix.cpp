#include <cstdlib>

#include "simulator/Environment.h"

namespace simulator {

std::string ReadEnvironmentVariable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

}  // namespace simulator
