#pragma once

#include <atomic>
#include <cstdint>

#include "panel/OperationSequence.h"
#include "panel/PanelDialog.h"
#include "hostlink/ExParaBlock.h"
#include "receiver/ReceiverDevice.h"
#include "widgets/MyButton.h"

namespace excalibur {

// The plug-in's one window and, through its second base, the one receiver
// device. Every setting change, whatever its source, runs through one of its
// five setting operations: device, host message, control refresh.
//
// Threads (docs/threads.md): the exports run on any of the host's threads,
// the window's handlers on the panel's thread, the stream handler on the
// driver's. Requests run one at a time in the order made, with the host's
// status calls inside them; one made from inside a data callback is queued,
// not waited for. Reads take only the published record. Controls are
// changed on the panel's thread only; another thread asks it to catch up.
// Showing and hiding never wait for an operation: they record the wished
// visibility, which the panel's thread applies as it stands.
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
    using Settings = OperationSequence::Settings;

    // One operation's turn in the sequence; false once unloading began.
    class Turn {
    public:
        explicit Turn(ReceiverPanel& panel, Settings sets = 0)
            : m_sequence(panel.m_operations), m_nDepth(m_sequence.Enter(sets)) {}
        // Readers see what the operation changed once it ends.
        ~Turn() {
            if (m_nDepth != 0) m_sequence.Leave(&PublishRecord);
        }
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;
        explicit operator bool() const { return m_nDepth != 0; }

    private:
        OperationSequence& m_sequence;
        int m_nDepth;
    };

    // What a request sets: an older queued request no longer sets it.
    enum Setting : Settings {
        kStreamSetting = 1u << 0,
        kTuningSetting = 1u << 1,
        kAttenuatorSetting = 1u << 2,
        kDitherSetting = 1u << 3,
        kNoiseBlankerSetting = 1u << 4,
        kSampleModeSetting = 1u << 5,
        kLevelOffsetSetting = 1u << 6,
        // The record's other fields: host window, message numbers.
        kHostFieldsSetting = 1u << 7,
        kRecordSettings = kAttenuatorSetting | kDitherSetting | kNoiseBlankerSetting | kSampleModeSetting |
                          kLevelOffsetSetting | kHostFieldsSetting
    };

    // Runs the body, called with the settings still its own, as a request:
    // from inside a data call (on the driver's thread, which a stop waits
    // for) it is queued; otherwise it waits for its turn.
    template <typename Body>
    void Request(Settings sets, Body body) {
        if (hostCallback.InsideDataCall()) {
            if (m_operations.Queue(sets, body)) RequestCatchUp();
            return;
        }
        Turn turn(*this, sets);
        if (turn) body(sets);
    }
    // One posted request makes the panel's thread run the queue and refresh
    // the controls, however many changes come before it runs.
    void RequestCatchUp();

    // The setting operations' bodies, inside a request's turn; the plug-in's
    // own nesting calls them, so that it takes nothing from queued requests.
    void RunAttenuatorChange(std::uint32_t on);
    void RunDitheringChange(std::uint32_t on);
    void RunNoiseBlankerChange(std::uint32_t on);
    void RunSampleModeChange(int mode, SkipWhen skip);
    void RunLevelOffsetChange(int decibels);
    // The host's record, keeping the current values of the settings that a
    // later request took from it.
    static ExParaBlock RecordKeepingLaterSettings(const ExParaBlock& block, Settings stillItsOwn);

    void ApplyVisibilityWish();
    // Unloading or destroyed: the receiver closed, the settings and position saved.
    void CloseAndSave();

    void BindControls(platform::WindowId dialog);
    void ShowLevel(int decibels);
    // True when this thread may update the controls itself; otherwise the
    // panel's thread has been asked to catch up.
    bool ControlsAreOurs();

    OperationSequence m_operations;
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
