#include <cstdlib>

#include "SimulatorHarness.h"

namespace simulator_test {

void SetVariable(const char* name, const char* value) {
    if (value) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

}  // namespace simulator_test
