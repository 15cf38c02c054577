#include "panel/ReceiverPanel.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "panel/SettingsPersistence.h"
#include "hostlink/ExParaBlock.h"
#include "hostlink/HostNotifier.h"
#include "receiver/SampleModes.h"
#include "resources/ResourceIds.h"

namespace excalibur {
namespace {

constexpr int kLevelOffsetMin = -200;
constexpr int kLevelOffsetMax = 200;
constexpr std::uint32_t kHelpTextColor = 196;  // red 196, green 0, blue 0
constexpr int kBoldFont = 1;
constexpr int kImageLeftOfLabel = 0;
// What another thread asks of the panel's thread.
constexpr int kRefreshRequest = 1;
constexpr int kShowRequest = 2;
constexpr int kHideRequest = 3;
constexpr int kRunPendingRequest = 4;

const char* SampleButtonLabel(int mode) { return SampleModeTable[ClampSampleMode(mode)].buttonLabel; }

}  // namespace

ReceiverPanel::ReceiverPanel() : PanelDialog(IDD_RECEIVER_PANEL), m_nShowFlag(platform::kPositionHideWindow) {}

ReceiverPanel::~ReceiverPanel() { DestroyWindow(); }

ReceiverPanel::Lock::Lock(ReceiverPanel& panel) : m_panel(panel) {
    m_panel.m_operations.lock();
    ++m_panel.m_nOperationDepth;
}

ReceiverPanel::Lock::~Lock() {
    if (m_panel.m_nOperationDepth == 1) {
        m_panel.RunPendingOperations();
        PublishRecord();
    }
    --m_panel.m_nOperationDepth;
    m_panel.m_operations.unlock();
}

void ReceiverPanel::Queue(Pending kind, std::function<void()> operation) {
    const platform::WindowId window = Window();
    if (m_pending.Add(static_cast<int>(kind), std::move(operation)) && window != 0) {
        platform::PostPanelRequest(window, kRunPendingRequest);
    }
}

// Under the lock, from the outermost operation's end; an exception of one
// queued operation ends it alone, as the export's guard would have.
void ReceiverPanel::RunPendingOperations() {
    while (const std::function<void()> operation = m_pending.Take()) {
        try {
            operation();
        } catch (...) {}
    }
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
    Lock lock(*this);
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

int ReceiverPanel::CreateOnce() {
    // A stream, hence a data call, exists only once the window does.
    if (Window() != 0) return -1;
    Lock lock(*this);
    if (Window() != 0) return -1;
    CreateModeless();
    return DeviceHandle() >= 0 ? 1 : 0;
}

int ReceiverPanel::StartStream(std::int32_t frequency) {
    if (QueuedFromStream(Pending::Start, [this, frequency] { StartStream(frequency); })) {
        return 1 << samplesPerBufferLog2;
    }
    Lock lock(*this);
    Start();
    Tune(frequency);
    return 1 << samplesPerBufferLog2;
}

void ReceiverPanel::StopStream() {
    if (QueuedFromStream(Pending::Stop, [this] { StopStream(); })) return;
    Lock lock(*this);
    Stop();
}

std::int32_t ReceiverPanel::TuneTo(std::int32_t frequency) {
    if (QueuedFromStream(Pending::Tune, [this, frequency] { TuneTo(frequency); })) {
        return TunedFrequency(frequency);
    }
    Lock lock(*this);
    Tune(frequency);
    return loFrequency;
}

platform::WindowId ReceiverPanel::CopyRecordTo(ExParaBlock& block) const {
    block = PublishedRecord();
    return Window();
}

bool ReceiverPanel::AttenuatorOn() const { return PublishedRecord().attenuator != 0; }

void ReceiverPanel::StoreRecord(const ExParaBlock& block) {
    if (QueuedFromStream(Pending::StoreRecord, [this, block] { StoreRecord(block); })) return;
    Lock lock(*this);
    std::memcpy(&exPara, &block, sizeof exPara);
}

void ReceiverPanel::ApplyRecord(const ExParaBlock& block) {
    if (QueuedFromStream(Pending::ApplyRecord, [this, block] { ApplyRecord(block); })) return;
    Lock lock(*this);
    const ExParaBlock old = exPara;
    std::memcpy(&exPara, &block, sizeof exPara);
    if (exPara.levelOffset != old.levelOffset) ChangeLevelOffset(exPara.levelOffset);
    if (exPara.attenuator != old.attenuator) ChangeAttenuator(exPara.attenuator);
    if (exPara.dither != old.dither) ChangeDithering(exPara.dither);
    if (exPara.noiseBlanker != old.noiseBlanker) ChangeNoiseBlanker(exPara.noiseBlanker);
}

bool ReceiverPanel::ControlsAreOurs() {
    const platform::WindowId window = Window();
    if (window == 0 || platform::OwnedByCallingThread(window)) return true;
    // One refresh shows every change made before it runs.
    if (!m_refreshRequested.exchange(true)) platform::PostPanelRequest(window, kRefreshRequest);
    return false;
}

void ReceiverPanel::ChangeAttenuator(std::uint32_t on) {
    if (QueuedFromStream(Pending::Attenuator, [this, on] { ChangeAttenuator(on); })) return;
    Lock lock(*this);
    ApplyAttenuator(on);
    NotifyHost(HostEvent::Attenuator, exPara.attenuator, Window());
    if (ControlsAreOurs()) m_AttenuatorButton.SetCheckState(exPara.attenuator, true);
    // Hosts that list the attenuator steps read GetActualAttIdx again.
    TellHost(kStatusAttenuatorChanged);
}

void ReceiverPanel::ChangeDithering(std::uint32_t on) {
    if (QueuedFromStream(Pending::Dither, [this, on] { ChangeDithering(on); })) return;
    Lock lock(*this);
    ApplyDithering(on);
    NotifyHost(HostEvent::Dither, exPara.dither, Window());
    if (ControlsAreOurs()) m_DitheringButton.SetCheckState(exPara.dither, true);
}

void ReceiverPanel::ChangeNoiseBlanker(std::uint32_t on) {
    if (QueuedFromStream(Pending::NoiseBlanker, [this, on] { ChangeNoiseBlanker(on); })) return;
    Lock lock(*this);
    ApplyNoiseBlanker(on);
    NotifyHost(HostEvent::NoiseBlanker, exPara.noiseBlanker, Window());
    if (ControlsAreOurs()) m_NoiseBlankerButton.SetCheckState(exPara.noiseBlanker, true);
}

void ReceiverPanel::ChangeSampleMode(int mode, SkipWhen skip) {
    if (QueuedFromStream(Pending::SampleMode, [this, mode, skip] { ChangeSampleMode(mode, skip); })) return;
    Lock lock(*this);
    if (skip == SkipWhen::ModeStored && mode == static_cast<int>(exPara.sampleMode)) return;
    if (skip == SkipWhen::ModeInForce && mode == SampleModeOfRate(sampleRate)) return;
    SelectSampleMode(mode);
    RefreshControls();
    NotifyHost(HostEvent::SampleMode, exPara.sampleMode, Window());
}

void ReceiverPanel::ChangeLevelOffset(int decibels) {
    if (QueuedFromStream(Pending::LevelOffset, [this, decibels] { ChangeLevelOffset(decibels); })) return;
    Lock lock(*this);
    const auto offset = static_cast<std::int16_t>(std::clamp(decibels, kLevelOffsetMin, kLevelOffsetMax));
    exPara.levelOffset = offset;
    if (ControlsAreOurs()) ShowLevel(offset);
    if (exPara.hostWindow != 0) {
        NotifyHost(HostEvent::LevelOffset, static_cast<std::uintptr_t>(static_cast<std::intptr_t>(offset)), Window());
    }
    ApplyLevelOffset(offset);
}

void ReceiverPanel::ToggleAttenuator() {
    Lock lock(*this);
    exPara.attenuator = exPara.attenuator == 0 ? 1 : 0;
    ChangeAttenuator(exPara.attenuator);
}

void ReceiverPanel::ToggleDithering() {
    Lock lock(*this);
    exPara.dither = exPara.dither == 0 ? 1 : 0;
    ChangeDithering(exPara.dither);
}

void ReceiverPanel::ToggleNoiseBlanker() {
    Lock lock(*this);
    exPara.noiseBlanker = exPara.noiseBlanker == 0 ? 1 : 0;
    ChangeNoiseBlanker(exPara.noiseBlanker);
}

void ReceiverPanel::RefreshControls() {
    Lock lock(*this);
    if (!ControlsAreOurs()) return;
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

void ReceiverPanel::OnSampleChosen() { ChangeSampleMode(m_SampleButton.m_nMenuCommand - ID_SAMPLES_50KHZ); }

int ReceiverPanel::OnLevelSpin(int delta) {
    Lock lock(*this);
    ChangeLevelOffset(static_cast<std::int16_t>(exPara.levelOffset + delta));
    return 0;
}

void ReceiverPanel::ShowPanel(int show) {
    if (QueuedFromStream(Pending::Show, [this, show] { ShowPanel(show); })) return;
    platform::WindowId window = 0;
    {
        Lock lock(*this);
        m_nShowFlag = show != 0 ? platform::kPositionShowWindow : platform::kPositionHideWindow;
        window = Window();
    }
    if (window == 0) return;
    // Showing sends the window its shown-or-hidden event: only its own thread does it.
    if (!platform::OwnedByCallingThread(window)) {
        platform::PostPanelRequest(window, show != 0 ? kShowRequest : kHideRequest);
        return;
    }
    if (show != 0) {
        if (!platform::IsVisible(window)) platform::ShowWindowBy(window, platform::kShowShow);
        platform::BringToForeground(window);
    } else {
        platform::ShowWindowBy(window, platform::kShowHide);
    }
}

void ReceiverPanel::OpenDocumentation() { platform::OpenWebAddress(kDocumentationAddress); }

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

int ReceiverPanel::OnSpinDelta(int controlId, int delta) { return controlId == m_nSpinnerId ? OnLevelSpin(delta) : 0; }

void ReceiverPanel::OnCloseRequest() {
    platform::ShowWindowBy(Window(), platform::kShowHide);
    Lock lock(*this);
    NotifyHost(HostEvent::Panel, 0, Window());
}

void ReceiverPanel::OnVisibilityChanged(int shown, int) {
    Lock lock(*this);
    exPara.panelVisible = static_cast<std::uint8_t>(shown);
    NotifyHost(HostEvent::Panel, static_cast<std::uintptr_t>(shown), Window());
}

void ReceiverPanel::OnPanelRequest(int request) {
    switch (request) {
        case kRefreshRequest:
            m_refreshRequested = false;
            RefreshControls();
            break;
        case kRunPendingRequest: {
            Lock lock(*this);  // its end runs them
            break;
        }
        case kShowRequest: ShowPanel(platform::kShowShow); break;
        case kHideRequest: ShowPanel(platform::kShowHide); break;
        default: break;
    }
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
    Lock lock(*this);
    Close();
    SaveParameterSettings(exPara);
    const platform::Rect rect = platform::ScreenRect(Window());
    WriteWindowPosition({rect.top, rect.left});
    DetachWindow();
}

}  // namespace excalibur
