#include "panel/ReceiverPanel.h"

#include <algorithm>
#include <chrono>
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
constexpr int kCatchUpRequest = 1;
constexpr int kApplyVisibilityRequest = 2;
// How long ShowGUI and HideGUI wait for a panel thread that does not pump.
constexpr auto kShowAnswerTimeout = std::chrono::seconds(1);
// How long the unload waits for a show or hide that the panel's thread began.
constexpr auto kShowAnswerAtUnload = std::chrono::seconds(2);

int ClampLevelOffset(int decibels) { return std::clamp(decibels, kLevelOffsetMin, kLevelOffsetMax); }

const char* SampleButtonLabel(int mode) { return SampleModeTable[ClampSampleMode(mode)].buttonLabel; }

}  // namespace

ReceiverPanel::ReceiverPanel() : PanelDialog(IDD_RECEIVER_PANEL), m_nShowFlag(platform::kPositionHideWindow) {}

ReceiverPanel::~ReceiverPanel() { DestroyWindow(); }

void ReceiverPanel::RequestCatchUp() {
    const platform::WindowId window = Window();
    if (window != 0 && !m_bCatchUpRequested.exchange(true)) platform::PostPanelRequest(window, kCatchUpRequest);
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
    Turn turn(*this);
    AttachWindow(dialog);
    // A catch-up posted to a window destroyed since never came.
    m_bCatchUpRequested = false;
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
    m_bReceiverOpen = DeviceHandle() >= 0;
    WishTheLoadedSettings();
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
    Turn turn(*this);
    // Unloading: as if the window existed, since the receiver is not at fault.
    if (!turn || Window() != 0) return -1;
    CreateModeless();
    return DeviceHandle() >= 0 ? 1 : 0;
}

// One request: a stop made later overtakes the start, a tuning made later the tuning.
int ReceiverPanel::StartStream(std::int32_t frequency) {
    Request([&](Wishes& wishes) {
        wishes.Wish(kStreamSetting, 1);
        wishes.Wish(kFrequencySetting, frequency);
    });
    return 1 << samplesPerBufferLog2;
}

void ReceiverPanel::StopStream() {
    Request([](Wishes& wishes) { wishes.Wish(kStreamSetting, 0); });
}

std::int32_t ReceiverPanel::TuneTo(std::int32_t frequency) {
    Request([&](Wishes& wishes) { wishes.Wish(kFrequencySetting, frequency); });
    return TunedFrequency(frequency);
}

platform::WindowId ReceiverPanel::CopyRecordTo(ExParaBlock& block) const {
    block = PublishedRecord();
    return Window();
}

bool ReceiverPanel::AttenuatorOn() const { return PublishedRecord().attenuator != 0; }

void ReceiverPanel::LearnBandsIfFree() {
    if (hostCallback.InsideDataCall() || m_wishes.TryEnter() == 0) return;
    if (!IsStreaming()) LearnDdc1Bandwidths();
    m_wishes.Leave();
}

void ReceiverPanel::StoreRecord(const ExParaBlock& block) {
    Request(
        [&](Wishes& wishes) {
            m_recordWish = block;
            wishes.Wish(kRecordSetting, 0);
        },
        &block);
}

// The four settings are compared with what the requests before asked for,
// applied or not; the sample mode is only stored.
void ReceiverPanel::ApplyRecord(const ExParaBlock& block) {
    Request(
        [&](Wishes& wishes) {
            const ExParaBlock old = WishedRecord(wishes);
            m_recordWish = block;
            wishes.Wish(kRecordSetting, 0);
            if (block.levelOffset != old.levelOffset) {
                wishes.Wish(kLevelOffsetSetting, ClampLevelOffset(block.levelOffset));
            }
            for (const int setting : {kAttenuatorSetting, kDitherSetting, kNoiseBlankerSetting}) {
                const std::uint8_t on = block.*SwitchField(setting);
                if (on != old.*SwitchField(setting)) wishes.Wish(setting, SwitchWish(wishes, setting, on, false));
            }
        },
        &block);
}

ExParaBlock ReceiverPanel::WishedRecord(const Wishes& wishes) const {
    // Until a host stores one or the settings load, the record is as at start-up.
    ExParaBlock record = wishes.NumberOf(kRecordSetting) == 0 ? PublishedRecord() : m_recordWish;
    // A request's own wishes apply after its record: the same number is later.
    const auto later = [&](int setting) {
        return wishes.NumberOf(setting) != 0 && wishes.NumberOf(setting) >= wishes.NumberOf(kRecordSetting);
    };
    for (const int setting : {kAttenuatorSetting, kDitherSetting, kNoiseBlankerSetting}) {
        if (later(setting)) record.*SwitchField(setting) = static_cast<std::uint8_t>(wishes.Latest(setting));
    }
    // Without a receiver a rate is neither selected nor stored.
    if (later(kRateSetting) && m_bReceiverOpen) {
        record.sampleMode = static_cast<std::uint8_t>(ClampSampleMode(static_cast<int>(wishes.Latest(kRateSetting))));
    }
    if (later(kLevelOffsetSetting)) record.levelOffset = static_cast<std::int16_t>(wishes.Latest(kLevelOffsetSetting));
    return record;
}

int ReceiverPanel::WishedModeInForce(const Wishes& wishes) const {
    if (!m_bReceiverOpen) return SampleModeOfRate(sampleRate);
    return ClampSampleMode(static_cast<int>(wishes.Latest(kRateSetting)));
}

void ReceiverPanel::WishTheLoadedSettings() {
    m_wishes.Found(kRateSetting, SampleModeOfRate(sampleRate));
    m_wishes.Found(kLevelOffsetSetting, exPara.levelOffset);
    for (const int setting : {kAttenuatorSetting, kDitherSetting, kNoiseBlankerSetting}) {
        m_wishes.Found(setting, exPara.*SwitchField(setting));
    }
}

void ReceiverPanel::WishApplier::Take(int setting) {
    if (setting == kRecordSetting) m_panel.m_recordToApply = m_panel.m_recordWish;
}

bool ReceiverPanel::EventOf(int setting, HostEvent& event) {
    switch (setting) {
        case kRateSetting: event = HostEvent::SampleMode; return true;
        case kLevelOffsetSetting: event = HostEvent::LevelOffset; return true;
        case kAttenuatorSetting: event = HostEvent::Attenuator; return true;
        case kDitherSetting: event = HostEvent::Dither; return true;
        case kNoiseBlankerSetting: event = HostEvent::NoiseBlanker; return true;
        default: return false;
    }
}

std::uint8_t ExParaBlock::*ReceiverPanel::SwitchField(int setting) {
    switch (setting) {
        case kAttenuatorSetting: return &ExParaBlock::attenuator;
        case kDitherSetting: return &ExParaBlock::dither;
        default: return &ExParaBlock::noiseBlanker;
    }
}

// A data call's wish carries no context: it goes by the record in force.
void ReceiverPanel::WishApplier::Apply(int setting, Value value, const WishedSettings::Context* context) {
    ReceiverPanel& panel = m_panel;
    const auto* request = static_cast<const RequestContext*>(context);
    const ExParaBlock& address = request != nullptr ? request->record : exPara;
    switch (setting) {
        case kRecordSetting: ReplaceRecord(request != nullptr ? request->stored : panel.m_recordToApply); break;
        case kStreamSetting:
            if (value != 0) {
                panel.Start();
                if (request != nullptr) request->started = true;
            } else {
                panel.Stop();
            }
            break;
        case kFrequencySetting: panel.Tune(static_cast<std::int32_t>(value)); break;
        case kRateSetting: panel.RunSampleModeChange(static_cast<int>(value), address); break;
        case kLevelOffsetSetting: panel.RunLevelOffsetChange(static_cast<int>(value), address); break;
        case kAttenuatorSetting:
        case kDitherSetting:
        case kNoiseBlankerSetting: panel.RunSwitchChange(setting, static_cast<std::uint32_t>(value), address); break;
        default: break;
    }
}

// Where a later request applied the setting first, this one still tells the
// host once, of the value stored; a start still tunes, to the frequency in force.
void ReceiverPanel::WishApplier::Leave(int setting, const WishedSettings::Context* context) {
    const auto* request = static_cast<const RequestContext*>(context);
    if (setting == kFrequencySetting && request != nullptr && request->started) m_panel.Tune(loFrequency);
    HostEvent event{};
    if (EventOf(setting, event)) {
        NotifyHostOfStoredValue(event, m_panel.Window(), request != nullptr ? &request->record : nullptr);
    }
}

void ReceiverPanel::PostForOvertaken(WishedSettings::Settings overtaken) {
    HostEvent event{};
    for (int setting = 0; setting < kSettingCount; ++setting) {
        if ((overtaken & (WishedSettings::Settings{1} << setting)) && EventOf(setting, event)) {
            NotifyHostOfStoredValue(event, Window());
        }
    }
}

bool ReceiverPanel::ControlsAreOurs() {
    const platform::WindowId window = Window();
    if (window == 0 || platform::OwnedByCallingThread(window)) return true;
    RequestCatchUp();
    return false;
}

ReceiverPanel::Value ReceiverPanel::SwitchWish(const Wishes& wishes, int setting, std::uint32_t on, bool toggle) const {
    const std::uint8_t asked = WishedRecord(wishes).*SwitchField(setting);
    if (toggle) return asked == 0 ? 1 : 0;
    return m_bReceiverOpen ? on : asked;
}

void ReceiverPanel::ChangeSwitch(int setting, std::uint32_t on, bool toggle) {
    Request([&](Wishes& wishes) { wishes.Wish(setting, SwitchWish(wishes, setting, on, toggle)); });
}

void ReceiverPanel::ChangeAttenuator(std::uint32_t on) { ChangeSwitch(kAttenuatorSetting, on, false); }
void ReceiverPanel::ChangeDithering(std::uint32_t on) { ChangeSwitch(kDitherSetting, on, false); }
void ReceiverPanel::ChangeNoiseBlanker(std::uint32_t on) { ChangeSwitch(kNoiseBlankerSetting, on, false); }

// The comparison goes by what the requests before this one asked for; a
// request that finds its mode asked for already returns once it is in force.
void ReceiverPanel::ChangeSampleMode(int mode, SkipWhen skip) {
    Request([&](Wishes& wishes) {
        if ((skip == SkipWhen::ModeStored && mode == WishedRecord(wishes).sampleMode) ||
            (skip == SkipWhen::ModeInForce && mode == WishedModeInForce(wishes))) {
            wishes.AwaitLatest(kRateSetting);
            if (skip == SkipWhen::ModeStored) wishes.AwaitLatest(kRecordSetting);
            return;
        }
        wishes.Wish(kRateSetting, mode);
    });
}

void ReceiverPanel::ChangeLevelOffset(int decibels) {
    Request([&](Wishes& wishes) { wishes.Wish(kLevelOffsetSetting, ClampLevelOffset(decibels)); });
}

// Without a receiver the device stores nothing, and the value wished is
// what the record keeps: a toggle's, or the one it had.
void ReceiverPanel::RunSwitchChange(int setting, std::uint32_t on, const ExParaBlock& address) {
    std::uint8_t ExParaBlock::*const field = SwitchField(setting);
    MyButton* button = &m_NoiseBlankerButton;
    HostEvent event = HostEvent::NoiseBlanker;
    if (setting == kAttenuatorSetting) {
        ApplyAttenuator(on);
        button = &m_AttenuatorButton;
        event = HostEvent::Attenuator;
    } else if (setting == kDitherSetting) {
        ApplyDithering(on);
        button = &m_DitheringButton;
        event = HostEvent::Dither;
    } else {
        ApplyNoiseBlanker(on);
    }
    if (DeviceHandle() < 0) exPara.*field = static_cast<std::uint8_t>(on);
    NotifyHost(event, exPara.*field, Window(), address);
    if (ControlsAreOurs()) button->SetCheckState(exPara.*field, true);
    // Hosts that list the attenuator steps read GetActualAttIdx again.
    if (setting == kAttenuatorSetting) TellHost(kStatusAttenuatorChanged);
}

void ReceiverPanel::RunSampleModeChange(int mode, const ExParaBlock& address) {
    SelectSampleMode(mode);
    RefreshControls();
    NotifyHost(HostEvent::SampleMode, exPara.sampleMode, Window(), address);
}

// Wished clamped already: the record as asked holds what the change stores.
void ReceiverPanel::RunLevelOffsetChange(int decibels, const ExParaBlock& address) {
    const auto offset = static_cast<std::int16_t>(decibels);
    exPara.levelOffset = offset;
    if (ControlsAreOurs()) ShowLevel(offset);
    if (address.hostWindow != 0) {
        NotifyHost(HostEvent::LevelOffset, static_cast<std::uintptr_t>(static_cast<std::intptr_t>(offset)), Window(),
                   address);
    }
    ApplyLevelOffset(offset, address.hostWindow);
}

// A toggle wishes the opposite of the value as asked, and stores it even
// without a receiver, so the host hears of the value the button shows.
void ReceiverPanel::ToggleAttenuator() { ChangeSwitch(kAttenuatorSetting, 0, true); }
void ReceiverPanel::ToggleDithering() { ChangeSwitch(kDitherSetting, 0, true); }
void ReceiverPanel::ToggleNoiseBlanker() { ChangeSwitch(kNoiseBlankerSetting, 0, true); }

void ReceiverPanel::RefreshControls() {
    Turn turn(*this);
    if (!turn || !ControlsAreOurs()) return;
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
    Request([&](Wishes& wishes) {
        wishes.Wish(kLevelOffsetSetting, ClampLevelOffset(WishedRecord(wishes).levelOffset + delta));
    });
    return 0;
}

// Takes no turn: a caller inside an operation may wait for the panel's
// thread to answer, and that thread must not wait for the operation. Every
// request to that thread applies the wish as it stands when it runs, so the
// last call wins however the requests arrive, and a late one changes nothing.
void ReceiverPanel::ShowPanel(int show) {
    if (m_wishes.Closed()) return;
    m_nShowFlag = show != 0 ? platform::kPositionShowWindow : platform::kPositionHideWindow;
    const platform::WindowId window = Window();
    if (window == 0) return;
    // Showing sends the window its shown-or-hidden event: only its own thread does it.
    if (platform::OwnedByCallingThread(window)) {
        ApplyVisibilityWish();
        return;
    }
    // A data call must not wait: the panel's thread may be stopping the stream.
    if (!hostCallback.InsideDataCall() &&
        platform::SendPanelRequest(window, kApplyVisibilityRequest, kShowAnswerTimeout)) {
        return;
    }
    platform::PostPanelRequest(window, kApplyVisibilityRequest);
}

void ReceiverPanel::ApplyVisibilityWish() {
    const platform::WindowId window = Window();
    if (window == 0 || m_wishes.Closed()) return;
    if (m_nShowFlag == platform::kPositionShowWindow) {
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
    if (m_wishes.Closed()) return;
    m_nShowFlag = platform::kPositionHideWindow;
    platform::ShowWindowBy(Window(), platform::kShowHide);
    NotifyPanelShown(0, Window());
}

void ReceiverPanel::OnVisibilityChanged(int shown, int) {
    if (m_wishes.Closed()) return;
    NotifyPanelShown(static_cast<std::uint8_t>(shown), Window());
}

void ReceiverPanel::OnPanelRequest(int request) {
    switch (request) {
        case kCatchUpRequest:
            m_bCatchUpRequested = false;
            RefreshControls();  // its turn applies the data calls' wishes first
            break;
        case kApplyVisibilityRequest:
            ++m_nShowAnswers;
            ApplyVisibilityWish();
            --m_nShowAnswers;
            break;
        default: break;
    }
}

// Nothing new starts from here on. FreeLibrary waits for an operation
// already running (serving no messages: this thread holds the loader lock);
// at process exit it takes no lock, since Windows has ended the other
// threads, the holder among them.
void ReceiverPanel::ShutDown(bool processExiting) {
    if (processExiting) {
        m_wishes.Close();
    } else {
        m_wishes.CloseAfterTheRunningOne(platform::WhileWaiting::ServeNothing);
    }
    const platform::WindowId window = Window();
    if (window == 0) return;
    if (!processExiting && platform::OwnedByCallingThread(window)) {
        m_bDestroyingForUnload = true;
        DestroyWindow();
        return;
    }
    // The panel's thread may still be in a hide for another thread, with our
    // code on its stack; bounded, since that thread may be sending to this
    // one, which serves nothing under the loader lock.
    if (!processExiting) {
        const auto end = std::chrono::steady_clock::now() + kShowAnswerAtUnload;
        platform::WaitUntil([&] { return m_nShowAnswers.load() == 0 || std::chrono::steady_clock::now() > end; },
                            platform::WhileWaiting::ServeNothing);
    }
    CloseAndSave();
    platform::AbandonPanelWindow(window);
}

// At the unload, or when the host destroys the window: then, after an
// operation already running, the receiver closes and the next InitHW makes
// window and receiver again. Refused the turn, the window goes while another
// thread unloads, whose own close is the one.
void ReceiverPanel::OnPanelDestroy() {
    Turn turn(*this);
    if (!turn && !m_bDestroyingForUnload) return;
    CloseAndSave();
}

void ReceiverPanel::CloseAndSave() {
    Close();
    m_bReceiverOpen = false;
    SaveParameterSettings(exPara);
    const platform::Rect rect = platform::ScreenRect(Window());
    WriteWindowPosition({rect.top, rect.left});
    DetachWindow();
}

}  // namespace excalibur
