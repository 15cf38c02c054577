#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

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
// driver's. Operations run one at a time and in order, with the host's
// status calls inside them; reads take only the published record. An
// operation asked for from inside a data callback is queued, not waited
// for. Controls are changed on the panel's thread only; another thread asks
// it to catch up. Showing and hiding never wait for an operation.
class ReceiverPanel : public PanelDialog, public ReceiverDevice {
public:
    ReceiverPanel();
    ~ReceiverPanel() override;

    // Which stored value makes ChangeSampleMode skip a request.
    enum class SkipWhen { Never, ModeStored, ModeInForce };

    void ChangeAttenuator(std::uint32_t on);
    void ChangeDithering(std::uint32_t on);
    void ChangeNoiseBlanker(std::uint32_t on);
    void ChangeSampleMode(int mode, SkipWhen skip = SkipWhen::Never);
    void ChangeLevelOffset(int decibels);

    // The exports' own operations.
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
    // One operation's turn in the sequence; false once unloading began.
    class Turn {
    public:
        explicit Turn(ReceiverPanel& panel) : m_sequence(panel.m_operations), m_nDepth(m_sequence.Enter()) {}
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

    // The kinds of request a data callback may make; a queued one is merged
    // with a later one of its kind.
    enum class Pending {
        Stream,
        Tune,
        StoreRecord,
        ApplyRecord,
        Attenuator,
        Dither,
        NoiseBlanker,
        SampleMode,
        LevelOffset,
        Show
    };
    // From inside a data call, on the driver's thread: an operation that
    // stops the stream waits for that very call, so the request is queued.
    void QueueFromStream(Pending kind, std::function<void()> request);
    // Runs the body as an operation of the kind, or queues it. A request
    // that runs now supersedes the queued ones of its kind, which are older.
    // It is wrapped for the queue only when it is queued.
    template <typename Body>
    void Operate(Pending kind, Body body) {
        if (hostCallback.InsideDataCall()) {
            QueueFromStream(kind, [this, kind, body] { Operate(kind, body); });
            return;
        }
        m_operations.Supersede(static_cast<int>(kind));
        Turn turn(*this);
        if (turn) body();
    }
    // One posted request makes the panel's thread run the queue and refresh
    // the controls, however many changes come before it runs.
    void RequestCatchUp();
    void ShowOnThisThread(int show);
    // Unloading: the receiver closed, the settings and position saved.
    void CloseAndSave();

    void BindControls(platform::WindowId dialog);
    void ShowLevel(int decibels);
    // True when this thread may update the controls itself; otherwise the
    // panel's thread has been asked to catch up.
    bool ControlsAreOurs();

    OperationSequence m_operations;
    std::atomic<bool> m_bCatchUpRequested{false};
    // Shows and hides that the panel's thread is doing for another thread.
    std::atomic<int> m_nShowAnswers{0};

    int m_nSpinnerId = 0;
    MyButton m_AttenuatorButton;
    MyButton m_HelpButton;
    MyButton m_SampleButton;
    MyButton m_PictureButton;
    MyButton m_DitheringButton;
    MyButton m_NoiseBlankerButton;
    int m_nLevelLabelId = 0;
    std::atomic<std::uint32_t> m_nShowFlag;
    void* m_hIcon = nullptr;
};

// The page that the "?" and picture buttons open.
inline constexpr const char* kDocumentationAddress = "https://www.orvanta.com/manuals/orvanta/opensource";

}  // namespace excalibur
