#pragma once

#include <array>
#include <cstddef>
#include <mutex>
#include <optional>

namespace excalibur {

// The settings of a host that keeps them itself (ExtIoSetSetting and
// ExtIoGetSetting). Once such a host has delivered anything before the
// panel's window exists, it keeps them for the rest of the load: this store
// stands in for the settings file, which is then never written, and read
// only to hand a user's settings to a host that has none of ours yet.

// The host's numbering: extended after the last, never renumbered, since
// hosts keep the values by it.
enum HostSettingIndex : int {
    kHostIdentifierIndex = 0,
    kHostSampleModeIndex,
    kHostAttenuatorIndex,
    kHostDitherIndex,
    kHostNoiseBlankerIndex,
    kHostLevelOffsetIndex,
    kHostWindowTopIndex,
    kHostWindowLeftIndex,
    kHostSettingCount
};

// Hosts keep it with the values; another text would lose every user's settings.
inline constexpr char kHostSettingsIdentifier[] = "Excalibur WR-G31DDC settings 1";
// Description and value each, terminator included.
inline constexpr std::size_t kHostSettingTextSize = 1024;

// A value by index; empty where there is none (the identifier's is its text).
using HostSettingValues = std::array<std::optional<int>, kHostSettingCount>;

class HostSettings {
public:
    // Any call makes the host the keeper. A value counts only after the
    // identifier and only as a decimal integer, terminated within
    // kHostSettingTextSize bytes; anything else is passed over.
    void Deliver(int index, const char* value);
    bool HostKeeps() const;
    // At each creation of the panel: true at the load's first when the host
    // keeps the settings but handed none of ours (a host meeting this
    // plug-in for the first time); the settings file's then become its.
    bool TakesOverTheFile();

    // As the settings file: the value delivered or written last, else the default.
    int Read(int index, int defaultValue) const;
    std::optional<int> Value(int index) const;
    void Write(int index, int value);

private:
    mutable std::mutex m_mutex;
    bool m_bHostKeeps = false;
    bool m_bIdentified = false;
    bool m_bHandedOurs = false;
    bool m_bPanelCreatedBefore = false;
    HostSettingValues m_values{};
};

extern HostSettings hostSettings;

// Fills the host's buffers (either may be null) with the index's description
// and value, at most kHostSettingTextSize bytes each; false past the last.
bool DescribeHostSetting(int index, const HostSettingValues& values, char* description, char* value);

}  // namespace excalibur
