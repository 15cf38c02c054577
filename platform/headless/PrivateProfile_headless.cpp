#include "platform/PrivateProfile.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/headless/IniDocument.h"
#include "platform/headless/ProfileNumber.h"

namespace platform {

namespace {

enum class FileRead { Absent, Read, Failed };

FileRead ReadWholeFile(const char* path, std::string& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return errno == ENOENT ? FileRead::Absent : FileRead::Failed;
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return failed ? FileRead::Failed : FileRead::Read;
}

bool WriteWholeFile(const char* path, const std::string& bytes) {
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return (std::fclose(file) == 0) && written;
}

}  // namespace

int ReadProfileInt(const char* section, const char* key, int defaultValue, const char* path) {
    if (!section || !key || !path) return defaultValue;
    std::string bytes;
    if (ReadWholeFile(path, bytes) != FileRead::Read) return defaultValue;
    const headless::IniDocument document = headless::IniDocument::Parse(bytes);
    const std::string* value = document.FindValue(section, key);
    return value ? headless::ProfileNumber(*value, defaultValue) : defaultValue;
}

bool WriteProfileString(const char* section, const char* key, const char* value, const char* path) {
    // Deleting keys and sections (a null key or value on Windows) is not needed here.
    if (!section || !key || !value || !path) return false;
    std::string bytes;
    if (ReadWholeFile(path, bytes) == FileRead::Failed) return false;
    headless::IniDocument document = headless::IniDocument::Parse(bytes);
    // An unchanged value leaves the file untouched, byte for byte.
    if (!document.SetValue(section, key, value)) return true;
    return WriteWholeFile(path, document.Serialize());
}

}  // namespace platform
