// What only Windows shows: the DLL's export and import tables, and unloading
// while or right after a stream runs.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "SimulatorHarness.h"

namespace simulator_test {
namespace {

using namespace std::chrono_literals;

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds timeout = 20s) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Sleep(1);
    }
    return true;
}

const IMAGE_DATA_DIRECTORY& Directory(HMODULE module, int entry) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->OptionalHeader.DataDirectory[entry];
}

std::vector<std::string> ExportedNames(HMODULE module) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto& directory = Directory(module, IMAGE_DIRECTORY_ENTRY_EXPORT);
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::vector<std::string> result;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        result.emplace_back(reinterpret_cast<const char*>(base + names[i]));
    std::sort(result.begin(), result.end());
    return result;
}

std::vector<std::string> ImportedLibraries(HMODULE module) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto& directory = Directory(module, IMAGE_DIRECTORY_ENTRY_IMPORT);
    std::vector<std::string> result;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         entry->Name != 0; ++entry) {
        std::string name = reinterpret_cast<const char*>(base + entry->Name);
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        result.push_back(name);
    }
    return result;
}

bool SimulatorUnloaded() { return GetModuleHandleA("G31DDCAPI.dll") == nullptr; }

std::atomic<int> blocksSeen{0};

void EXCALIBUR_STDCALL CountBlock(const std::int32_t*, std::uint32_t, std::uint32_t, std::uintptr_t) {
    blocksSeen.fetch_add(1);
}

// The driver's list, plus the simulator's own hand-off time for benchmarks.
TEST(SimulatorModule, ExportsExactlyTheListUndecorated) {
    const HMODULE module = LoadLibraryA("G31DDCAPI.dll");
    ASSERT_NE(module, nullptr);
    std::vector<std::string> expected(std::begin(g31ddc::kEntryPointNames), std::end(g31ddc::kEntryPointNames));
    expected.emplace_back("SimulatorBlockHandoffNanoseconds");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ExportedNames(module), expected);
    FreeLibrary(module);
}

TEST(SimulatorModule, ImportsOnlySystemLibraries) {
    const HMODULE module = LoadLibraryA("G31DDCAPI.dll");
    ASSERT_NE(module, nullptr);
    const std::set<std::string> system = {"kernel32.dll", "msvcrt.dll", "ntdll.dll", "advapi32.dll", "user32.dll"};
    const std::vector<std::string> imported = ImportedLibraries(module);
    EXPECT_FALSE(imported.empty());
    for (const std::string& name : imported) EXPECT_TRUE(system.count(name)) << name;
    FreeLibrary(module);
}

TEST(SimulatorUnload, FreeLibraryRightAfterStopDDC1) {
    SetVariable("G31DDC_SIM_PACE", "free");
    for (int cycle = 0; cycle < 20; ++cycle) {
        const LoadedSimulator simulator;
        ASSERT_TRUE(simulator.Loaded());
        const g31ddc::ReceiverApi& api = simulator.Api();
        ASSERT_EQ(api.OpenDevice(-1), 0);
        api.SetPower(0, 1);
        g31ddc::StreamCallbacks callbacks{};
        callbacks.ddc1Stream = &CountBlock;
        api.SetCallbacks(0, &callbacks, 0);
        const int before = blocksSeen.load();
        ASSERT_EQ(api.StartDDC1(0, 4096), 1);
        ASSERT_TRUE(WaitFor([&] { return blocksSeen.load() >= before + 2; }));
        ASSERT_EQ(api.StopDDC1(0), 1);
        api.CloseDevice(0);
    }
    SetVariable("G31DDC_SIM_PACE", nullptr);
    // Each stream thread drops its own reference as it leaves.
    EXPECT_TRUE(WaitFor(SimulatorUnloaded));
}

DWORD WINAPI FreeProbe(void* probe) {
    FreeLibrary(static_cast<HMODULE>(probe));
    return 0;
}

TEST(SimulatorUnload, StopDDC1FromDllMainUnderTheLoaderLock) {
    const HMODULE probe = LoadLibraryA("simulator_unload_probe.dll");
    ASSERT_NE(probe, nullptr);
    const auto start = reinterpret_cast<int (*)()>(platform::ResolveSymbol(probe, "StartProbeStream"));
    const auto blocks = reinterpret_cast<long (*)()>(platform::ResolveSymbol(probe, "ProbeBlocks"));
    ASSERT_TRUE(start && blocks);
    ASSERT_EQ(start(), 1);
    ASSERT_TRUE(WaitFor([&] { return blocks() >= 3; }));
    // Freed on a thread of its own, so that a deadlock fails the test.
    const HANDLE unloader = CreateThread(nullptr, 0, &FreeProbe, probe, 0, nullptr);
    ASSERT_NE(unloader, nullptr);
    EXPECT_EQ(WaitForSingleObject(unloader, 20000), WAIT_OBJECT_0);
    CloseHandle(unloader);
    EXPECT_TRUE(WaitFor([] { return GetModuleHandleA("simulator_unload_probe.dll") == nullptr; }));
    EXPECT_TRUE(WaitFor(SimulatorUnloaded));
}

TEST(SimulatorUnload, StopDDC1FromDllMainAtProcessExit) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    char command[] = "simulator_exit_probe.exe";
    ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    const DWORD waited = WaitForSingleObject(process.hProcess, 30000);
    if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 99);
    EXPECT_EQ(waited, static_cast<DWORD>(WAIT_OBJECT_0)) << "the exiting process hangs";
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace
}  // namespace simulator_test
