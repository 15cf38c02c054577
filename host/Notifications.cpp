#include "host/Notifications.h"

#include <cstdio>

namespace host {

std::string HostMessageNumbers::NameOf(std::uint32_t message) const {
    if (message == panel) return "panel";
    if (message == attenuator) return "attenuator";
    if (message == dither) return "dither";
    if (message == noiseBlanker) return "noise blanker";
    if (message == sampleMode) return "sample mode";
    if (message == levelOffset) return "level offset";
    char text[32];
    std::snprintf(text, sizeof text, "message 0x%04X", static_cast<unsigned>(message));
    return text;
}

void HostMessageNumbers::WriteInto(excalibur::ExParaBlock& block, std::uint32_t hostWindow) const {
    block.hostWindow = hostWindow;
    block.msgPanel = panel;
    block.msgAttenuator = attenuator;
    block.msgDither = dither;
    block.msgNoiseBlanker = noiseBlanker;
    block.msgSampleMode = sampleMode;
    block.msgLevelOffset = levelOffset;
}

std::string NotificationLog::Describe(const Notification& notification, const HostMessageNumbers& numbers) {
    // wParam travels as 32 bits; the level offset is a signed value in it.
    const auto raw = static_cast<std::uint32_t>(notification.wParam);
    char value[48];
    if (notification.message == numbers.levelOffset)
        std::snprintf(value, sizeof value, "%d", static_cast<int>(static_cast<std::int32_t>(raw)));
    else
        std::snprintf(value, sizeof value, "%u", static_cast<unsigned>(raw));
    char line[160];
    std::snprintf(line, sizeof line, "%7.3f s  %-13s wParam=%-6s lParam=0x%08llX", notification.secondsSinceStart,
                  numbers.NameOf(notification.message).c_str(), value,
                  static_cast<unsigned long long>(static_cast<std::uintptr_t>(notification.lParam)));
    return line;
}

}  // namespace host
