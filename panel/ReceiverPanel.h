#pragma once

#include <atomic>
#include <cstdint>

#include "panel/WishedSettings.h"
#include "panel/PanelDialog.h"
#include "hostlink/ExParaBlock.h"
#include "hostlink/HostNotifier.h"
#include "receiver/ReceiverDevice.h"
#include "widgets/MyButton.h"

namespace excalibur {

// The plug-in's one window and, through its second base, the one receiver
// device. Every setting change, whatever its source, runs through one of its
// five setting operations: device, host message, control refresh.
//
// Threads (docs/threads.md): the exports run on any of the host's threads,
// the window's handlers on the panel's thread, the stream handler on the
// driver's. Every request wishes a value for each setting it sets and
// applies them itself, in its turn in the order made, with the host's status
// calls on its own thread, so the latest request of each setting wins. One
// made from inside a data callback only wishes. Reads take only the
// published record. Controls are changed on the panel's thread only; another
// thread asks it to catch up. Showing and hiding never wait for an
// operation: they record the wished visibility, which the panel's thread
// applies as it stands.
class ReceiverPanel : public PanelDialog, public ReceiverDevice {
public:
    ReceiverPanel();
    ~ReceiverPanel() override;

    // Which stored value makes ChangeSampleMode skip a request.
    enum class SkipWhen { Never, ModeStored, ModeInForce };

    // The setting operations, each one request.
    void ChangeAttenuator(std::uint32_t on);
    void ChangeDithering(std::uint32_t on);
    void ChangeNoiseBlanker(std::uint32_t on);
    void ChangeSampleMode(int mode, SkipWhen skip = SkipWhen::Never);
    void ChangeLevelOffset(int decibels);

    // The exports' own requests.
    // Creates the window unless it exists: -1 it existed, else 1 with a receiver, 0 without.
    int CreateOnce();
    int StartStream(std::int32_t frequency);
    void StopStream();
    std::int32_t TuneTo(std::int32_t frequency);
    void StoreRecord(const ExParaBlock& block);
    // SetExPara: stores the record and runs the operations of the changed settings.
    void ApplyRecord(const ExParaBlock& block);

    // Reads: the published record, never waiting for an operation.
    platform::WindowId CopyRecordTo(ExParaBlock& block) const;
    bool AttenuatorOn() const;
    bool ReceiverOpen() const { return m_bReceiverOpen; }
    // ExtIoGetBandwidth: learns the bands unless inside a data call, the turn
    // is another thread's or the stream runs; never waits.
    void LearnBandsIfFree();

    void ToggleAttenuator();
    void ToggleDithering();
    void ToggleNoiseBlanker();

    void RefreshControls();
    // Unload: the window's destruction, done without a message to the window
    // when this thread does not own it or the process is ending.
    void ShutDown(bool processExiting);
    // Records the wish; returns once the panel's thread has applied it, or
    // (inside a data call, or after a second's wait for that thread) once
    // it is asked to.
    void ShowPanel(int show);
    void OnSampleChosen();
    int OnLevelSpin(int delta);
    void OpenDocumentation();

    // DialogEvents
    int OnInitDialog(platform::WindowId dialog) override;
    void OnCommand(int controlId, int notification) override;
    int OnSpinDelta(int controlId, int delta) override;
    void OnCloseRequest() override;
    void OnVisibilityChanged(int shown, int status) override;
    void OnPanelDestroy() override;
    void OnPanelRequest(int request) override;

    const MyButton& SampleButton() const { return m_SampleButton; }

private:
    using Wishes = WishedSettings::Wishes;
    using Value = WishedSettings::Value;

    // One operation's turn; false once unloading began.
    class Turn {
    public:
        explicit Turn(ReceiverPanel& panel) : m_wishes(panel.m_wishes), m_nDepth(m_wishes.Enter()) {}
        ~Turn() {
            if (m_nDepth != 0) m_wishes.Leave();
        }
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;
        explicit operator bool() const { return m_nDepth != 0; }

    private:
        WishedSettings& m_wishes;
        int m_nDepth;
    };

    // The settings a request wishes values for. Wishes of one request are
    // applied in this order: the record before the changes SetExPara makes,
    // the stream's start before its tuning.
    enum Setting : int {
        kRecordSetting,  // the host's whole record
        kStreamSetting,
        kFrequencySetting,
        kRateSetting,
        kLevelOffsetSetting,
        kAttenuatorSetting,
        kDitherSetting,
        kNoiseBlankerSetting,
        kSettingCount
    };
    // The message by which the host hears of a setting's change, if any.
    static bool EventOf(int setting, HostEvent& event);
    // The record's field of a switch setting (attenuator, dithering, noise blanker).
    static std::uint8_t ExParaBlock::*SwitchField(int setting);
    // A switch's value as the request stores it: without a receiver only a
    // toggle stores, so another request wishes the value as asked before it.
    Value SwitchWish(const Wishes& wishes, int setting, std::uint32_t on, bool toggle) const;
    void ChangeSwitch(int setting, std::uint32_t on, bool toggle);

    // What a request made on a thread that waits carries to its apply.
    struct RequestContext : WishedSettings::Context {
        // The record as asked at the request's place: where its messages go
        // and whether the samples are scaled.
        ExParaBlock record{};
        // The host's record that the request stores.
        ExParaBlock stored{};
        // Set once its start applied: its tuning follows, to the frequency in force.
        mutable bool started = false;
    };

    // Brings the receiver in line with a request, on the thread with the turn.
    class WishApplier : public WishedSettings::Applier {
    public:
        explicit WishApplier(ReceiverPanel& panel) : m_panel(panel) {}
        void Take(int setting) override;
        void Apply(int setting, Value value, const WishedSettings::Context* context) override;
        void Leave(int setting, const WishedSettings::Context* context) override;
        // Readers see what the operation changed once it ends.
        void AtTheEnd() override { PublishRecord(); }

    private:
        ReceiverPanel& m_panel;
    };

    // Writes the request's wishes (write(Wishes&), under the wishes' lock)
    // and applies them in its turn; from inside a data call (on the driver's
    // thread, which a stop waits for) it only wishes, and the panel's thread
    // is asked to catch up.
    template <typename Write>
    void Request(Write write, const ExParaBlock* stored = nullptr) {
        const bool insideDataCall = hostCallback.InsideDataCall();
        RequestContext context;
        const auto writeAndTell = [&](Wishes& wishes) {
            write(wishes);
            context.record = WishedRecord(wishes);
            if (stored != nullptr) context.stored = *stored;
            PostForOvertaken(wishes.Overtook());
        };
        if (m_wishes.Request(writeAndTell, !insideDataCall, &context).sets != 0 && insideDataCall) RequestCatchUp();
    }
    // An overtaken request still posts its message, with the value stored;
    // under the wishes' lock, so that nothing is posted once the unload began.
    void PostForOvertaken(WishedSettings::Settings overtaken);
    // One posted request makes the panel's thread apply the wishes and
    // refresh the controls, however many changes come before it runs.
    void RequestCatchUp();

    // Under the wishes' lock: the record as the requests so far asked for it,
    // and the sample mode they asked the receiver to run at.
    ExParaBlock WishedRecord(const Wishes& wishes) const;
    int WishedModeInForce(const Wishes& wishes) const;
    // The load's values become the wishes, but where a later request wished.
    void WishTheLoadedSettings();

    // The setting operations' bodies, inside the turn; their messages go as
    // the record at the request's place addresses them.
    void RunSwitchChange(int setting, std::uint32_t on, const ExParaBlock& address);
    void RunSampleModeChange(int mode, const ExParaBlock& address);
    void RunLevelOffsetChange(int decibels, const ExParaBlock& address);

    void ApplyVisibilityWish();
    // Unloading or destroyed: the receiver closed, the settings and position saved.
    void CloseAndSave();

    void BindControls(platform::WindowId dialog);
    void ShowLevel(int decibels);
    // True when this thread may update the controls itself; otherwise the
    // panel's thread has been asked to catch up.
    bool ControlsAreOurs();

    WishApplier m_applier{*this};
    WishedSettings m_wishes{kSettingCount, m_applier};
    // Under the wishes' lock: the host's latest record; a data call's being applied.
    ExParaBlock m_recordWish{};
    ExParaBlock m_recordToApply{};
    // Whether the wished attenuator, dithering, noise blanker and mode reach
    // the record: only an open receiver stores them.
    std::atomic<bool> m_bReceiverOpen{false};
    // The window goes because this thread unloads: its destruction closes and saves.
    bool m_bDestroyingForUnload = false;
    std::atomic<bool> m_bCatchUpRequested{false};
    // Wishes the panel's thread is applying for another thread, which the
    // unload waits out: that thread runs our code meanwhile.
    std::atomic<int> m_nShowAnswers{0};

    int m_nSpinnerId = 0;
    MyButton m_AttenuatorButton;
    MyButton m_HelpButton;
    MyButton m_SampleButton;
    MyButton m_PictureButton;
    MyButton m_DitheringButton;
    MyButton m_NoiseBlankerButton;
    int m_nLevelLabelId = 0;
    // The wished visibility, as SetWindowPos's show or hide flag.
    std::atomic<std::uint32_t> m_nShowFlag;
    void* m_hIcon = nullptr;
};

// The page that the "?" and picture buttons open.
inline constexpr const char* kDocumentationAddress = "https://www.orvanta.com/manuals/orvanta/opensource";

}  // namespace excalibur
