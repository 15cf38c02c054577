#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A second, deliberately plain reading of the Windows profile rules, written
// apart from platform/headless so that the fuzzer can hold the two against
// each other. It favours obviousness over speed.
namespace reference {

struct Lookup {
    std::string section;  // as a caller passes it: a C string
    std::string key;
};

// For each lookup, the value text of the first key of that name in the first
// section of that name, as GetPrivateProfileString finds it before any
// quote or length handling; none when the section, the key or its '=' is
// missing. One pass over the file for all lookups. A file with a UTF-8
// marker is read as UTF-8 and the names are converted to it; the conversion
// is taken from platform/headless/ProfileText (the differential test holds
// it against Windows).
std::vector<std::optional<std::string>> FindValues(std::string_view file, const std::vector<Lookup>& lookups);

// Whether rewriting the file unchanged may change what it reads as, which
// Windows' own rewrite does too: a header naming no section ("[]") is not
// written back, so its keys join the section before; a NUL cuts a line that
// was whole; a UTF-8 marker behind leading blanks moves to the start and is
// taken as the file's marker.
bool RewriteMayChangeMeaning(std::string_view file);

// A caller's name or value as a file holds it.
std::string AsStoredIn(std::string_view file, std::string_view text);

// GetPrivateProfileIntA's number from a found value text.
int ProfileInt(std::string_view value, int defaultValue);

// The profile functions' blank characters and name comparison.
bool IsBlank(char c);
std::string_view TrimBlanks(std::string_view text);
bool SameName(std::string_view asked, std::string_view other);

}  // namespace reference
