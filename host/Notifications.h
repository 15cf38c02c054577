#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hostlink/ExParaBlock.h"

namespace host {

// The host's message numbers, one per event, from WM_APP + 1 on.
struct HostMessageNumbers {
    static constexpr std::uint32_t windowsApp = 0x8000;  // WM_APP
    std::uint32_t panel = windowsApp + 1;
    std::uint32_t attenuator = windowsApp + 2;
    std::uint32_t dither = windowsApp + 3;
    std::uint32_t noiseBlanker = windowsApp + 4;
    std::uint32_t sampleMode = windowsApp + 5;
    std::uint32_t levelOffset = windowsApp + 6;

    bool IsOurs(std::uint32_t message) const { return message >= panel && message <= levelOffset; }
    // "attenuator", "level offset", ...; "message 0x...." for another number.
    std::string NameOf(std::uint32_t message) const;
    // The window and message numbers written into the plug-in's record.
    void WriteInto(excalibur::ExParaBlock& block, std::uint32_t hostWindow) const;
};

struct Notification {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    double secondsSinceStart;
};

// What the plug-in posted, in arrival order; the host's main thread only.
class NotificationLog {
public:
    void Add(const Notification& notification) { entries_.push_back(notification); }
    const std::vector<Notification>& Entries() const { return entries_; }

    // One line: name, wParam (signed for the level offset), lParam in hex.
    static std::string Describe(const Notification& notification, const HostMessageNumbers& numbers);

private:
    std::vector<Notification> entries_;
};

}  // namespace host
