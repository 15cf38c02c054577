#pragma once

#include <optional>

#include "hostlink/ExParaBlock.h"
#include "panel/HostSettings.h"

namespace excalibur {

// The front-end settings and the panel's position in the settings file or,
// for a host that keeps the settings itself, in its store (HostSettings);
// "the file" below is whichever of the two holds them. The five settings
// belong to the host once it has given its window (hostWindow non-zero):
// then they are neither loaded nor saved.

// At each creation of the panel: replaces the five settings of block by
// those of the file, masked and range-checked, when block.hostWindow is 0.
// At the load's first, a host that keeps the settings but has none of ours
// takes over what the settings file holds (with a host window, only the
// position).
void LoadParameterSettings(ExParaBlock& block);

// Writes the five settings of block to the file when block.hostWindow is 0.
void SaveParameterSettings(const ExParaBlock& block);

struct WindowPosition {
    int top;
    int left;
};

// The stored top-left corner; each coordinate falls back to the given one.
WindowPosition ReadWindowPosition(WindowPosition current);

// Also kept apart from the file, for ExtIoGetSetting once the window is gone.
void WriteWindowPosition(WindowPosition position);

// What ExtIoGetSetting reports: the five settings of block as a save stores
// them, and the window's position, or without a window the one kept.
HostSettingValues SettingsInForce(const ExParaBlock& block, std::optional<WindowPosition> window);

}  // namespace excalibur
