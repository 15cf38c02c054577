#include "hostlink/ExParaBlock.h"

#include <mutex>

namespace excalibur {

ExParaBlock exPara{};

namespace {

// Held only for a copy: never across a call into the driver or the host.
std::mutex publishedMutex;
ExParaBlock published{};

}  // namespace

void PublishRecord() {
    std::lock_guard lock(publishedMutex);
    published = exPara;
}

ExParaBlock ReplaceRecord(const ExParaBlock& block) {
    std::lock_guard lock(publishedMutex);
    const ExParaBlock old = exPara;
    exPara = block;
    return old;
}

PanelNoticeAddress StorePanelVisibility(std::uint8_t shown) {
    std::lock_guard lock(publishedMutex);
    exPara.panelVisible = shown;
    published.panelVisible = shown;
    return {exPara.hostWindow, exPara.msgPanel};
}

ExParaBlock PublishedRecord() {
    std::lock_guard lock(publishedMutex);
    return published;
}

}  // namespace excalibur
