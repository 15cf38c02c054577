#include "plugin/PluginModule.h"

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

#if !defined(_WIN32)
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
