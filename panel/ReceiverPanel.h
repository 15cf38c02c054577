#pragma once

#include <cstdint>

#include "panel/PanelDialog.h"
#include "receiver/ReceiverDevice.h"
#include "widgets/MyButton.h"

namespace excalibur {

// The plug-in's one window and, through its second base, the one receiver
// device. Every setting change, whatever its source, runs through one of its
// five setting operations: device, host message, control refresh.
class ReceiverPanel : public PanelDialog, public ReceiverDevice {
public:
    ReceiverPanel();
    ~ReceiverPanel() override;

    void ChangeAttenuator(std::uint32_t on);
    void ChangeDithering(std::uint32_t on);
    void ChangeNoiseBlanker(std::uint32_t on);
    void ChangeSampleMode(int mode);
    void ChangeLevelOffset(int decibels);

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

    const MyButton& SampleButton() const { return m_SampleButton; }

private:
    void BindControls(platform::WindowId dialog);
    void ShowLevel(int decibels);

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
