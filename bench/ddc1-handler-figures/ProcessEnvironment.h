#pragma once

namespace bench {

// Sets a variable of this process's environment where a library loaded into
// the process reads it: SetEnvironmentVariableA on Windows, setenv elsewhere.
bool SetProcessEnvironment(const char* name, const char* value);

}  // namespace bench
