// The calls of hosts that keep the plug-in's settings themselves (HDSDR
// keeps them per profile): values handed in before InitHW, read back before
// CloseHW. Such a host's settings never reach the settings file.
#include <optional>

#include "hostlink/ExParaBlock.h"
#include "panel/HostSettings.h"
#include "panel/SettingsPersistence.h"
#include "platform/PanelWindow.h"
#include "plugin/ExtIoExport.h"
#include "plugin/PluginModule.h"

using namespace excalibur;

namespace {

constexpr int kPastTheLast = -1;

// The panel's position as its window stands, without the window the kept one.
std::optional<WindowPosition> WindowPositionInForce(platform::WindowId window) {
    if (window == 0) return std::nullopt;
    const platform::Rect rect = platform::ScreenRect(window);
    // A window destroyed meanwhile left its last position kept.
    if (thePanel.Window() != window) return std::nullopt;
    return WindowPosition{rect.top, rect.left};
}

}  // namespace

EXTIO_EXPORT void EXCALIBUR_STDCALL ExtIoSetSetting(int index, const char* value) {
    // Only the window's creation reads them.
    if (thePanel.Window() != 0) return;
    Guarded([&] { hostSettings.Deliver(index, value); });
}

EXTIO_EXPORT int EXCALIBUR_STDCALL ExtIoGetSetting(int index, char* description, char* value) {
    return Guarded(
        [&] {
            ExParaBlock record{};
            const platform::WindowId window = thePanel.CopyRecordTo(record);
            const HostSettingValues values = SettingsInForce(record, WindowPositionInForce(window));
            return DescribeHostSetting(index, values, description, value) ? 0 : kPastTheLast;
        },
        kPastTheLast);
}
