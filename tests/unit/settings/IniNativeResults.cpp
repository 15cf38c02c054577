// Runs the shared INI cases through the native reader and writer and writes
// the results file that the Windows test compares with the real Win32 calls.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/settings_cases/IniCaseRunner.h"

int main(int argc, char** argv) {
    inicases::IniCaseSet set = inicases::IniCaseSet::Slice;
    if (argc < 3 || argc > 4 || (argc == 4 && !inicases::ParseIniCaseSet(argv[3], set))) {
        std::fprintf(stderr, "usage: %s WORK_FOLDER RESULTS_FILE [slice|all]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path work = std::filesystem::absolute(argv[1]);
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);

    const auto start = std::chrono::steady_clock::now();
    const auto cases = inicases::IniCases(set);
    const auto results = inicases::RunIniCases(cases, work.string());
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << inicases::FormatResults(cases, results);
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("INI cases: %zu native results in %s (%.1f s)\n", cases.size(), argv[2], took.count());
    return 0;
}
