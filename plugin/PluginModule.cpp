#include "plugin/PluginModule.h"

#include <cstdlib>

#include "panel/SettingsFile.h"
#include "platform/ModuleResources.h"
#include "resources/ResourceIds.h"
#include "widgets/Theme.h"

namespace excalibur {

// Construction order is declaration order within this file.
PluginApp theApp;
ReceiverPanel thePanel;

void PluginApp::InitInstance() {
    CaptureWorkingDirectory();
    theme.HandCursor = platform::LoadCursorResource(IDCUR_HAND);
    InitTheme();
}

void ShutDownModule(bool processExiting) {
    thePanel.ShutDown(processExiting);
}

#if defined(_WIN32)
// Windows detaches the driver first at process exit; a driver library that
// honours calls until the process is gone is the driver's part.
void ShutDownBeforeTheDriverAtExit() {}
#else
// Exit handlers run in reverse order of registration: one registered after
// the driver library was loaded runs before the driver's static objects end.
// At dlclose it runs with this library's other handlers.
void ShutDownBeforeTheDriverAtExit() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    std::atexit([] { ShutDownModule(false); });
}

// The shared library's load and unload, as DllMain has them on Windows:
// declared after the objects above, so it starts after them and ends first.
namespace {
struct LibraryLifetime {
    LibraryLifetime() { theApp.InitInstance(); }
    ~LibraryLifetime() { ShutDownModule(false); }
} libraryLifetime;
}  // namespace
#endif

}  // namespace excalibur
