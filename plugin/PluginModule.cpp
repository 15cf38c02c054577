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

void ShutDownModule(bool processExiting) { thePanel.ShutDown(processExiting); }

#if defined(_WIN32)
// Windows detaches the driver first at process exit; a driver library that
// honours calls until the process is gone is the driver's part.
void ShutDownBeforeTheDriverAtExit() {}
#else
// Static objects end in reverse order of construction: one made after the
// driver library was loaded ends before the driver's own at process exit, and
// at dlclose with this library's other objects.
void ShutDownBeforeTheDriverAtExit() {
    static struct ShutDownFirst {
        ~ShutDownFirst() { ShutDownModule(false); }
    } shutDownFirst;
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
