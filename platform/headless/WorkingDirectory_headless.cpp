#include "platform/WorkingDirectory.h"

#include <unistd.h>

namespace platform {

bool CurrentDirectory(char* buffer, std::size_t size) {
    if (size == 0) return false;
    if (getcwd(buffer, size) == nullptr) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

}  // namespace platform
