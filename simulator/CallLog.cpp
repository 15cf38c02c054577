#include "simulator/CallLog.h"

#include <cstdio>
#include <string>

#include "simulator/Environment.h"

namespace simulator {

void CallLog::Append(std::string_view line) {
    const std::string path = ReadEnvironmentVariable("G31DDC_SIM_LOG");
    if (path.empty()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr) return;
    std::fwrite(line.data(), 1, line.size(), file);
    std::fputc('\n', file);
    std::fclose(file);
}

}  // namespace simulator
