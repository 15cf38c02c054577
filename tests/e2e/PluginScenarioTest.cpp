#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>
#include <tuple>

#include "tests/e2e/PluginScenarioFixture.h"
#include "receiver/SampleModes.h"
#include "resources/ResourceIds.h"
#include "tests/support/ModalMessageWatcher.h"
#include "tests/support/PanelDriver.h"

using Posts = std::vector<PluginScenario::Posted>;

TEST_F(PluginScenario, InitHWNamesTheReceiverAndCreatesOneWindow) {
    LoadPlugin();
    const auto first = CallInitHW(*f);
    EXPECT_EQ(first.result, 1);
    EXPECT_EQ(first.name, "Excalibur");
    EXPECT_EQ(first.model, "WR-G31DDC");
    EXPECT_EQ(first.type, 7);
    excalibur::ExParaBlock block{};
    const int panel = f->GetExPara(&block);
    EXPECT_NE(panel, 0);
    const auto second = CallInitHW(*f);
    EXPECT_EQ(second.result, 1);
    EXPECT_EQ(second.type, 7);
    EXPECT_EQ(f->GetExPara(&block), panel);
    EXPECT_EQ(f->StartHW(7050000), 4096);
    f->StopHW();
}

TEST_F(PluginScenario, EveryPointerArgumentMayBeNull) {
    LoadPlugin();
    UseHostWindow();
    RegisterCallback();
    ASSERT_EQ(CallInitHW(*f).result, 1);
    excalibur::ExParaBlock before{};
    const int panel = f->GetExPara(&before);
    TakePosts();

    char name[64] = {};
    char model[64] = {};
    int type = 0;
    struct Case {
        const char* call;
        std::function<int()> run;
        int result;
        // What the call still fills in around the null.
        std::function<bool()> wrote = [] { return true; };
    };
    const Case cases[] = {
        {"InitHW(null, model, type)", [&] { return f->InitHW(nullptr, model, &type); }, 1,
         [&] { return std::string(model) == "WR-G31DDC" && type == 7; }},
        {"InitHW(name, null, type)", [&] { return f->InitHW(name, nullptr, &type); }, 1,
         [&] { return std::string(name) == "Excalibur" && type == 7; }},
        {"InitHW(name, model, null)", [&] { return f->InitHW(name, model, nullptr); }, 1,
         [&] { return std::string(name) == "Excalibur" && std::string(model) == "WR-G31DDC"; }},
        {"InitHW(null, null, null)", [&] { return f->InitHW(nullptr, nullptr, nullptr); }, 1},
        {"GetExPara(null)", [&] { return f->GetExPara(nullptr); }, panel},
        {"SetExPara(null)", [&] { return f->SetExPara(nullptr), 0; }, 0},
        {"InitExtIOPara(null)", [&] { return f->InitExtIOPara(nullptr), 0; }, 0},
        {"GetFilters(null, null, null)", [&] { return f->GetFilters(nullptr, nullptr, nullptr), 0; }, 0},
        {"ExtIoGetSrates(0, null)", [&] { return f->ExtIoGetSrates(0, nullptr); }, 1},
        {"GetAttenuators(0, null)", [&] { return f->GetAttenuators(0, nullptr); }, 1},
        {"ExtIoGetSetting(1, null, null)", [&] { return f->ExtIoGetSetting(1, nullptr, nullptr); }, 0},
        {"ExtIoSetSetting(1, null)", [&] { return f->ExtIoSetSetting(1, nullptr), 0; }, 0},
        // Who the host is changes nothing a host can see, whatever the name's length.
        {"VersionInfo(null, 1, 0)", [&] { return f->VersionInfo(nullptr, 1, 0), 0; }, 0},
        {"VersionInfo(a long name, 2, 1)", [&] { return f->VersionInfo(std::string(300, 'h').c_str(), 2, 1), 0; }, 0},
        {"RawDataReady(rate, null, null, 8)", [&] { return f->RawDataReady(200000, nullptr, nullptr, 8), 0; }, 0},
        {"SetCallback(null)", [&] { return f->SetCallback(nullptr), 0; }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        std::memset(name, 0, sizeof name);
        std::memset(model, 0, sizeof model);
        type = 0;
        EXPECT_EQ(c.run(), c.result);
        EXPECT_TRUE(c.wrote());
    }
    excalibur::ExParaBlock after{};
    EXPECT_EQ(f->GetExPara(&after), panel);
    EXPECT_EQ(std::memcmp(&after, &before, sizeof after), 0);
    EXPECT_TRUE(TakePosts().empty());
    EXPECT_EQ(CallInitHW(*f).result, 1);
}

TEST_F(PluginScenario, WithoutAReceiverInitHWSaysSoOnceAndThenReportsReady) {
    testsupport::SetEnvironment("G31DDC_SIM_FAIL", "open");
    testsupport::ModalMessageWatcher messages;
    LoadPlugin();
    EXPECT_EQ(CallInitHW(*f).result, 0);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Excalibur not ready"});
    EXPECT_EQ(CallInitHW(*f).result, 1);
    EXPECT_EQ(messages.Texts().size(), 1u);
    EXPECT_EQ(f->StartHW(7050000), 8192);
    EXPECT_EQ(f->OpenHW(), 1);
    // Nothing changed, whichever rate or step: the header's failure.
    for (const int index : {3, 2}) {
        SCOPED_TRACE(index);
        EXPECT_NE(f->ExtIoSetSrate(index), 0);
        EXPECT_NE(f->SetAttenuator(index - 2), 0);
        EXPECT_EQ(f->ExtIoGetBandwidth(index), -1);
    }
    EXPECT_EQ(f->GetHWSR(), 200000);
    EXPECT_EQ(f->GetActualAttIdx(), 1);
}

TEST_F(PluginScenario, TuningIsClampedAndReportedBack) {
    LoadPlugin();
    EXPECT_EQ(f->GetHWLO(), 7050000);
    EXPECT_EQ(f->GetHWSR(), 200000);
    EXPECT_EQ(f->SetHWLO(5), 10);
    EXPECT_EQ(f->SetHWLO(60000000), 50000000);
    EXPECT_EQ(f->SetHWLO(14100000), 14100000);
    EXPECT_EQ(f->GetHWLO(), 14100000);
    EXPECT_EQ(f->GetStatus(), 0);
}

TEST_F(PluginScenario, SetSamplesActsOnlyOnAChangeAndPostsTheModeSelected) {
    LoadPlugin();
    UseHostWindow();
    RegisterCallback();
    ASSERT_EQ(CallInitHW(*f).result, 1);
    EXPECT_EQ(Counts().rateChanges, 1);
    TakePosts();

    f->SetSamples(2);
    EXPECT_TRUE(TakePosts().empty());
    f->SetSamples(7);
    EXPECT_EQ(f->GetHWSR(), 1000000);
    f->SetSamples(-1);
    EXPECT_EQ(f->GetHWSR(), 50000);
    EXPECT_EQ(TakePosts(), (Posts{{numbers.sampleMode, 4}, {numbers.sampleMode, 0}}));
    EXPECT_EQ(Counts().rateChanges, 3);
}

TEST_F(PluginScenario, SwitchExportsPostOnEveryCall) {
    LoadPlugin();
    UseHostWindow();
    ASSERT_EQ(CallInitHW(*f).result, 1);
    TakePosts();
    f->SetAtt(1);
    f->SetAtt(1);
    f->SetDither(1);
    f->SetNB(0);
    f->SetLevelOffset(-174);
    EXPECT_EQ(TakePosts(), (Posts{{numbers.attenuator, 1},
                                  {numbers.attenuator, 1},
                                  {numbers.dither, 1},
                                  {numbers.noiseBlanker, 0},
                                  {numbers.levelOffset, -174}}));
    EXPECT_TRUE(DriverLogHas("SetAttenuator 0 21"));
    EXPECT_TRUE(DriverLogHas("SetDithering 0 1"));
}

TEST_F(PluginScenario, TheRecordIsCopiedWholeInAndOut) {
    LoadPlugin();
    excalibur::ExParaBlock block{};
    EXPECT_EQ(f->GetExPara(&block), 0);
    excalibur::ExParaBlock expected{};
    expected.sampleMode = 2;
    EXPECT_EQ(std::memcmp(&block, &expected, sizeof block), 0);

    excalibur::ExParaBlock stored{};
    auto* bytes = reinterpret_cast<unsigned char*>(&stored);
    for (std::size_t i = 0; i < sizeof stored; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 3);
    f->InitExtIOPara(&stored);
    excalibur::ExParaBlock copy{};
    f->GetExPara(&copy);
    EXPECT_EQ(std::memcmp(&copy, &stored, sizeof copy), 0);
}

TEST_F(PluginScenario, SetExParaAppliesChangedFieldsInItsOrder) {
    LoadPlugin();
    UseHostWindow();
    ASSERT_EQ(CallInitHW(*f).result, 1);
    TakePosts();
    excalibur::ExParaBlock block{};
    f->GetExPara(&block);

    f->SetExPara(&block);
    EXPECT_TRUE(TakePosts().empty());

    block.attenuator = 1;
    block.levelOffset = -20;
    f->SetExPara(&block);
    EXPECT_EQ(TakePosts(), (Posts{{numbers.levelOffset, -20}, {numbers.attenuator, 1}}));

    block.noiseBlanker = 1;
    f->SetExPara(&block);
    EXPECT_EQ(TakePosts(), (Posts{{numbers.noiseBlanker, 1}}));
    EXPECT_TRUE(DriverLogHas("SetADCNoiseBlanker 0 1"));

    block.levelOffset = 300;
    f->SetExPara(&block);
    EXPECT_EQ(TakePosts(), (Posts{{numbers.levelOffset, 200}}));
    f->GetExPara(&block);
    EXPECT_EQ(block.levelOffset, 200);

    // A changed sample mode is only stored; SetSamples then finds it current.
    block.sampleMode = 4;
    f->SetExPara(&block);
    f->SetSamples(4);
    EXPECT_TRUE(TakePosts().empty());
    EXPECT_EQ(f->GetHWSR(), 200000);
}

TEST_F(PluginScenario, ClosingHidesThePanelWhileDataKeepsFlowing) {
    LoadPlugin();
    UseHostWindow();
    RegisterCallback();
    f->ShowGUI();
    ASSERT_EQ(CallInitHW(*f).result, 1);
    ASSERT_EQ(f->StartHW(7050000), 4096);
    TakePosts();
    f->CloseHW();
    EXPECT_EQ(TakePosts(), (Posts{{numbers.panel, 0}}));
    const int before = Counts().dataBlocks;
    Pump(std::chrono::milliseconds(300));
    EXPECT_GT(Counts().dataBlocks, before);
    EXPECT_EQ(Counts().lastCount, 8192);
    EXPECT_FALSE(DriverLogHas("StopDDC1 0"));
    f->StopHW();
}

TEST_F(PluginScenario, SettingsArePreparedBeforeLoadAndWrittenAtUnload) {
    {
        std::ofstream file(SettingsFile());
        file << "; kept\n[PARAMETER]\nSampleMode=3\nAttenuator=1\nDittering=1\nNoisBlanker=0\ndBOffset=-100\n"
                "[POSITION]\nWindowTop=-20\nWindowLeft=-300\n";
    }
    LoadPlugin();
    RegisterCallback();
    ASSERT_EQ(CallInitHW(*f).result, 1);
    EXPECT_EQ(f->GetHWSR(), 500000);
    EXPECT_TRUE(DriverLogHas("SetAttenuator 0 21"));
    f->SetAtt(0);
    f->SetLevelOffset(-30);
    UnloadPlugin();

    const auto lines = testsupport::ReadLines(SettingsFile().string());
    EXPECT_EQ(lines, (std::vector<std::string>{"; kept", "[PARAMETER]", "SampleMode=3", "Attenuator=0", "Dittering=1",
                                               "NoisBlanker=0", "dBOffset=-30", "[POSITION]", "WindowTop=-20",
                                               "WindowLeft=-300"}));
    EXPECT_TRUE(DriverLogHas("CloseDevice 0"));
}

TEST_F(PluginScenario, UnloadWhileStreamingClosesTheDriverAndSaves) {
    LoadPlugin();
    RegisterCallback();
    ASSERT_EQ(CallInitHW(*f).result, 1);
    ASSERT_EQ(f->StartHW(7050000), 4096);
    Pump(std::chrono::milliseconds(100));
    const auto start = std::chrono::steady_clock::now();
    UnloadPlugin();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    const auto log = DriverLog();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 1], "CloseDevice 0");
    EXPECT_TRUE(std::filesystem::exists(SettingsFile()));
}

TEST_F(PluginScenario, ProcessExitWhileStreamingClosesTheDriverAndSaves) {
    std::filesystem::current_path(folder);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunProbe("exit"), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    const auto log = DriverLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "CloseDevice 0");
    EXPECT_TRUE(std::filesystem::exists(SettingsFile()));
}

TEST_F(PluginScenario, UnloadFromAnotherThreadLeavesThePanelThreadRunning) {
    std::filesystem::current_path(folder);
    EXPECT_EQ(RunProbe("other-thread"), 0);
    const auto log = DriverLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "CloseDevice 0");
    EXPECT_TRUE(std::filesystem::exists(SettingsFile()));
}

TEST_F(PluginScenario, HostCallsListTheRatesAndAttenuatorStepsAndEndAfterTheLast) {
    LoadPlugin();
    ASSERT_NE(f->ExtIoGetSrates, nullptr);
    const double rates[] = {50000, 100000, 200000, 500000, 1000000};
    for (int index = 0; index < 5; ++index) {
        double rate = 0;
        EXPECT_EQ(f->ExtIoGetSrates(index, &rate), 0);
        EXPECT_EQ(rate, rates[index]);
    }
    double rate = -1;
    EXPECT_NE(f->ExtIoGetSrates(5, &rate), 0);
    EXPECT_NE(f->ExtIoGetSrates(-1, &rate), 0);
    EXPECT_EQ(rate, -1);
    float decibels = 1;
    EXPECT_EQ(f->GetAttenuators(0, &decibels), 0);
    EXPECT_EQ(decibels, -21.0f);
    EXPECT_EQ(f->GetAttenuators(1, &decibels), 0);
    EXPECT_EQ(decibels, 0.0f);
    EXPECT_NE(f->GetAttenuators(2, &decibels), 0);
    EXPECT_EQ(f->ExtIoGetActualSrateIdx(), 2);
    EXPECT_EQ(f->GetActualAttIdx(), 1);
}

// The 64-bit calls share the one tuning; SetHWLO64 answers as the extended
// header has it, from its argument alone, which is clamped before narrowing.
TEST_F(PluginScenario, SixtyFourBitTuning) {
    LoadPlugin();
    RegisterCallback();
    ASSERT_EQ(CallInitHW(*f).result, 1);
    // Asked, answered, tuned.
    const std::tuple<std::int64_t, std::int64_t, std::int32_t> tunings[] = {
        {14070000, 0, 14070000},
        {10, 0, 10},
        {50000000, 0, 50000000},
        {9, -10, 10},
        {-(std::int64_t{1} << 40), -10, 10},
        {6000000000, 50000000, 50000000},
        {(std::int64_t{1} << 32) + 7050000, 50000000, 50000000}};
    for (const auto& [asked, answer, tuned] : tunings) {
        SCOPED_TRACE(asked);
        EXPECT_EQ(f->SetHWLO64(asked), answer);
        EXPECT_EQ(f->GetHWLO(), tuned);
        EXPECT_EQ(LastArgument(DriverLog(), "SetFrequency 0 0 "), std::to_string(tuned));
    }
    ASSERT_EQ(f->StartHW64(-1), 4096);
    EXPECT_EQ(f->GetHWLO64(), 10);
    f->StopHW();
}

namespace {

using Lines = std::vector<std::string>;

// The driver's calls since a line of its log, the stream's user data (an address) left out.
Lines CallsSince(const Lines& log, std::size_t from) {
    Lines calls(log.begin() + static_cast<std::ptrdiff_t>(std::min(from, log.size())), log.end());
    for (auto& call : calls) {
        if (call.rfind("SetCallbacks 0 non-null ", 0) == 0) call = "SetCallbacks 0 non-null";
    }
    return calls;
}

std::vector<std::int32_t> Bands(const host::ExtIoFunctions& f) {
    std::vector<std::int32_t> bands;
    for (int index = -1; index <= excalibur::kSampleModeCount; ++index) bands.push_back(f.ExtIoGetBandwidth(index));
    return bands;
}

std::vector<std::int32_t> bandsInTheStatusCall;

void AskForTheBandsInTheRateChange(const host::ExtIoFunctions& f, int, int status) {
    if (status == 100) bandsInTheStatusCall = Bands(f);
}

}  // namespace

// A host that never asks for the bands sees the start and the restart of a
// rate change as ever: power, LED, DDC1 type, MW filter, callbacks, start.
// Asked for, the bands of the five rates (and -1 for indexes -1 and 5) are
// learned while the stream is stopped: right after InitHW, inside the rate
// change's status call; while streaming before that, nothing is known.
TEST_F(PluginScenario, TheStartIsAsEverAndTheBandsAreLearnedWhenAsked) {
    const Lines start = {"GetPower 0 non-null", "SetPower 0 1",
                         "SetLED 0 1",          "SetDDC1 0 9",
                         "SetMWFilter 0 0",     "SetCallbacks 0 non-null",
                         "StartDDC1 0 4096",    "SetFrequency 0 0 7050000"};
    const Lines stop = {"StopDDC1 0", "SetCallbacks 0 0 0"};
    const auto restartAt = [](std::uint32_t type) {
        return Lines{
            "GetPower 0 non-null",     "SetLED 0 1",      "SetDDC1 0 " + std::to_string(type), "SetMWFilter 0 0",
            "SetCallbacks 0 non-null", "StartDDC1 0 4096"};
    };
    Lines learning;
    for (const excalibur::SampleModeEntry& mode : excalibur::SampleModeTable) {
        learning.push_back("SetDDC1 0 " + std::to_string(mode.ddc1TypeIndex));
        learning.push_back("GetDDC1 0 non-null non-null");
    }
    const auto concat = [](std::initializer_list<Lines> parts) {
        Lines all;
        for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    const std::vector<std::int32_t> learned = {-1, 40000, 80000, 160000, 400000, 800000, -1};
    const std::vector<std::int32_t> unknown(learned.size(), -1);

    LoadPlugin();
    RegisterCallback();
    ASSERT_EQ(CallInitHW(*f).result, 1);
    std::size_t from = DriverLog().size();
    ASSERT_EQ(f->StartHW(7050000), 4096);
    AwaitBlock();
    EXPECT_EQ(CallsSince(DriverLog(), from), start);
    from = DriverLog().size();
    EXPECT_EQ(f->ExtIoSetSrate(4), 0);
    EXPECT_EQ(CallsSince(DriverLog(), from), concat({stop, restartAt(16)}));

    from = DriverLog().size();
    EXPECT_EQ(Bands(*f), unknown);
    EXPECT_EQ(CallsSince(DriverLog(), from), Lines{}) << "the stream runs: no other type";
    Counts().hook = &AskForTheBandsInTheRateChange;
    EXPECT_EQ(f->ExtIoSetSrate(3), 0);
    Counts().hook = nullptr;
    EXPECT_EQ(bandsInTheStatusCall, learned);
    EXPECT_EQ(CallsSince(DriverLog(), from), concat({stop, learning, {"SetDDC1 0 16"}, restartAt(13)}));
    from = DriverLog().size();
    f->StopHW();
    EXPECT_EQ(Bands(*f), learned);
    EXPECT_EQ(CallsSince(DriverLog(), from), stop) << "learned once for the load";
    UnloadPlugin();

    std::filesystem::remove(SettingsFile());
    LoadPlugin();
    RegisterCallback();
    ASSERT_EQ(CallInitHW(*f).result, 1);
    from = DriverLog().size();
    EXPECT_EQ(Bands(*f), learned);
    EXPECT_EQ(CallsSince(DriverLog(), from), concat({learning, {"SetDDC1 0 0"}}));
}

TEST_F(PluginScenario, HostCallsChangeSettingsThroughThePanelsOperations) {
    LoadPlugin();
    UseHostWindow();
    RegisterCallback();
    ASSERT_EQ(CallInitHW(*f).result, 1);
    excalibur::ExParaBlock block{};
    const auto panel = static_cast<platform::WindowId>(f->GetExPara(&block));
    TakePosts();
    Counts().rateChanges = 0;

    EXPECT_EQ(f->ExtIoSetSrate(2), 0);
    EXPECT_TRUE(TakePosts().empty());
    EXPECT_EQ(Counts().rateChanges, 0);
    EXPECT_EQ(f->ExtIoSetSrate(3), 0);
    EXPECT_EQ(Counts().rateChanges, 1);
    EXPECT_EQ(f->GetHWSR(), 500000);
    EXPECT_EQ(f->ExtIoGetActualSrateIdx(), 3);
    EXPECT_EQ(paneldriver::ControlText(panel, IDC_SAMPLE_BUTTON), "500 kHz Sample");
    EXPECT_NE(f->ExtIoSetSrate(5), 0);
    EXPECT_NE(f->ExtIoSetSrate(-1), 0);
    EXPECT_EQ(f->GetHWSR(), 500000);
    EXPECT_EQ(TakePosts(), (Posts{{numbers.sampleMode, 3}}));

    // A record naming mode 4 changes no rate; the host's request for it does.
    block.sampleMode = 4;
    f->SetExPara(&block);
    EXPECT_EQ(f->ExtIoGetActualSrateIdx(), 3);
    EXPECT_EQ(f->ExtIoSetSrate(3), 0);
    EXPECT_EQ(f->ExtIoSetSrate(4), 0);
    EXPECT_EQ(f->GetHWSR(), 1000000);
    EXPECT_EQ(TakePosts(), (Posts{{numbers.sampleMode, 4}}));

    f->ShowGUI();
    Pump(std::chrono::milliseconds(100));
    EXPECT_FALSE(paneldriver::ButtonLooksChecked(panel, IDC_ATTENUATOR_BUTTON));
    EXPECT_EQ(f->SetAttenuator(0), 0);
    EXPECT_EQ(f->GetActualAttIdx(), 0);
    EXPECT_TRUE(paneldriver::ButtonLooksChecked(panel, IDC_ATTENUATOR_BUTTON));
    EXPECT_NE(f->SetAttenuator(2), 0);
    EXPECT_EQ(f->SetAttenuator(1), 0);
    EXPECT_FALSE(paneldriver::ButtonLooksChecked(panel, IDC_ATTENUATOR_BUTTON));
    EXPECT_EQ(Counts().attenuatorNotices, 2) << "status 125 after each attenuator operation";
    EXPECT_EQ(TakePosts(), (Posts{{numbers.panel, 1}, {numbers.attenuator, 1}, {numbers.attenuator, 0}}));
    const auto log = DriverLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), "SetAttenuator 0 21"), 1);
}

TEST_F(PluginScenario, ExportsInUnusualOrdersNeitherCrashNorMisreport) {
    LoadPlugin();
    UseHostWindow();
    RegisterCallback();
    // Before InitHW: nothing to start, stop or select; settings still post.
    f->StopHW();
    EXPECT_EQ(f->StartHW(7100000), 8192);
    EXPECT_EQ(f->GetHWLO(), 7100000);
    f->SetSamples(4);
    f->HideGUI();
    f->ShowGUI();
    EXPECT_EQ(f->GetHWSR(), 200000);
    EXPECT_EQ(TakePosts(), (Posts{{numbers.sampleMode, 2}}));

    ASSERT_EQ(CallInitHW(*f).result, 1);
    EXPECT_EQ(CallInitHW(*f).result, 1);
    f->StopHW();
    EXPECT_EQ(f->StartHW(7050000), 4096);
    EXPECT_EQ(f->StartHW(7050000), 4096);
    Pump(std::chrono::milliseconds(200));
    EXPECT_GT(Counts().dataBlocks, 0);
    f->StopHW();
    f->StopHW();
    const int blocksAfterStop = Counts().dataBlocks;
    f->SetSamples(0);
    EXPECT_EQ(f->GetHWSR(), 50000);
    Pump(std::chrono::milliseconds(100));
    EXPECT_EQ(Counts().dataBlocks, blocksAfterStop);
}

// 15,000 records in the everyday run, 100,000 under the stress command.
TEST_F(PluginScenario, RandomRecordsKeepTheClampedRanges) {
    testsupport::SetEnvironment("G31DDC_SIM_LOG", nullptr);
    LoadPlugin();
    ASSERT_EQ(CallInitHW(*f).result, 1);
    std::uint64_t state = 0x9E3779B97F4A7C15u;  // fixed seed
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    excalibur::ExParaBlock block{};
    int outOfRange = 0;
    const int records = 5000 * Rounds();
    for (int round = 0; round < records; ++round) {
        auto* bytes = reinterpret_cast<unsigned char*>(&block);
        for (std::size_t i = 0; i < sizeof block; i += 8) {
            const std::uint64_t value = next();
            std::memcpy(bytes + i, &value, std::min<std::size_t>(8, sizeof block - i));
        }
        block.hostWindow = 0;  // no posts to a window that does not exist
        f->SetExPara(&block);
        excalibur::ExParaBlock stored{};
        f->GetExPara(&stored);
        if (stored.levelOffset != block.levelOffset && (stored.levelOffset < -200 || stored.levelOffset > 200)) {
            ++outOfRange;
        }
        if (stored.levelOffset < -200 || stored.levelOffset > 200) {
            // Only an unchanged offset escapes the clamp, as the record is stored unchecked.
            EXPECT_EQ(stored.levelOffset, block.levelOffset);
        }
    }
    EXPECT_EQ(outOfRange, 0);
    f->SetSamples(9);
    EXPECT_EQ(f->GetHWSR(), 1000000);
}

namespace {

// A folder with the probe and the plug-in but no driver library, or with the
// given one; natively also the platform library, found first through the
// library path.
std::filesystem::path LonelyPluginFolder(const std::filesystem::path& scenario, const std::string& driver) {
    const std::filesystem::path bin = testsupport::ExecutableFolder();
    const auto lonely = scenario / "lonely";
    std::filesystem::create_directories(lonely);
    const auto copy = [&](const std::filesystem::path& from, const std::string& name) {
        std::filesystem::copy_file(from / name, lonely / name, std::filesystem::copy_options::overwrite_existing);
    };
#ifdef _WIN32
    copy(bin, "plugin-probe.exe");
#else
    copy(bin, "plugin-probe");
    copy(bin, "libexcalibur_platform.so");
    testsupport::SetEnvironment("LD_LIBRARY_PATH", lonely.string().c_str());
#endif
    copy(bin, testsupport::LibraryFile("ExtIO_Excalibur"));
    if (!driver.empty()) copy(bin / driver, testsupport::LibraryFile("G31DDCAPI"));
    return lonely;
}

}  // namespace

TEST_F(PluginScenario, WithoutTheDriverLibraryInitHWReportsNotReady) {
    const auto lonely = LonelyPluginFolder(folder, "");
    std::filesystem::current_path(folder);
    EXPECT_EQ(RunProbe("init", lonely.string()), 0);
    EXPECT_EQ(testsupport::ReadLines((folder / "probe.txt").string()),
              (std::vector<std::string>{"InitHW 0", "message Excalibur not ready"}));
    EXPECT_TRUE(DriverLog().empty());
}

TEST_F(PluginScenario, ADriverLackingOneEntryPointIsNotUsed) {
    const auto lonely = LonelyPluginFolder(folder, "missing-entry");
    std::filesystem::current_path(folder);
    EXPECT_EQ(RunProbe("init", lonely.string()), 0);
    EXPECT_EQ(testsupport::ReadLines((folder / "probe.txt").string()),
              (std::vector<std::string>{"InitHW 0", "message Excalibur not ready"}));
    // Bound names are resolved before any call: the driver was never opened.
    EXPECT_TRUE(DriverLog().empty());
}

namespace {

std::string SampleLabel(int mode) { return excalibur::SampleModeTable[excalibur::ClampSampleMode(mode)].buttonLabel; }

}  // namespace

// Run under ThreadSanitizer as well. Two host threads call the exports while
// this thread, the panel's, clicks, spins and serves its messages, with the
// stream at 1 MHz; then the panel, the messages posted and the settings file
// must all tell the state the plug-in ended in.
TEST_F(PluginScenario, HostThreadsAndThePanelsThreadChangeSettingsTogether) {
    LoadPlugin();
    UseHostWindow();
    RegisterCallback();
    ASSERT_EQ(CallInitHW(*f).result, 1);
    excalibur::ExParaBlock record{};
    const auto panel = static_cast<platform::WindowId>(f->GetExPara(&record));
    f->SetSamples(4);
    ASSERT_EQ(f->StartHW(7050000), 4096);

    constexpr int kRounds = 40;
    std::atomic<int> running{2};
    // Goes on until blocks have arrived between its restarts, so that the
    // stream really runs while the settings change.
    std::thread reader([&] {
        int blocksAtRestart = 0;
        int restarts = 0;
        for (int i = 0; i < kRounds || restarts < 3; ++i) {
            f->SetHWLO(7000000 + 1000 * (i % 100));
            f->SetAtt(i % 2);
            if (Counts().dataBlocks > blocksAtRestart + 2) {
                f->StopHW();
                if (++restarts % 2 == 0) f->SetSamples(3 + restarts / 2 % 2);
                f->StartHW(7050000);
                blocksAtRestart = Counts().dataBlocks;
            }
            f->GetHWSR();
            std::this_thread::yield();
        }
        --running;
    });
    std::thread worker([&] {
        excalibur::ExParaBlock block{};
        for (int i = 0; i < kRounds; ++i) {
            f->GetExPara(&block);
            block.dither = static_cast<std::uint8_t>(i % 2);
            block.noiseBlanker = static_cast<std::uint8_t>(i / 2 % 2);
            f->SetExPara(&block);
            f->SetLevelOffset(-100 - i);
            if (i % 20 == 5) f->ShowGUI();
            if (i % 20 == 15) f->HideGUI();
            f->GetActualAttIdx();
        }
        --running;
    });
    while (running > 0) {
        paneldriver::ClickControl(panel, IDC_ATTENUATOR_BUTTON);
        paneldriver::ClickControl(panel, IDC_DITHER_BUTTON);
        paneldriver::SpinBy(panel, IDC_LEVEL_SPIN, 1);
        window->Pump(std::chrono::milliseconds(1));
    }
    reader.join();
    worker.join();
    f->ShowGUI();
    const auto posts = TakePosts();
    f->StopHW();
    EXPECT_GT(Counts().dataBlocks, 0);

    f->GetExPara(&record);
    EXPECT_EQ(paneldriver::ButtonLooksChecked(panel, IDC_ATTENUATOR_BUTTON), record.attenuator != 0);
    EXPECT_EQ(paneldriver::ButtonLooksChecked(panel, IDC_DITHER_BUTTON), record.dither != 0);
    EXPECT_EQ(paneldriver::ButtonLooksChecked(panel, IDC_NOISE_BLANKER_BUTTON), record.noiseBlanker != 0);
    EXPECT_EQ(paneldriver::ControlText(panel, IDC_LEVEL_LABEL), std::to_string(record.levelOffset) + " dB");
    EXPECT_EQ(paneldriver::ControlText(panel, IDC_SAMPLE_BUTTON), SampleLabel(record.sampleMode));
    EXPECT_EQ(f->GetActualAttIdx(), record.attenuator != 0 ? 0 : 1);

    // The last message of each kind carries the value in force.
    const auto last = [&](std::uint32_t message) {
        std::optional<std::intptr_t> value;
        for (const auto& post : posts) {
            if (post.message == message) value = post.value;
        }
        return value;
    };
    EXPECT_EQ(last(numbers.attenuator), record.attenuator);
    EXPECT_EQ(last(numbers.dither), record.dither);
    EXPECT_EQ(last(numbers.noiseBlanker), record.noiseBlanker);
    EXPECT_EQ(last(numbers.levelOffset), record.levelOffset);
    EXPECT_EQ(last(numbers.sampleMode), f->ExtIoGetActualSrateIdx());
    EXPECT_EQ(last(numbers.panel), 1);
    EXPECT_TRUE(paneldriver::IsVisible(panel));

    // Without a host window the settings go to the file at unload.
    record.hostWindow = 0;
    f->InitExtIOPara(&record);
    UnloadPlugin();
    auto lines = testsupport::ReadLines(SettingsFile().string());
    lines.resize(6);
    EXPECT_EQ(lines, (std::vector<std::string>{"[PARAMETER]", "SampleMode=" + std::to_string(record.sampleMode),
                                               "Attenuator=" + std::to_string(record.attenuator),
                                               "Dittering=" + std::to_string(record.dither),
                                               "NoisBlanker=" + std::to_string(record.noiseBlanker),
                                               "dBOffset=" + std::to_string(record.levelOffset)}));
}

namespace {

constexpr int kHostRounds = 60;
constexpr auto kHangLimit = std::chrono::seconds(60);

int ModeOfDdc1Type(const std::string& type) {
    for (int mode = 0; mode < excalibur::kSampleModeCount; ++mode) {
        if (std::to_string(excalibur::SampleModeTable[mode].ddc1TypeIndex) == type) return mode;
    }
    return -1;
}

std::atomic<platform::WindowId> panelOfScenario{0};

// A host's callback takes a good part of a block's time, so that a stop or a
// rate change on another thread often finds the stream thread inside it.
void HostWorksOnTheBlock() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

}  // namespace

class PluginScenarioThreads : public PluginScenario {
protected:
    // Streams at 1 MHz with our callback registered; the panel's window.
    platform::WindowId StartStreaming() {
        LoadPlugin();
        UseHostWindow();
        RegisterCallback();
        EXPECT_EQ(CallInitHW(*f).result, 1);
        excalibur::ExParaBlock record{};
        const auto panel = static_cast<platform::WindowId>(f->GetExPara(&record));
        panelOfScenario = panel;
        f->SetSamples(4);
        EXPECT_EQ(f->StartHW(7050000), 4096);
        return panel;
    }

    // Runs the host's thread while this one, the panel's, works the panel
    // (when asked) and serves its messages; a hang fails the case.
    void RunHostThread(const std::function<void()>& host, const std::function<void()>& user = {}) {
        Watchdog watchdog(kHangLimit, "the host's and the panel's threads");
        std::atomic<bool> finished{false};
        std::thread thread([&] {
            host();
            finished = true;
        });
        while (!finished) {
            if (user) user();
            window->Pump(std::chrono::milliseconds(1));
        }
        thread.join();
        Counts().hook = nullptr;
        f->StopHW();
        Pump(std::chrono::milliseconds(100));
    }

    // Afterwards the record, the panel, the rate and the driver tell one state.
    void ExpectOneState(platform::WindowId panel) {
        f->ShowGUI();
        Pump(std::chrono::milliseconds(100));
        excalibur::ExParaBlock record{};
        f->GetExPara(&record);
        EXPECT_EQ(paneldriver::ButtonLooksChecked(panel, IDC_ATTENUATOR_BUTTON), record.attenuator != 0);
        EXPECT_EQ(paneldriver::ControlText(panel, IDC_SAMPLE_BUTTON), SampleLabel(record.sampleMode));
        EXPECT_EQ(f->ExtIoGetActualSrateIdx(), record.sampleMode);
        EXPECT_EQ(f->GetHWSR(), static_cast<std::int32_t>(excalibur::SampleModeTable[record.sampleMode].sampleRate));
        EXPECT_EQ(f->GetActualAttIdx(), record.attenuator != 0 ? 0 : 1);
        // A stopped receiver learns the rate at its next start.
        EXPECT_EQ(f->StartHW(f->GetHWLO()), 4096);
        AwaitBlock();
        f->StopHW();
        const auto log = DriverLog();
        EXPECT_EQ(ModeOfDdc1Type(LastArgument(log, "SetDDC1 0 ")), record.sampleMode);
        EXPECT_EQ(LastArgument(log, "SetAttenuator 0 "), record.attenuator != 0 ? "21" : "0");
        EXPECT_EQ(LastArgument(log, "SetFrequency 0 0 "), std::to_string(f->GetHWLO()));
    }
};

// Run under ThreadSanitizer as well, as are the two after it.
TEST_F(PluginScenarioThreads, ReadsFromTheDataCallbackNeverWaitForAnOperation) {
    const auto panel = StartStreaming();
    Counts().hook = [](const host::ExtIoFunctions& f, int, int status) {
        if (status != 0) return;
        HostWorksOnTheBlock();
        excalibur::ExParaBlock block{};
        f.GetExPara(&block);
        f.GetActualAttIdx();
        f.ExtIoGetActualSrateIdx();
    };
    RunHostThread([&] {
        for (int round = 0; round < kHostRounds; ++round) {
            f->StartHW(7050000);
            AwaitBlock();
            f->SetSamples(round % 2 == 0 ? 3 : 4);
            f->SetAtt(round % 2);
            f->StopHW();
        }
    });
    ExpectOneState(panel);
}

TEST_F(PluginScenarioThreads, OperationsFromInsideTheDataCallbackTakeEffectLater) {
    const auto panel = StartStreaming();
    Counts().hook = [](const host::ExtIoFunctions& f, int, int status) {
        if (status != 0) return;
        HostWorksOnTheBlock();
        const int block = Counts().dataBlocks;
        f.SetHWLO(7000000 + 1000 * (block % 50));
        f.SetAtt(block % 2);
        if (block % 7 == 0) f.SetSamples(block % 2 == 0 ? 3 : 4);
        if (block % 11 == 0) f.StopHW();
    };
    RunHostThread([&] {
        for (int round = 0; round < kHostRounds; ++round) {
            f->StartHW(7050000);
            AwaitBlock();
            f->SetSamples(round % 2 == 0 ? 4 : 3);
            if (round % 3 == 0) f->StopHW();
        }
    });
    ExpectOneState(panel);
    const auto log = DriverLog();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
        return line.rfind("SetFrequency 0 0 70", 0) == 0 && line != "SetFrequency 0 0 7050000";
    })) << "a tuning from inside the callback reached the driver";
}

TEST_F(PluginScenarioThreads, AStatusHandlerSendingToThePanelLetsThePanelsClicksEnd) {
    const auto panel = StartStreaming();
    Counts().hook = [](const host::ExtIoFunctions&, int, int status) {
        if (status != 0) paneldriver::SendNothing(panelOfScenario);
    };
    RunHostThread(
        [&] {
            for (int round = 0; round < kHostRounds; ++round) {
                f->SetAtt(round % 2);
                f->SetSamples(round % 2 == 0 ? 3 : 4);
            }
        },
        [&] {
            paneldriver::ClickControl(panel, IDC_ATTENUATOR_BUTTON);
            paneldriver::ClickControl(panel, IDC_SAMPLE_BUTTON);
        });
    ExpectOneState(panel);
}

namespace {

std::string logOfScenario;
std::atomic<int> logLinesAtRateChange{-1};
std::atomic<int> logLinesAtAttenuatorNotice{-1};

}  // namespace

// The status call of a mode selection comes after the stream stopped and
// before the driver hears of the restart, on every path that selects a mode;
// that of an attenuator change right after the driver's change.
TEST_F(PluginScenarioThreads, StatusCallsComeWhereTheDriverCallsPutThem) {
    logOfScenario = logPath;
    LoadPlugin();
    UseHostWindow();
    RegisterCallback();
    Counts().hook = [](const host::ExtIoFunctions&, int, int status) {
        const int lines = static_cast<int>(testsupport::ReadLines(logOfScenario).size());
        if (status == 100) logLinesAtRateChange = lines;
        if (status == 125) logLinesAtAttenuatorNotice = lines;
    };
    ASSERT_EQ(CallInitHW(*f).result, 1);
    EXPECT_EQ(Counts().rateChanges, 1) << "the first InitHW tells the host before it returns";
    EXPECT_EQ(DriverLog().at(logLinesAtRateChange - 1), "SetADCNoiseBlanker 0 0");
    excalibur::ExParaBlock record{};
    const auto panel = static_cast<platform::WindowId>(f->GetExPara(&record));
    ASSERT_EQ(f->StartHW(7050000), 4096);

    const std::vector<std::pair<std::string, std::function<void()>>> paths = {
        {"SetSamples", [&] { f->SetSamples(3); }},
        {"ExtIoSetSrate", [&] { f->ExtIoSetSrate(4); }},
        {"the panel's menu", [&] { paneldriver::ClickControl(panel, IDC_SAMPLE_BUTTON); }},
    };
    for (const auto& [path, select] : paths) {
        logLinesAtRateChange = -1;
        select();
        const auto log = DriverLog();
        const int at = logLinesAtRateChange;
        ASSERT_GE(at, 2) << path;
        ASSERT_LT(at, static_cast<int>(log.size())) << path;
        EXPECT_EQ(log[at - 2], "StopDDC1 0") << path;
        EXPECT_EQ(log[at - 1], "SetCallbacks 0 0 0") << path;
        EXPECT_EQ(log[at], "GetPower 0 non-null") << path;
    }
    for (const int on : {1, 0}) {
        f->SetAtt(on);
        const auto log = DriverLog();
        ASSERT_EQ(logLinesAtAttenuatorNotice, static_cast<int>(log.size()));
        EXPECT_EQ(log.back(), on != 0 ? "SetAttenuator 0 21" : "SetAttenuator 0 0");
    }
}
