// The 64-bit tuning calls that hosts prefer when a plug-in has them. They
// share the one tuning of the 32-bit calls; SetHWLO64 answers as the
// extended ExtIO header has it, while SetHWLO keeps its own answer.
#include <algorithm>
#include <cstdint>

#include "plugin/ExtIoExport.h"
#include "plugin/PluginModule.h"
#include "receiver/ReceiverDevice.h"
#include "receiver/ReceiverDriver.h"

using namespace excalibur;

namespace {

// Clamped before it is narrowed, so that no frequency wraps into the range.
std::int32_t InRange(std::int64_t frequency) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(frequency, driver::kMinFrequency, driver::kMaxFrequency));
}

// 0 within the range; below it the negated minimum, above it the maximum.
std::int64_t RangeAnswer(std::int64_t frequency) {
    if (frequency < driver::kMinFrequency) return -std::int64_t{driver::kMinFrequency};
    if (frequency > driver::kMaxFrequency) return driver::kMaxFrequency;
    return 0;
}

}  // namespace

EXTIO_EXPORT int EXCALIBUR_STDCALL StartHW64(std::int64_t frequency) {
    return Guarded([&] { return thePanel.StartStream(InRange(frequency)); });
}

EXTIO_EXPORT std::int64_t EXCALIBUR_STDCALL SetHWLO64(std::int64_t frequency) {
    Guarded([&] { thePanel.TuneTo(InRange(frequency)); });
    return RangeAnswer(frequency);
}

EXTIO_EXPORT std::int64_t EXCALIBUR_STDCALL GetHWLO64() { return loFrequency; }
