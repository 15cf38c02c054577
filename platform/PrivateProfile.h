#pragma once

namespace platform {

// The private-profile (INI) calls: GetPrivateProfileIntA and
// WritePrivateProfileStringA on Windows, a reader and writer of our own with
// the same observable behaviour elsewhere.
int ReadProfileInt(const char* section, const char* key, int defaultValue, const char* path);
bool WriteProfileString(const char* section, const char* key, const char* value, const char* path);

}  // namespace platform
