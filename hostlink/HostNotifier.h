#pragma once

#include <cstdint>

#include "hostlink/ExParaBlock.h"
#include "platform/WindowTypes.h"

namespace excalibur {

// Which message-number field of the record an event uses.
enum class HostEvent { Panel, Attenuator, Dither, NoiseBlanker, SampleMode, LevelOffset };

// Posts the event to the host window when both the window and the event's
// message number are set; lParam carries the panel's window. The post's
// result is ignored. Publishes the record first.
// The address is the record in force unless a request was made under another.
void NotifyHost(HostEvent event, std::uintptr_t value, platform::WindowId panelWindow,
                const ExParaBlock& address = exPara);

// Posts the event with the value the published record holds for it, from
// any thread and without waiting for an operation.
void NotifyHostOfStoredValue(HostEvent event, platform::WindowId panelWindow, const ExParaBlock* address = nullptr);

// The panel was shown or hidden: panelVisible stored and msgPanel posted,
// without waiting for an operation, since an operation may wait for this.
void NotifyPanelShown(std::uint8_t shown, platform::WindowId panelWindow);

}  // namespace excalibur
