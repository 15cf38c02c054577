// Every shared INI case through the real GetPrivateProfileIntA and
// WritePrivateProfileStringA, compared with what the native reader and
// writer made of the same case when the native tree was built.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/settings_cases/IniCaseRunner.h"

namespace {

// The native tree's results, seen from Wine: drive Z: is the Linux root.
std::string NativeResultsPath() {
    if (const char* overridden = std::getenv("EXCALIBUR_INI_NATIVE_RESULTS")) return overridden;
    std::string path = "Z:" EXCALIBUR_INI_NATIVE_RESULTS;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

std::optional<std::string> ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(IniDifferential, Win32AndNativeAgreeOnEveryCase) {
    const auto cases = inicases::AllIniCases();
    const auto work = std::filesystem::absolute("ini-cases-win32");
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);
    const auto results = inicases::RunIniCases(cases, work.string());
    std::ofstream("ini-win32-results.txt", std::ios::binary) << inicases::FormatResults(cases, results);

    const std::string nativePath = NativeResultsPath();
    const auto nativeText = ReadText(nativePath);
    ASSERT_TRUE(nativeText) << "no native results at " << nativePath << ": build the native tree first";
    inicases::ParsedResults native;
    ASSERT_TRUE(inicases::ParseResults(*nativeText, native)) << nativePath << " is not a results file";
    ASSERT_EQ(native.fingerprint, inicases::Fingerprint(cases))
        << nativePath << " was made from another case list: rebuild the native tree";

    std::size_t differences = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (results[i] == native.results[i]) continue;
        if (++differences <= 10) {
            ADD_FAILURE() << inicases::Describe(cases[i]) << "\n  win32:  " << inicases::Describe(results[i])
                          << "\n  native: " << inicases::Describe(native.results[i]);
        }
    }
    std::printf("INI differential: %zu cases, %zu differences\n", cases.size(), differences);
    EXPECT_EQ(differences, 0u);
}

}  // namespace
