#include "panel/SettingsFile.h"

#include <cstdio>

#include "platform/PrivateProfile.h"
#include "platform/WorkingDirectory.h"

namespace excalibur {

namespace {

char workingDirectory[kWorkingDirectorySize] = "";

// The native build keeps the file in the Linux file system.
#ifdef _WIN32
constexpr const char* kPathFormat = "%s\\Tervalis.ini";
#else
constexpr const char* kPathFormat = "%s/Tervalis.ini";
#endif

}  // namespace

bool CaptureWorkingDirectory() { return platform::CurrentDirectory(workingDirectory, sizeof workingDirectory); }

const char* WorkingDirectory() { return workingDirectory; }

bool SettingsFilePath(char (&path)[kSettingsPathSize]) {
    // Without a directory the path would name the root of the drive.
    if (workingDirectory[0] != '\0') {
        const int length = std::snprintf(path, sizeof path, kPathFormat, workingDirectory);
        if (length > 0 && static_cast<std::size_t>(length) < sizeof path) return true;
    }
    path[0] = '\0';
    return false;
}

int ReadSettingInt(const char* section, const char* key, int defaultValue) {
    char path[kSettingsPathSize];
    if (!SettingsFilePath(path)) return defaultValue;
    return platform::ReadProfileInt(section, key, defaultValue, path);
}

void WriteSettingInt(const char* section, const char* key, int value) {
    char path[kSettingsPathSize];
    if (!SettingsFilePath(path)) return;
    char text[256];
    std::snprintf(text, sizeof text, "%d", value);
    platform::WriteProfileString(section, key, text, path);
}

}  // namespace excalibur
