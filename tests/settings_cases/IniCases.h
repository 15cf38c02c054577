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

// The hand-written cases followed by cases generated from a fixed seed; the
// same list on every run and in both builds. The slice is what every test run
// compares; it is the first part of the whole list, which is run by hand.
enum class IniCaseSet { Slice, All };
inline constexpr int kSliceGeneratedCases = 2000;
inline constexpr int kAllGeneratedCases = 10000;
std::vector<IniCase> IniCases(IniCaseSet set);

// "slice" or "all"; false for anything else.
bool ParseIniCaseSet(const std::string& name, IniCaseSet& set);

// Identifies the list, so that results made from another list are noticed.
std::uint64_t Fingerprint(const std::vector<IniCase>& cases);

// A readable account of a case for failure messages.
std::string Describe(const IniCase& iniCase);

// Bytes as printable text: CR, LF, tab and others escaped.
std::string Escape(const std::string& bytes);

}  // namespace inicases
