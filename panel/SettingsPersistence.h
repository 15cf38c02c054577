#pragma once

#include "hostlink/ExParaBlock.h"

namespace excalibur {

// The front-end settings and the panel's position in the settings file.
// The five settings belong to the host once it has given its window
// (hostWindow non-zero): then they are neither loaded nor saved.

// Replaces the five settings of block by those of the file, masked and
// range-checked, when block.hostWindow is 0; otherwise does nothing.
void LoadParameterSettings(ExParaBlock& block);

// Writes the five settings of block to the file when block.hostWindow is 0.
void SaveParameterSettings(const ExParaBlock& block);

struct WindowPosition {
    int top;
    int left;
};

// The stored top-left corner; each coordinate falls back to the given one.
WindowPosition ReadWindowPosition(WindowPosition current);

void WriteWindowPosition(WindowPosition position);

}  // namespace excalibur
