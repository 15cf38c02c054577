#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/settings_cases/IniCases.h"

namespace inicases {

// What one case did: each operation's result, then the file's bytes.
struct IniResult {
    std::vector<std::string> operationResults;  // "read=12", "write=1"
    std::optional<std::string> file;            // none = no file afterwards
};

// Runs every case through platform::ReadProfileInt and
// platform::WriteProfileString, each on its own file in directory (which
// must exist and be absolute, in the platform's own path form), removed
// once its bytes are read.
std::vector<IniResult> RunIniCases(const std::vector<IniCase>& cases, const std::string& directory);

// A results file: a header with the case count and the list's fingerprint,
// then one line per case.
std::string FormatResults(const std::vector<IniCase>& cases, const std::vector<IniResult>& results);

struct ParsedResults {
    std::size_t caseCount = 0;
    std::uint64_t fingerprint = 0;
    std::vector<IniResult> results;
};
bool ParseResults(const std::string& text, ParsedResults& parsed);

std::string Describe(const IniResult& result);

bool operator==(const IniResult& a, const IniResult& b);

}  // namespace inicases
