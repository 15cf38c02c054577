#pragma once

#include <string>
#include <vector>

namespace testsupport {

// Sets (or with null removes) a variable of the process environment in the
// way the simulator reads it: through the operating system, not a C runtime copy.
void SetEnvironment(const char* name, const char* value);

// A fresh, empty file path in the system's temporary folder.
std::string TemporaryPath(const std::string& stem);

std::vector<std::string> ReadLines(const std::string& path);
void RemoveFile(const std::string& path);

// The folder of the running executable, where the build puts every DLL.
std::string ExecutableFolder();

// A library file name as the build names it: "X.dll" on Windows, "X.so" natively.
std::string LibraryFile(const std::string& stem);

}  // namespace testsupport
