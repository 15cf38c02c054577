#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "panel/ReceiverPanel.h"
#include "panel/SettingsFile.h"
#include "hostlink/ExParaBlock.h"
#include "resources/ResourceIds.h"
#include "tests/support/ModuleState.h"
#include "tests/support/PanelDriver.h"
#ifndef _WIN32
#include "platform/headless/HeadlessWindows.h"
#include "platform/headless/MyButtonWindow_headless.h"
#endif
#include "tests/support/TestEnvironment.h"

using namespace excalibur;

namespace {

constexpr std::uint32_t kMsgPanel = 0x8001;
constexpr std::uint32_t kMsgAttenuator = 0x8002;
constexpr std::uint32_t kMsgDither = 0x8003;
constexpr std::uint32_t kMsgNoiseBlanker = 0x8004;
constexpr std::uint32_t kMsgSampleMode = 0x8005;
constexpr std::uint32_t kMsgLevelOffset = 0x8006;

struct Posted {
    std::uint32_t message;
    std::intptr_t value;
    bool operator==(const Posted&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Posted& posted) {
    return out << "{0x" << std::hex << posted.message << std::dec << ", " << posted.value << "}";
}

// A panel on the headless window system, with a host window that listens,
// the simulated receiver (or none) and a settings file in a folder of its own.
class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::ResetModuleState();
        // Named by the process: another build's or clone's run may be here too.
        folder = std::filesystem::path(
                     testsupport::TemporaryPath(std::string("panel-test-") +
                                                ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                     .replace_extension();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        previousFolder = std::filesystem::current_path();
        std::filesystem::current_path(folder);
        CaptureWorkingDirectory();
        testsupport::SetEnvironment("G31DDC_SIM_PACE", "free");
        testsupport::SetEnvironment("G31DDC_SIM_FAIL", nullptr);
        host = std::make_unique<paneldriver::HostWindow>();
        hostWindow = host->Id();
    }

    void TearDown() override {
        panel.reset();
        host.reset();
        testsupport::SetEnvironment("G31DDC_SIM_FAIL", nullptr);
        std::filesystem::current_path(previousFolder);
        std::filesystem::remove_all(folder);
    }

    void UseHostWindow() {
        exPara.hostWindow = hostWindow;
        exPara.msgPanel = kMsgPanel;
        exPara.msgAttenuator = kMsgAttenuator;
        exPara.msgDither = kMsgDither;
        exPara.msgNoiseBlanker = kMsgNoiseBlanker;
        exPara.msgSampleMode = kMsgSampleMode;
        exPara.msgLevelOffset = kMsgLevelOffset;
        // As a host's record arrives: requests are addressed by the record they see.
        PublishRecord();
    }

    void CreatePanel(bool withReceiver = true) {
        if (!withReceiver) testsupport::SetEnvironment("G31DDC_SIM_FAIL", "open");
        panel = std::make_unique<ReceiverPanel>();
        panel->CreateModeless();
        ASSERT_NE(panel->Window(), 0u);
    }

    std::vector<Posted> TakePosts() {
        std::vector<Posted> posts;
        for (const auto& message : host->Take()) {
            EXPECT_EQ(static_cast<platform::WindowId>(message.lParam), panel ? panel->Window() : 0u);
            posts.push_back({message.message, static_cast<std::intptr_t>(message.wParam)});
        }
        return posts;
    }

    std::string Label() { return paneldriver::ControlText(panel->Window(), IDC_LEVEL_LABEL); }

    void WriteSettingsFile(const std::string& text) {
        std::ofstream(folder / "Tervalis.ini", std::ios::binary) << text;
    }

    std::filesystem::path folder;
    std::filesystem::path previousFolder;
    std::unique_ptr<paneldriver::HostWindow> host;
    platform::WindowId hostWindow = 0;
    std::unique_ptr<ReceiverPanel> panel;
};

}  // namespace

TEST_F(PanelTest, LevelOffsetIsClampedShownAndPostedOnlyWithAHostWindow) {
    UseHostWindow();
    CreatePanel();
    TakePosts();

    panel->ChangeLevelOffset(-500);
    EXPECT_EQ(exPara.levelOffset, -200);
    EXPECT_EQ(Label(), "-200 dB");
    panel->ChangeLevelOffset(1000);
    EXPECT_EQ(exPara.levelOffset, 200);
    panel->ChangeLevelOffset(-200);
    panel->ChangeLevelOffset(200);
    EXPECT_EQ(TakePosts(),
              (std::vector<Posted>{
                  {kMsgLevelOffset, -200}, {kMsgLevelOffset, 200}, {kMsgLevelOffset, -200}, {kMsgLevelOffset, 200}}));
    EXPECT_EQ(panel->Gain(), 1.0f);

    // At the bottom a step down is clamped back, but the host hears it again.
    panel->ChangeLevelOffset(-200);
    TakePosts();
    EXPECT_EQ(paneldriver::SpinBy(panel->Window(), IDC_LEVEL_SPIN, -1), 0);
    EXPECT_EQ(Label(), "-200 dB");
    EXPECT_EQ(TakePosts(), (std::vector<Posted>{{kMsgLevelOffset, -200}}));
    paneldriver::SpinBy(panel->Window(), IDC_LEVEL_SPIN, 1);
    EXPECT_EQ(Label(), "-199 dB");
}

TEST_F(PanelTest, WithoutAHostWindowTheOffsetBecomesTheGain) {
    CreatePanel();
    panel->ChangeLevelOffset(0);
    EXPECT_FLOAT_EQ(panel->Gain(), 1.0f);
    panel->ChangeLevelOffset(-20);
    EXPECT_FLOAT_EQ(panel->Gain(), 0.1f);
    panel->ChangeLevelOffset(20);
    EXPECT_FLOAT_EQ(panel->Gain(), 10.0f);
    EXPECT_EQ(Label(), "20 dB");
}

TEST_F(PanelTest, SwitchesWithoutAReceiverPostTheStoredValues) {
    UseHostWindow();
    CreatePanel(false);
    TakePosts();

    // A click flips the setting even without a receiver...
    paneldriver::ClickControl(panel->Window(), IDC_ATTENUATOR_BUTTON);
    EXPECT_EQ(exPara.attenuator, 1);
    // ...but the export's operation leaves the stored value alone.
    panel->ChangeAttenuator(0);
    EXPECT_EQ(exPara.attenuator, 1);
    panel->ChangeDithering(1);
    EXPECT_EQ(exPara.dither, 0);
    EXPECT_EQ(TakePosts(), (std::vector<Posted>{{kMsgAttenuator, 1}, {kMsgAttenuator, 1}, {kMsgDither, 0}}));
}

TEST_F(PanelTest, SwitchesWithAReceiverDriveItAndPostEveryTime) {
    UseHostWindow();
    CreatePanel();
    TakePosts();
    panel->ChangeAttenuator(1);
    panel->ChangeAttenuator(1);
    panel->ChangeNoiseBlanker(3);
    paneldriver::ClickControl(panel->Window(), IDC_DITHER_BUTTON);
    paneldriver::ClickControl(panel->Window(), IDC_NOISE_BLANKER_BUTTON);
    EXPECT_EQ(exPara.attenuator, 1);
    EXPECT_EQ(exPara.dither, 1);
    EXPECT_EQ(exPara.noiseBlanker, 0);
    EXPECT_EQ(
        TakePosts(),
        (std::vector<Posted>{
            {kMsgAttenuator, 1}, {kMsgAttenuator, 1}, {kMsgNoiseBlanker, 3}, {kMsgDither, 1}, {kMsgNoiseBlanker, 0}}));

    // A message number of 0 means: do not post; the receiver is still driven.
    exPara.msgDither = 0;
    PublishRecord();
    panel->ChangeDithering(0);
    EXPECT_EQ(exPara.dither, 0);
    EXPECT_TRUE(TakePosts().empty());
}

TEST_F(PanelTest, SampleModeChangesRefreshBeforeTheyPost) {
    UseHostWindow();
    CreatePanel();
    TakePosts();
#ifndef _WIN32
    // What the sample button showed as each post was queued. Only the native
    // window system lets a test see that moment; on Windows a post is seen
    // when it is dispatched, after the panel has done everything.
    std::vector<std::string> shownAtPost;
    headless::WatchPosts(hostWindow, [&](const headless::PostedMessage& posted) {
        if (posted.message == kMsgSampleMode) {
            shownAtPost.push_back(paneldriver::ControlText(panel->Window(), IDC_SAMPLE_BUTTON) + " / " +
                                  std::to_string(panel->SampleButton().m_nMenuSelection));
        }
    });
#endif
    panel->ChangeSampleMode(3);
    EXPECT_EQ(exPara.sampleMode, 3);
    EXPECT_EQ(panel->SampleButton().m_nMenuSelection, 3);
    panel->ChangeSampleMode(3);
    panel->ChangeSampleMode(9);
    EXPECT_EQ(TakePosts(), (std::vector<Posted>{{kMsgSampleMode, 3}, {kMsgSampleMode, 3}, {kMsgSampleMode, 4}}));
    EXPECT_EQ(panel->SampleButton().m_nMenuSelection, 4);

    // A click without a fresh choice (m_nMenuCommand -1) selects mode 0.
    paneldriver::ClickControl(panel->Window(), IDC_SAMPLE_BUTTON);
    EXPECT_EQ(exPara.sampleMode, 0);
    EXPECT_EQ(TakePosts(), (std::vector<Posted>{{kMsgSampleMode, 0}}));
#ifndef _WIN32
    headless::WatchPosts(hostWindow, nullptr);
    EXPECT_EQ(shownAtPost, (std::vector<std::string>{"500 kHz Sample / 3", "500 kHz Sample / 3", "1.0 MHz Sample / 4",
                                                     "50 kHz Sample / 0"}));
#endif
}

TEST_F(PanelTest, ShowingAndHidingPostsAsTheWindowSystemReportsIt) {
    UseHostWindow();
    CreatePanel();
    const auto window = panel->Window();
    EXPECT_FALSE(paneldriver::IsVisible(window));
    EXPECT_TRUE(TakePosts().empty());

    panel->ShowPanel(platform::kShowShow);
    EXPECT_TRUE(paneldriver::IsVisible(window));
    EXPECT_EQ(exPara.panelVisible, 1);
    EXPECT_EQ(paneldriver::Foreground(), window);
    panel->ShowPanel(platform::kShowShow);
    EXPECT_EQ(TakePosts(), (std::vector<Posted>{{kMsgPanel, 1}}));

    panel->ShowPanel(platform::kShowHide);
    EXPECT_EQ(TakePosts(), (std::vector<Posted>{{kMsgPanel, 0}}));
    EXPECT_EQ(exPara.panelVisible, 0);

    // Close box and Escape: the hide, then the close itself. Enter: nothing.
    panel->ShowPanel(platform::kShowShow);
    TakePosts();
    paneldriver::CloseBox(window);
    EXPECT_EQ(TakePosts(), (std::vector<Posted>{{kMsgPanel, 0}, {kMsgPanel, 0}}));
    panel->ShowPanel(platform::kShowShow);
    TakePosts();
    paneldriver::DialogCommand(window, 2);
    EXPECT_EQ(TakePosts(), (std::vector<Posted>{{kMsgPanel, 0}, {kMsgPanel, 0}}));
    EXPECT_TRUE(paneldriver::Exists(window));
    paneldriver::DialogCommand(window, 1);
    EXPECT_TRUE(TakePosts().empty());

    // Destroying the visible panel is no hide the host hears of.
    panel->ShowPanel(platform::kShowShow);
    TakePosts();
    panel->DestroyWindow();
    EXPECT_TRUE(TakePosts().empty());
}

TEST_F(PanelTest, APanelAskedToShowBeforeCreationAppearsWithoutANotification) {
    UseHostWindow();
    exPara.panelVisible = 0;
    panel = std::make_unique<ReceiverPanel>();
    panel->ShowPanel(platform::kShowShow);
    EXPECT_EQ(panel->Window(), 0u);
    panel->CreateModeless();
    EXPECT_TRUE(paneldriver::IsVisible(panel->Window()));
    EXPECT_EQ(exPara.panelVisible, 0);
    EXPECT_TRUE(TakePosts().empty());
}

TEST_F(PanelTest, OperationsBeforeTheWindowExistsStillPost) {
    UseHostWindow();
    panel = std::make_unique<ReceiverPanel>();
    panel->ChangeAttenuator(1);
    panel->ChangeLevelOffset(-30);
    const auto posted = host->Take();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].lParam, 0);
    EXPECT_EQ(posted[1].message, kMsgLevelOffset);
    EXPECT_EQ(static_cast<std::intptr_t>(posted[1].wParam), -30);
}

#ifndef _WIN32
// Natively the window system records the address instead of starting a browser.
TEST_F(PanelTest, HelpAndPictureButtonsOpenTheDocumentation) {
    CreatePanel();
    headless::ClearRecords();
    paneldriver::ClickControl(panel->Window(), IDC_HELP_BUTTON);
    paneldriver::ClickControl(panel->Window(), IDC_PICTURE_BUTTON);
    const auto opened = headless::OpenedAddresses();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_NE(opened[0].find("/manuals/orvanta/opensource"), std::string::npos);
}

// The headless layer lays template 1000 out in pixels: the dialog centred on
// its 1280 x 1024 screen, each button at the template's rectangle.
TEST_F(PanelTest, TheHeadlessDialogAndItsButtonsSitWhereTheTemplatePutsThem) {
    CreatePanel();
    const auto rect = paneldriver::Rect(panel->Window());
    EXPECT_EQ(rect.left, 518);
    EXPECT_EQ(rect.top, 378);
    EXPECT_EQ(rect.Width(), 244);
    EXPECT_EQ(rect.Height(), 268);
    const struct {
        int id;
        platform::Rect rect;
    } buttons[] = {
        {IDC_PICTURE_BUTTON, {525, 406, 753, 584}}, {IDC_ATTENUATOR_BUTTON, {525, 590, 597, 611}},
        {IDC_SAMPLE_BUTTON, {599, 590, 734, 611}},  {IDC_HELP_BUTTON, {738, 591, 753, 608}},
        {IDC_DITHER_BUTTON, {525, 612, 561, 633}},  {IDC_NOISE_BLANKER_BUTTON, {563, 612, 590, 633}},
    };
    for (const auto& button : buttons) {
        SCOPED_TRACE(button.id);
        const auto* window = headless::FindButtonWindow(panel->Window(), button.id);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->screenRect.left, button.rect.left);
        EXPECT_EQ(window->screenRect.top, button.rect.top);
        EXPECT_EQ(window->screenRect.right, button.rect.right);
        EXPECT_EQ(window->screenRect.bottom, button.rect.bottom);
    }
    EXPECT_EQ(headless::FindButtonWindow(panel->Window(), IDC_LEVEL_SPIN), nullptr) << "not a button";
}
#endif

TEST_F(PanelTest, CreationLoadsTheFileAndDestructionSavesIt) {
    WriteSettingsFile(
        "[PARAMETER]\nSampleMode=13\nAttenuator=2\nDittering=2\nNoisBlanker=6\ndBOffset=-150\n"
        "[POSITION]\nWindowTop=-40\nWindowLeft=-1200\n");
    CreatePanel();
    EXPECT_EQ(exPara.sampleMode, 4);
    EXPECT_EQ(exPara.attenuator, 2);
    EXPECT_EQ(exPara.dither, 0);
    EXPECT_EQ(exPara.noiseBlanker, 2);
    EXPECT_EQ(exPara.levelOffset, -150);
    EXPECT_EQ(Label(), "-150 dB");
    const auto rect = paneldriver::Rect(panel->Window());
    EXPECT_EQ(rect.top, -40);
    EXPECT_EQ(rect.left, -1200);

    panel->ChangeLevelOffset(-20);
    panel->ChangeSampleMode(1);
    panel->DestroyWindow();
    EXPECT_EQ(panel->DeviceHandle(), -1);
    EXPECT_EQ(ReadSettingInt("PARAMETER", "SampleMode", 99), 1);
    EXPECT_EQ(ReadSettingInt("PARAMETER", "dBOffset", 99), -20);
    EXPECT_EQ(ReadSettingInt("PARAMETER", "Attenuator", 99), 2);
    EXPECT_EQ(ReadSettingInt("POSITION", "WindowTop", 99), -40);
    EXPECT_EQ(ReadSettingInt("POSITION", "WindowLeft", 99), -1200);
}
