#include "hostlink/HostNotifier.h"

namespace excalibur {

namespace {

std::uint32_t MessageNumberOf(const ExParaBlock& block, HostEvent event) {
    switch (event) {
        case HostEvent::Panel: return block.msgPanel;
        case HostEvent::Attenuator: return block.msgAttenuator;
        case HostEvent::Dither: return block.msgDither;
        case HostEvent::NoiseBlanker: return block.msgNoiseBlanker;
        case HostEvent::SampleMode: return block.msgSampleMode;
        case HostEvent::LevelOffset: return block.msgLevelOffset;
    }
    return 0;
}

std::uintptr_t StoredValueOf(const ExParaBlock& block, HostEvent event) {
    switch (event) {
        case HostEvent::Panel: return block.panelVisible;
        case HostEvent::Attenuator: return block.attenuator;
        case HostEvent::Dither: return block.dither;
        case HostEvent::NoiseBlanker: return block.noiseBlanker;
        case HostEvent::SampleMode: return block.sampleMode;
        case HostEvent::LevelOffset: return static_cast<std::uintptr_t>(static_cast<std::intptr_t>(block.levelOffset));
    }
    return 0;
}

}  // namespace

void NotifyHost(HostEvent event, std::uintptr_t value, platform::WindowId panelWindow, const ExParaBlock& address) {
    // A host that reads the record on the message finds the change in it.
    PublishRecord();
    const platform::WindowId window = address.hostWindow;
    const std::uint32_t message = MessageNumberOf(address, event);
    if (window == 0 || message == 0) return;
    platform::PostToWindow(window, message, value, static_cast<std::intptr_t>(panelWindow));
}

void NotifyHostOfStoredValue(HostEvent event, platform::WindowId panelWindow, const ExParaBlock* address) {
    const ExParaBlock record = PublishedRecord();
    const ExParaBlock& to = address != nullptr ? *address : record;
    const std::uint32_t message = MessageNumberOf(to, event);
    if (to.hostWindow == 0 || message == 0) return;
    platform::PostToWindow(to.hostWindow, message, StoredValueOf(record, event),
                           static_cast<std::intptr_t>(panelWindow));
}

void NotifyPanelShown(std::uint8_t shown, platform::WindowId panelWindow) {
    const PanelNoticeAddress address = StorePanelVisibility(shown);
    if (address.hostWindow == 0 || address.msgPanel == 0) return;
    platform::PostToWindow(address.hostWindow, address.msgPanel, shown, static_cast<std::intptr_t>(panelWindow));
}

}  // namespace excalibur
