#include "platform/PrivateProfile.h"

#include <windows.h>

// windows.h maps this name to WriteProfileStringA.
#undef WriteProfileString

namespace platform {

int ReadProfileInt(const char* section, const char* key, int defaultValue, const char* path) {
    return static_cast<int>(GetPrivateProfileIntA(section, key, defaultValue, path));
}

bool WriteProfileString(const char* section, const char* key, const char* value, const char* path) {
    return WritePrivateProfileStringA(section, key, value, path) != FALSE;
}

}  // namespace platform
