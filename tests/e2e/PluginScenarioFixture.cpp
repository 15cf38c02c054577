#include "tests/e2e/PluginScenarioFixture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

int RecordingCallback(int count, int status, float, void* data) {
    auto& counts = PluginScenario::Counts();
    if (status == 100) {
        ++counts.rateChanges;
    } else if (status == 125) {
        ++counts.attenuatorNotices;
    } else if (status == 0 && data != nullptr) {
        counts.lastCount = count;
        ++counts.dataBlocks;
    }
    const auto hook = counts.hook.load();
    const auto* exports = counts.exports.load();
    if (hook != nullptr && exports != nullptr) hook(*exports, count, status);
    return 0;
}

}  // namespace

Watchdog::Watchdog(std::chrono::seconds limit, std::string what) {
    thread = std::thread([this, limit, what = std::move(what)] {
        std::unique_lock lock(mutex);
        if (ended.wait_for(lock, limit, [&] { return done; })) return;
        std::fprintf(stderr, "hung: %s did not end within %lld s\n", what.c_str(),
                     static_cast<long long>(limit.count()));
        std::fflush(stderr);
        std::_Exit(1);
    });
}

Watchdog::~Watchdog() {
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    ended.notify_all();
    thread.join();
}

CallbackCounts& PluginScenario::Counts() {
    static CallbackCounts counts;
    return counts;
}

std::ostream& operator<<(std::ostream& out, const PluginScenario::Posted& posted) {
    return out << "{0x" << std::hex << posted.message << std::dec << ", " << posted.value << "}";
}

void PluginScenario::SetUp() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    // Named by the process too: another build's or another clone's run of the
    // same scenario may be running on this machine.
    folder = std::filesystem::path(testsupport::TemporaryPath(std::string("extio-scenario-") + test->name()))
                 .replace_extension();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    previousFolder = std::filesystem::current_path();
    logPath = (folder / "driver.log").string();
    testsupport::SetEnvironment("G31DDC_SIM_LOG", logPath.c_str());
    window = std::make_unique<host::NotificationWindow>(notifications, numbers);
    ASSERT_TRUE(window->Valid());
}

void PluginScenario::TearDown() {
    UnloadPlugin();
    window.reset();
    std::filesystem::current_path(previousFolder);
    testsupport::SetEnvironment("G31DDC_SIM_LOG", nullptr);
    testsupport::SetEnvironment("G31DDC_SIM_FAIL", nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

void PluginScenario::LoadPlugin() {
    const std::string path = testsupport::ExecutableFolder() + "/" + testsupport::LibraryFile("ExtIO_Excalibur");
    std::filesystem::current_path(folder);
    std::string error;
    ASSERT_TRUE(plugin.Open(path, error)) << error;
    ASSERT_TRUE(plugin.HasAllExtended());
    f = &plugin.Functions();
    Counts().exports = f;
}

void PluginScenario::UnloadPlugin() {
    if (f == nullptr) return;
    f = nullptr;
    Counts().hook = nullptr;
    Counts().exports = nullptr;
    plugin.Close();
    window->CollectOwnMessages();
}

void PluginScenario::UseHostWindow(std::int16_t levelOffset, std::uint8_t sampleMode) {
    excalibur::ExParaBlock block{};
    numbers.WriteInto(block, window->Id());
    block.levelOffset = levelOffset;
    block.sampleMode = sampleMode;
    f->InitExtIOPara(&block);
}

void PluginScenario::RegisterCallback() {
    auto& counts = Counts();
    counts.dataBlocks = 0;
    counts.lastCount = -1;
    counts.rateChanges = 0;
    counts.attenuatorNotices = 0;
    f->SetCallback(&RecordingCallback);
}

std::vector<PluginScenario::Posted> PluginScenario::TakePosts() {
    window->Pump(std::chrono::milliseconds(20));
    std::vector<Posted> posts;
    const auto& entries = notifications.Entries();
    for (; postsSeen < entries.size(); ++postsSeen) {
        posts.push_back({entries[postsSeen].message, static_cast<std::intptr_t>(entries[postsSeen].wParam)});
    }
    return posts;
}

void PluginScenario::Pump(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) window->Pump(std::chrono::milliseconds(10));
}

bool PluginScenario::DriverLogHas(const std::string& line) {
    const auto log = DriverLog();
    return std::find(log.begin(), log.end(), line) != log.end();
}

InitResult CallInitHW(const host::ExtIoFunctions& f) {
    char name[64];
    char model[64];
    std::memset(name, '#', sizeof name);
    std::memset(model, '#', sizeof model);
    int type = 0;
    const int result = f.InitHW(name, model, &type);
    return {result, name, model, type};
}

std::string LastArgument(const std::vector<std::string>& log, const std::string& call) {
    for (auto line = log.rbegin(); line != log.rend(); ++line) {
        if (line->rfind(call, 0) == 0) return line->substr(line->rfind(' ') + 1);
    }
    return "";
}

int Rounds() {
    const char* asked = std::getenv("EXCALIBUR_ROUNDS");
    const int rounds = asked != nullptr ? std::atoi(asked) : 0;
    return rounds > 0 ? rounds : 3;
}

void AwaitBlock() {
    const int before = PluginScenario::Counts().dataBlocks;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while (PluginScenario::Counts().dataBlocks == before && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

int RunProbe(const std::string& mode, const std::string& folder) {
    const std::string command = "\"" + folder + "/plugin-probe\" \"" + folder + "/" +
                                testsupport::LibraryFile("ExtIO_Excalibur") + "\" " + mode + " > probe.txt";
#ifdef _WIN32
    // cmd.exe drops the first and the last quote of the line.
    return std::system(("\"" + command + "\"").c_str());
#else
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}
