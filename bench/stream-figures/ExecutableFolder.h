#pragma once

#include <string>

namespace bench {

// The folder of the running executable, with a trailing separator.
std::string ExecutableFolder();

}  // namespace bench
