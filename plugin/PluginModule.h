#pragma once

#include "panel/ReceiverPanel.h"

namespace excalibur {

// The module-wide objects, constructed at load in this order and destroyed
// in reverse at unload.
class PluginApp {
public:
    // Start-up after construction: working directory, hand cursor, theme.
    void InitInstance();
};

extern PluginApp theApp;
extern ReceiverPanel thePanel;

// Unload: the panel's window goes first (receiver closed, settings saved).
// Safe at FreeLibrary and at process exit, on any thread.
void ShutDownModule(bool processExiting);

}  // namespace excalibur
