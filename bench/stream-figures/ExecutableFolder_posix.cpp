#include <filesystem>

#include "bench/stream-figures/ExecutableFolder.h"

namespace bench {

std::string ExecutableFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("./") : self.parent_path().string() + "/";
}

}  // namespace bench
