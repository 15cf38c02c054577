#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <utility>

#include "panel/OperationLock.h"
#include "panel/PanelDialog.h"
#include "panel/PendingOperations.h"
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
// driver's. Operations run one at a time under the operation lock, with the
// host's status calls inside them; reads take only the published record.
// An operation asked for from inside a data callback is queued, not waited
// for. Controls are changed on the panel's thread only; another thread asks
// it for one refresh.
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
    void ShutDown(bool withoutMessages);
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
    // One operation's hold of the lock. The outermost one publishes the
    // record and runs the operations queued meanwhile before it lets go.
    class Lock {
    public:
        explicit Lock(ReceiverPanel& panel);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        ReceiverPanel& m_panel;
    };

    // What may be queued from inside a data callback; one of each at most.
    enum class Pending {
        Start,
        Stop,
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
    // On the driver's thread inside a data call: queues the operation and
    // returns true; elsewhere false, and the caller runs it.
    // The operation is wrapped only when it is queued: elsewhere this costs a check.
    template <typename Operation>
    bool QueuedFromStream(Pending kind, Operation&& operation) {
        if (!hostCallback.InsideDataCall()) return false;
        Queue(kind, std::forward<Operation>(operation));
        return true;
    }
    void Queue(Pending kind, std::function<void()> operation);
    void RunPendingOperations();

    void BindControls(platform::WindowId dialog);
    void ShowLevel(int decibels);
    // True when this thread may update the controls itself; otherwise the
    // panel's thread has been asked to refresh them.
    bool ControlsAreOurs();

    OperationLock m_operations;
    int m_nOperationDepth = 0;  // changed only under m_operations
    PendingOperations m_pending;
    std::atomic<bool> m_refreshRequested{false};

    int m_nSpinnerId = 0;
    MyButton m_AttenuatorButton;
    MyButton m_HelpButton;
    MyButton m_SampleButton;
    MyButton m_PictureButton;
    MyButton m_DitheringButton;
    MyButton m_NoiseBlankerButton;
    int m_nLevelLabelId = 0;
    std::uint32_t m_nShowFlag;
    void* m_hIcon = nullptr;
};

// The page that the "?" and picture buttons open.
inline constexpr const char* kDocumentationAddress = "https://www.orvanta.com/manuals/orvanta/opensource";

}  // namespace excalibur
