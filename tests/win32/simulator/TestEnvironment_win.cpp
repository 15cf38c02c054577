#include <windows.h>

#include "SimulatorHarness.h"

namespace simulator_test {

// The process environment, which the simulator reads with GetEnvironmentVariableA.
void SetVariable(const char* name, const char* value) { SetEnvironmentVariableA(name, value); }

}  // namespace simulator_test
