#include "panel/ReceiverPanel.h"

#include <algorithm>
#include <cstdio>

#include "panel/SettingsPersistence.h"
#include "plugin/ExParaBlock.h"
#include "plugin/HostNotifier.h"
#include "receiver/SampleModes.h"
#include "resources/ResourceIds.h"

namespace excalibur {
namespace {

constexpr int kLevelOffsetMin = -200;
constexpr int kLevelOffsetMax = 200;
constexpr std::uint32_t kHelpTextColor = 196;  // red 196, green 0, blue 0
constexpr int kBoldFont = 1;
constexpr int kImageLeftOfLabel = 0;

const char* SampleButtonLabel(int mode) {
    static constexpr const char* kLabels[] = {"50 kHz Sample", "100 kHz Sample", "200 kHz Sample",
                                              "500 kHz Sample", "1.0 MHz Sample"};
    return kLabels[ClampSampleMode(mode)];
}

}  // namespace

ReceiverPanel::ReceiverPanel() : PanelDialog(IDD_RECEIVER_PANEL), m_nShowFlag(platform::kPositionHideWindow) {}

ReceiverPanel::~ReceiverPanel() {
    DestroyWindow();
}

void ReceiverPanel::BindControls(platform::WindowId dialog) {
    m_nSpinnerId = IDC_LEVEL_SPIN;
    m_AttenuatorButton.Bind(dialog, IDC_ATTENUATOR_BUTTON);
    m_HelpButton.Bind(dialog, IDC_HELP_BUTTON);
    m_SampleButton.Bind(dialog, IDC_SAMPLE_BUTTON);
    m_PictureButton.Bind(dialog, IDC_PICTURE_BUTTON);
    m_DitheringButton.Bind(dialog, IDC_DITHER_BUTTON);
    m_NoiseBlankerButton.Bind(dialog, IDC_NOISE_BLANKER_BUTTON);
    m_nLevelLabelId = IDC_LEVEL_LABEL;
}

int ReceiverPanel::OnInitDialog(platform::WindowId dialog) {
    AttachWindow(dialog);
    BindControls(dialog);
    m_hIcon = platform::SetSmallIconFromResource(
        dialog, platform::PlatformMajorVersion() > 5 ? IDI_PANEL_ICON : IDI_PANEL_ICON_CLASSIC);
    m_PictureButton.SetFlat(1, false);
    m_PictureButton.SetImage(IDB_RECEIVER_PICTURE, kImageLeftOfLabel);
    LoadParameterSettings(exPara);
    m_HelpButton.SetFontChoice(kBoldFont, true);
    m_HelpButton.SetTextColorAndFont(kHelpTextColor, kBoldFont, true);
    m_HelpButton.SetFlat(1, true);
    m_SampleButton.SetDropDownMenu(IDR_SAMPLE_MENU);
    Open();
    RefreshControls();
    const platform::Rect rect = platform::ScreenRect(dialog);
    const WindowPosition position = ReadWindowPosition({rect.top, rect.left});
    platform::MoveWindowTo(dialog, position.left, position.top,
                           m_nShowFlag | platform::kPositionNoSize | platform::kPositionNoActivate);
    return 1;
}

void ReceiverPanel::ChangeAttenuator(std::uint32_t on) {
    ApplyAttenuator(on);
    NotifyHost(HostEvent::Attenuator, exPara.attenuator, Window());
    m_AttenuatorButton.SetCheckState(exPara.attenuator, true);
}

void ReceiverPanel::ChangeDithering(std::uint32_t on) {
    ApplyDithering(on);
    NotifyHost(HostEvent::Dither, exPara.dither, Window());
    m_DitheringButton.SetCheckState(exPara.dither, true);
}

void ReceiverPanel::ChangeNoiseBlanker(std::uint32_t on) {
    ApplyNoiseBlanker(on);
    NotifyHost(HostEvent::NoiseBlanker, exPara.noiseBlanker, Window());
    m_NoiseBlankerButton.SetCheckState(exPara.noiseBlanker, true);
}

void ReceiverPanel::ChangeSampleMode(int mode) {
    SelectSampleMode(mode);
    RefreshControls();
    NotifyHost(HostEvent::SampleMode, exPara.sampleMode, Window());
}

void ReceiverPanel::ChangeLevelOffset(int decibels) {
    const auto offset = static_cast<std::int16_t>(std::clamp(decibels, kLevelOffsetMin, kLevelOffsetMax));
    exPara.levelOffset = offset;
    ShowLevel(offset);
    if (exPara.hostWindow != 0) {
        NotifyHost(HostEvent::LevelOffset, static_cast<std::uintptr_t>(static_cast<std::intptr_t>(offset)), Window());
    }
    ApplyLevelOffset(offset);
}

void ReceiverPanel::ToggleAttenuator() {
    exPara.attenuator = exPara.attenuator == 0 ? 1 : 0;
    ChangeAttenuator(exPara.attenuator);
}

void ReceiverPanel::ToggleDithering() {
    exPara.dither = exPara.dither == 0 ? 1 : 0;
    ChangeDithering(exPara.dither);
}

void ReceiverPanel::ToggleNoiseBlanker() {
    exPara.noiseBlanker = exPara.noiseBlanker == 0 ? 1 : 0;
    ChangeNoiseBlanker(exPara.noiseBlanker);
}

void ReceiverPanel::RefreshControls() {
    m_AttenuatorButton.SetCheckState(exPara.attenuator, true);
    m_DitheringButton.SetCheckState(exPara.dither, true);
    m_NoiseBlankerButton.SetCheckState(exPara.noiseBlanker, true);
    // A mode outside 0..4 that a host stored shows as the mode it will clamp to.
    m_SampleButton.SetMenuSelection(exPara.sampleMode, SampleButtonLabel(exPara.sampleMode));
    ShowLevel(exPara.levelOffset);
}

void ReceiverPanel::ShowLevel(int decibels) {
    char text[256];
    std::snprintf(text, sizeof text, "%d dB", decibels);
    if (Window() != 0) platform::SetControlText(Window(), m_nLevelLabelId, text);
}

void ReceiverPanel::OnSampleChosen() {
    ChangeSampleMode(m_SampleButton.m_nMenuCommand - ID_SAMPLES_50KHZ);
}

int ReceiverPanel::OnLevelSpin(int delta) {
    ChangeLevelOffset(static_cast<std::int16_t>(exPara.levelOffset + delta));
    return 0;
}

void ReceiverPanel::ShowPanel(int show) {
    m_nShowFlag = show != 0 ? platform::kPositionShowWindow : platform::kPositionHideWindow;
    if (Window() == 0) return;
    if (show != 0) {
        if (!platform::IsVisible(Window())) platform::ShowWindowBy(Window(), platform::kShowShow);
        platform::BringToForeground(Window());
    } else {
        platform::ShowWindowBy(Window(), platform::kShowHide);
    }
}

void ReceiverPanel::OpenDocumentation() {
    platform::OpenWebAddress(kDocumentationAddress);
}

void ReceiverPanel::OnCommand(int controlId, int notification) {
    if (controlId == platform::kCommandCancel) {
        OnCloseRequest();
        return;
    }
    if (notification != platform::kButtonClicked) return;
    switch (controlId) {
        case IDC_ATTENUATOR_BUTTON: ToggleAttenuator(); break;
        case IDC_SAMPLE_BUTTON: OnSampleChosen(); break;
        case IDC_HELP_BUTTON:
        case IDC_PICTURE_BUTTON: OpenDocumentation(); break;
        case IDC_DITHER_BUTTON: ToggleDithering(); break;
        case IDC_NOISE_BLANKER_BUTTON: ToggleNoiseBlanker(); break;
        default: break;  // the default button (Enter) does nothing
    }
}

int ReceiverPanel::OnSpinDelta(int controlId, int delta) {
    return controlId == m_nSpinnerId ? OnLevelSpin(delta) : 0;
}

void ReceiverPanel::OnCloseRequest() {
    platform::ShowWindowBy(Window(), platform::kShowHide);
    NotifyHost(HostEvent::Panel, 0, Window());
}

void ReceiverPanel::OnVisibilityChanged(int shown, int) {
    exPara.panelVisible = static_cast<std::uint8_t>(shown);
    NotifyHost(HostEvent::Panel, static_cast<std::uintptr_t>(shown), Window());
}

void ReceiverPanel::ShutDown(bool withoutMessages) {
    const platform::WindowId window = Window();
    if (window == 0) return;
    if (!withoutMessages && platform::OwnedByCallingThread(window)) {
        DestroyWindow();
        return;
    }
    OnPanelDestroy();
    platform::AbandonPanelWindow(window);
}

void ReceiverPanel::OnPanelDestroy() {
    Close();
    SaveParameterSettings(exPara);
    const platform::Rect rect = platform::ScreenRect(Window());
    WriteWindowPosition({rect.top, rect.left});
    DetachWindow();
}

}  // namespace excalibur
