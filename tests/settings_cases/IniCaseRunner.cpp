#include "tests/settings_cases/IniCaseRunner.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/PrivateProfile.h"

namespace inicases {

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

std::optional<std::string> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ToHex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 0xF];
    }
    return hex;
}

bool FromHex(const std::string& hex, std::string& bytes) {
    if (hex.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        char* end = nullptr;
        const std::string pair = hex.substr(i, 2);
        const long value = std::strtol(pair.c_str(), &end, 16);
        if (end != pair.c_str() + 2) return false;
        bytes += static_cast<char>(value);
    }
    return true;
}

}  // namespace

std::vector<IniResult> RunIniCases(const std::vector<IniCase>& cases, const std::string& directory) {
    std::vector<IniResult> results;
    results.reserve(cases.size());
    const std::string missing = directory + kSeparator + "missing-folder";
    std::filesystem::remove_all(missing);
    for (std::size_t index = 0; index < cases.size(); ++index) {
        const IniCase& iniCase = cases[index];
        const std::string path =
            (iniCase.missingDirectory ? missing : directory) + kSeparator + "case" + std::to_string(index) + ".ini";
        std::filesystem::remove(path);
        if (iniCase.file) WriteFileBytes(path, *iniCase.file);

        IniResult result;
        for (const IniOperation& op : iniCase.operations) {
            if (op.kind == IniOperation::Kind::ReadInt) {
                const int value =
                    platform::ReadProfileInt(op.section.c_str(), op.key.c_str(), op.defaultValue, path.c_str());
                result.operationResults.push_back("read=" + std::to_string(value));
            } else {
                const bool written =
                    platform::WriteProfileString(op.section.c_str(), op.key.c_str(), op.value.c_str(), path.c_str());
                result.operationResults.push_back(written ? "write=1" : "write=0");
            }
        }
        result.file = ReadFileBytes(path);
        // Under Wine, looking up a name costs time in proportion to the folder's size.
        std::filesystem::remove(path);
        results.push_back(std::move(result));
    }
    return results;
}

std::string FormatResults(const std::vector<IniCase>& cases, const std::vector<IniResult>& results) {
    char header[96];
    std::snprintf(header, sizeof header, "ini-results cases=%zu fingerprint=%016llx\n", cases.size(),
                  static_cast<unsigned long long>(Fingerprint(cases)));
    std::string text = header;
    for (const IniResult& result : results) {
        for (const std::string& op : result.operationResults) text += op + ";";
        text += result.file ? std::string(" file ").append(ToHex(*result.file)) : std::string(" nofile");
        text += '\n';
    }
    return text;
}

bool ParseResults(const std::string& text, ParsedResults& parsed) {
    std::istringstream in(text);
    std::string line;
    unsigned long long fingerprint = 0;
    if (!std::getline(in, line) ||
        std::sscanf(line.c_str(), "ini-results cases=%zu fingerprint=%llx", &parsed.caseCount, &fingerprint) != 2) {
        return false;
    }
    parsed.fingerprint = fingerprint;
    while (std::getline(in, line)) {
        const std::size_t space = line.find(' ');
        if (space == std::string::npos) return false;
        IniResult result;
        std::istringstream ops(line.substr(0, space));
        for (std::string op; std::getline(ops, op, ';');) result.operationResults.push_back(op);
        const std::string file = line.substr(space + 1);
        if (file.rfind("file ", 0) == 0) {
            std::string bytes;
            if (!FromHex(file.substr(5), bytes)) return false;
            result.file = std::move(bytes);
        } else if (file != "nofile") {
            return false;
        }
        parsed.results.push_back(std::move(result));
    }
    return parsed.results.size() == parsed.caseCount;
}

std::string Describe(const IniResult& result) {
    std::string text;
    for (const std::string& op : result.operationResults) text += op + "; ";
    text += result.file ? std::string("file \"").append(Escape(*result.file)).append("\"") : std::string("no file");
    return text;
}

bool operator==(const IniResult& a, const IniResult& b) {
    return a.operationResults == b.operationResults && a.file == b.file;
}

}  // namespace inicases
