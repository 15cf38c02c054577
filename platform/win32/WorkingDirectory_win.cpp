#include "platform/WorkingDirectory.h"

#include <windows.h>

namespace platform {

bool CurrentDirectory(char* buffer, std::size_t size) {
    if (size == 0) return false;
    // On a buffer that is too small the call returns the size it would need.
    const DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(size), buffer);
    if (length == 0 || length >= size) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

}  // namespace platform
