#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// INI cases that run unchanged against the Windows profile functions and
// against the native reader and writer, so that the two can be compared.
namespace inicases {

struct IniOperation {
    enum class Kind { ReadInt, WriteString };
    Kind kind;
    std::string section;
    std::string key;
    int defaultValue = 0;  // ReadInt
    std::string value;     // WriteString
};

struct IniCase {
    std::string name;
    std::optional<std::string> file;  // bytes before the first operation; none = no file
    bool missingDirectory = false;    // the file's folder does not exist
    std::vector<IniOperation> operations;
};

// The hand-written cases followed by the generated ones; the same list on
// every run and in both builds.
std::vector<IniCase> AllIniCases();

// Identifies the list, so that results made from another list are noticed.
std::uint64_t Fingerprint(const std::vector<IniCase>& cases);

// A readable account of a case for failure messages.
std::string Describe(const IniCase& iniCase);

// Bytes as printable text: CR, LF, tab and others escaped.
std::string Escape(const std::string& bytes);

}  // namespace inicases
