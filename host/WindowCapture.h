#pragma once

#include <optional>
#include <string>

#include "host/RgbImage.h"
#include "platform/WindowTypes.h"

namespace host {

struct PanelCaptureRequest {
    platform::WindowId panel = 0;       // the plug-in's own word for its panel (GetExPara); 0 when unknown
    platform::WindowId hostWindow = 0;  // the host's window, never taken for the panel
    std::optional<int> hoverControlId;  // a control of the panel to show with the mouse over it
};

struct PanelImage {
    RgbImage pixels;
    // False when only the client area could be read: the window's frame and
    // caption were not part of its pixels (a window manager drew them).
    bool wholeWindow;
};

// Whether this build can read a window's pixels. The native build's headless
// window system has windows but no pixels.
bool CanCaptureWindows();

// The plug-in's panel as the screen shows it, frame and caption included:
// found among this thread's windows, checked to be shown, painted, then read
// back. Call it on the thread that made the panel.
std::optional<PanelImage> CapturePanel(const PanelCaptureRequest& request, std::string& error);

}  // namespace host
