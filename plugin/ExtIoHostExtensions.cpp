// The optional calls that common ExtIO hosts use for sample rates, their
// usable bandwidth and the attenuator. Each change goes through the same
// setting operation as the panel and the extended exports, so the panel, the
// host's notifications and the settings file see these changes like any other.
#include <iterator>

#include "hostlink/ExParaBlock.h"
#include "plugin/ExtIoExport.h"
#include "plugin/PluginModule.h"
#include "receiver/Ddc1Bandwidths.h"
#include "receiver/ReceiverDevice.h"
#include "receiver/ReceiverDriver.h"
#include "receiver/SampleModes.h"

using namespace excalibur;

namespace {

constexpr int kUnknownIndex = 1;
constexpr int kNotApplied = 1;
// Attenuator steps, ascending: index 0 is the attenuator on.
constexpr float kAttenuatorSteps[] = {-static_cast<float>(driver::kAttenuatorDecibels), 0.0f};
constexpr int kAttenuatorOnIndex = 0;
constexpr int kAttenuatorOffIndex = 1;
constexpr int kAttenuatorStepCount = static_cast<int>(std::size(kAttenuatorSteps));

}  // namespace

EXTIO_EXPORT int EXCALIBUR_STDCALL ExtIoGetSrates(int index, double* rate) {
    if (index < 0 || index >= kSampleModeCount || rate == nullptr) return kUnknownIndex;
    *rate = SampleModeTable[index].sampleRate;
    return 0;
}

// The rate the receiver runs at, which a record stored by SetExPara does not change.
EXTIO_EXPORT int EXCALIBUR_STDCALL ExtIoGetActualSrateIdx() {
    // The rate in force is always one of the modes' rates.
    return SampleModeOfRate(sampleRate);
}

// Without a receiver the operation still posts and refreshes, but nothing changed.
EXTIO_EXPORT int EXCALIBUR_STDCALL ExtIoSetSrate(int index) {
    if (index < 0 || index >= kSampleModeCount) return kUnknownIndex;
    return Guarded(
        [&] {
            // Compared with the rate in force: a record stored by SetExPara may name another.
            thePanel.ChangeSampleMode(index, ReceiverPanel::SkipWhen::ModeInForce);
            return thePanel.ReceiverOpen() ? 0 : kNotApplied;
        },
        kUnknownIndex);
}

// Hosts ask while they build their rate list and inside the rate change's
// status call, where the stream is stopped and the bands can be learned.
EXTIO_EXPORT std::int32_t EXCALIBUR_STDCALL ExtIoGetBandwidth(int index) {
    return Guarded(
        [&] {
            if (!thePanel.ReceiverOpen()) return kUnknownBandwidth;
            thePanel.LearnBandsIfFree();
            return Ddc1BandwidthOfMode(index);
        },
        kUnknownBandwidth);
}

EXTIO_EXPORT int EXCALIBUR_STDCALL GetAttenuators(int index, float* decibels) {
    if (index < 0 || index >= kAttenuatorStepCount || decibels == nullptr) return kUnknownIndex;
    *decibels = kAttenuatorSteps[index];
    return 0;
}

EXTIO_EXPORT int EXCALIBUR_STDCALL GetActualAttIdx() {
    return Guarded([] { return thePanel.AttenuatorOn() ? kAttenuatorOnIndex : kAttenuatorOffIndex; }, kUnknownIndex);
}

EXTIO_EXPORT int EXCALIBUR_STDCALL SetAttenuator(int index) {
    if (index < 0 || index >= kAttenuatorStepCount) return kUnknownIndex;
    return Guarded(
        [&] {
            thePanel.ChangeAttenuator(index == kAttenuatorOnIndex ? 1u : 0u);
            return thePanel.ReceiverOpen() ? 0 : kNotApplied;
        },
        kUnknownIndex);
}

// The host's name and version change nothing the plug-in does.
EXTIO_EXPORT void EXCALIBUR_STDCALL VersionInfo(const char*, int, int) {}
