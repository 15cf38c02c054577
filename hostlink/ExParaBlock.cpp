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

ExParaBlock PublishedRecord() {
    std::lock_guard lock(publishedMutex);
    return published;
}

}  // namespace excalibur
