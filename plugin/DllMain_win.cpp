#include <windows.h>

#include "plugin/PluginModule.h"

// Runs under the loader lock: start-up creates no window and loads no
// library; shutdown sends the panel no message unless this thread owns it
// and the process goes on.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    try {
        if (reason == DLL_PROCESS_ATTACH) {
            excalibur::theApp.InitInstance();
        } else if (reason == DLL_PROCESS_DETACH) {
            excalibur::ShutDownModule(reserved != nullptr);
        }
    } catch (...) {
        return reason == DLL_PROCESS_ATTACH ? FALSE : TRUE;
    }
    return TRUE;
}
