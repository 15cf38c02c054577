// The shared INI cases through the real GetPrivateProfileIntA and
// WritePrivateProfileStringA, compared with what the native reader and
// writer made of the same cases: the slice, made when the native tree was
// built, or with EXCALIBUR_INI_CASES=all all of them (made by the native
// target ini_native_results_all).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/settings_cases/IniCaseRunner.h"

namespace {

const char* CaseSetName() {
    const char* name = std::getenv("EXCALIBUR_INI_CASES");
    return name ? name : "slice";
}

// The native tree's results, seen from Wine: drive Z: is the Linux root.
std::string NativeResultsPath() {
    if (const char* overridden = std::getenv("EXCALIBUR_INI_NATIVE_RESULTS")) return overridden;
    std::string path = std::string("Z:" EXCALIBUR_INI_NATIVE_RESULTS "-") + CaseSetName() + ".txt";
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
    inicases::IniCaseSet set{};
    ASSERT_TRUE(inicases::ParseIniCaseSet(CaseSetName(), set)) << "EXCALIBUR_INI_CASES is slice or all";
    const auto start = std::chrono::steady_clock::now();
    const auto cases = inicases::IniCases(set);
    const auto work = std::filesystem::absolute(std::string("ini-cases-win32-") + CaseSetName());
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);
    const auto results = inicases::RunIniCases(cases, work.string());
    std::ofstream(std::string("ini-win32-results-") + CaseSetName() + ".txt", std::ios::binary)
        << inicases::FormatResults(cases, results);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;

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
    std::printf("INI differential (%s): %zu cases, %zu differences; Win32 calls %.1f s\n", CaseSetName(), cases.size(),
                differences, took.count());
    EXPECT_EQ(differences, 0u);
}

}  // namespace
