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

// Once the driver library is loaded: makes the module's shutdown run before
// the driver's own end when the process exits.
void ShutDownBeforeTheDriverAtExit();

}  // namespace excalibur
