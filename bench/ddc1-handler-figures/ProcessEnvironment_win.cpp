#include <windows.h>

#include "bench/ddc1-handler-figures/ProcessEnvironment.h"

namespace bench {

bool SetProcessEnvironment(const char* name, const char* value) { return SetEnvironmentVariableA(name, value) != 0; }

}  // namespace bench
