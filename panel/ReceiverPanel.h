#pragma once

#include <cstdint>
#include <mutex>

#include "panel/PanelDialog.h"
#include "hostlink/ExParaBlock.h"
#include "receiver/ReceiverDevice.h"
#include "widgets/MyButton.h"

namespace excalibur {

// The plug-in's one window and, through its second base, the one receiver
// device. Every setting change, whatever its source, runs through one of its
// five setting operations: device, host message, control refresh.
//
// Threads: the exports run on any of the host's threads, the window's
// handlers on the panel's thread, the stream handler on the driver's. One
// recursive lock serialises every operation on the record, the device and
// the buttons' state; the stream handler never takes it. It is never held
// while the host's callback runs (status calls wait until it is released) nor
// while a window of another thread is sent to: a thread other than the
// panel's changes the state and posts the panel a request to show it.
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

    // The exports' own operations, each under the lock.
    // Creates the window unless it exists: -1 it existed, else 1 with a receiver, 0 without.
    int CreateOnce();
    int StartStream(std::int32_t frequency);
    void StopStream();
    std::int32_t TuneTo(std::int32_t frequency);
    platform::WindowId CopyRecordTo(ExParaBlock& block);
    void StoreRecord(const ExParaBlock& block);
    // SetExPara: stores the record and runs the operations of the changed settings.
    void ApplyRecord(const ExParaBlock& block);
    bool AttenuatorOn();
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
    // Holds the lock; the host's status callbacks made meanwhile on this
    // thread run once the outermost one has released it.
    class Lock {
    public:
        explicit Lock(ReceiverPanel& panel) : m_lock(panel.m_mutex) {}

    private:
        DeferredStatusCalls m_deferred;  // declared first: flushes after the unlock
        std::unique_lock<std::recursive_mutex> m_lock;
    };

    void BindControls(platform::WindowId dialog);
    void ShowLevel(int decibels);
    // True when this thread may update the controls itself; otherwise the
    // panel's thread has been asked to refresh them.
    bool ControlsAreOurs();

    std::recursive_mutex m_mutex;

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
