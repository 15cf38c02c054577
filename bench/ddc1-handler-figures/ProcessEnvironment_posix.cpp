#include <cstdlib>

#include "bench/ddc1-handler-figures/ProcessEnvironment.h"

namespace bench {

bool SetProcessEnvironment(const char* name, const char* value) { return setenv(name, value, 1) == 0; }

}  // namespace bench
