#include "host/WindowCapture.h"

namespace host {

bool CanCaptureWindows() { return false; }

std::optional<PanelImage> CapturePanel(const PanelCaptureRequest&, std::string& error) {
    error = "--screenshot needs the Windows build: the native build's windows have no pixels";
    return std::nullopt;
}

}  // namespace host
