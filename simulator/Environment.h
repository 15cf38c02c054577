#pragma once

#include <string>

namespace simulator {

// The variable's value now, empty when it is not set. On Windows this is the
// process environment (GetEnvironmentVariableA), not the C runtime's copy, so
// a variable set with SetEnvironmentVariableA is seen at once.
std::string ReadEnvironmentVariable(const char* name);

}  // namespace simulator
