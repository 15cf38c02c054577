#include "tests/support/TestEnvironment.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>
#include <unistd.h>
#endif

namespace testsupport {

void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    SetEnvironmentVariableA(name, value);
#else
    if (value) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
#endif
}

std::string TemporaryPath(const std::string& stem) {
    static std::atomic<int> counter{0};
#ifdef _WIN32
    const unsigned long process = GetCurrentProcessId();
#else
    const unsigned long process = static_cast<unsigned long>(getpid());
#endif
    const auto path = std::filesystem::temp_directory_path() /
                      (stem + "-" + std::to_string(process) + "-" + std::to_string(counter++) + ".txt");
    std::filesystem::remove(path);
    return path.string();
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

void RemoveFile(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

std::string ExecutableFolder() {
#ifdef _WIN32
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path().string();
#else
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
#endif
}

std::string LibraryFile(const std::string& stem) {
#ifdef _WIN32
    return stem + ".dll";
#else
    return stem + ".so";
#endif
}

}  // namespace testsupport
