#pragma once

#include <cstddef>

namespace excalibur {

// The settings file "Tervalis.ini" in the directory the process started in.
// Every read and write forms its path afresh from the captured directory.

constexpr std::size_t kWorkingDirectorySize = 255;  // terminator included
constexpr std::size_t kSettingsPathSize = 256;      // terminator included

// Records the process's current directory; run once at start-up. A directory
// that does not fit leaves the record empty, which means no settings file.
bool CaptureWorkingDirectory();

// The captured directory; empty before the capture or when it failed.
const char* WorkingDirectory();

// Forms the file's path into path. False, with path empty, when there is no
// captured directory or the path would not fit.
bool SettingsFilePath(char (&path)[kSettingsPathSize]);

// The integer stored under key, or defaultValue when the file, the section or
// the key is absent, or when there is no usable path.
int ReadSettingInt(const char* section, const char* key, int defaultValue);

// Stores value as decimal text, creating file, section and key as needed.
// Nothing is written when there is no usable path; failures are ignored.
void WriteSettingInt(const char* section, const char* key, int value);

}  // namespace excalibur
