// The plug-in's face to the host. Every export is a thin call into the panel
// or the device; no exception crosses this boundary.
#include <cstring>

#include "plugin/ExParaBlock.h"
#include "plugin/ExtIoExport.h"
#include "plugin/PluginModule.h"
#include "receiver/ReceiverDevice.h"

using namespace excalibur;

namespace {

constexpr int kHardwareTypeFloat32 = 7;
constexpr char kName[] = "Excalibur";
constexpr char kModel[] = "WR-G31DDC";

}  // namespace

EXTIO_EXPORT int EXCALIBUR_STDCALL InitHW(char* name, char* model, int* type) {
    return Guarded([&] {
        // A host's null pointer is skipped, not written through.
        if (type != nullptr) *type = kHardwareTypeFloat32;
        if (name != nullptr) std::memcpy(name, kName, sizeof kName);
        if (model != nullptr) std::memcpy(model, kModel, sizeof kModel);
        if (thePanel.Window() != 0) return 1;
        thePanel.CreateModeless();
        ShutDownBeforeTheDriverAtExit();
        if (thePanel.DeviceHandle() < 0) {
            platform::ShowModalMessage("Excalibur not ready");
            return 0;
        }
        return 1;
    });
}

EXTIO_EXPORT int EXCALIBUR_STDCALL OpenHW() {
    return 1;
}

EXTIO_EXPORT int EXCALIBUR_STDCALL StartHW(std::int32_t frequency) {
    return Guarded([&] {
        thePanel.Start();
        thePanel.Tune(frequency);
        return 1 << samplesPerBufferLog2;
    });
}

EXTIO_EXPORT void EXCALIBUR_STDCALL StopHW() {
    Guarded([] { thePanel.Stop(); });
}

EXTIO_EXPORT void EXCALIBUR_STDCALL HideGUI() {
    Guarded([] { thePanel.ShowPanel(0); });
}
EXTIO_ALIAS(CloseHW, HideGUI);

EXTIO_EXPORT void EXCALIBUR_STDCALL ShowGUI() {
    Guarded([] { thePanel.ShowPanel(5); });
}

EXTIO_EXPORT std::int32_t EXCALIBUR_STDCALL SetHWLO(std::int32_t frequency) {
    return Guarded([&] {
        thePanel.Tune(frequency);
        return loFrequency;
    });
}

EXTIO_EXPORT std::int32_t EXCALIBUR_STDCALL GetHWLO() {
    return loFrequency;
}
EXTIO_ALIAS(GetTune, GetHWLO);

EXTIO_EXPORT std::int32_t EXCALIBUR_STDCALL GetHWSR() {
    return static_cast<std::int32_t>(sampleRate);
}

EXTIO_EXPORT void EXCALIBUR_STDCALL GetFilters(int*, int*, int*) {}

EXTIO_EXPORT char EXCALIBUR_STDCALL GetMode() {
    return 0;
}

EXTIO_EXPORT int EXCALIBUR_STDCALL GetStatus() {
    return 0;
}

EXTIO_EXPORT void EXCALIBUR_STDCALL IFLimitsChanged(std::int32_t, std::int32_t) {}

EXTIO_EXPORT void EXCALIBUR_STDCALL SetCallback(HostCallback callback) {
    hostCallback.Replace(callback);
}

EXTIO_EXPORT void EXCALIBUR_STDCALL RawDataReady(std::int32_t, void*, void*, int) {}

EXTIO_EXPORT void EXCALIBUR_STDCALL TuneChanged(std::int32_t) {}
EXTIO_ALIAS(ModeChanged, TuneChanged);

EXTIO_EXPORT void EXCALIBUR_STDCALL InitExtIOPara(const ExParaBlock* block) {
    if (block == nullptr) return;
    std::memcpy(&exPara, block, sizeof exPara);
}

EXTIO_EXPORT platform::WindowId EXCALIBUR_STDCALL GetExPara(ExParaBlock* block) {
    if (block != nullptr) std::memcpy(block, &exPara, sizeof exPara);
    return thePanel.Window();
}

EXTIO_EXPORT void EXCALIBUR_STDCALL SetExPara(const ExParaBlock* block) {
    if (block == nullptr) return;
    Guarded([&] {
        const ExParaBlock old = exPara;
        std::memcpy(&exPara, block, sizeof exPara);
        if (exPara.levelOffset != old.levelOffset) thePanel.ChangeLevelOffset(exPara.levelOffset);
        if (exPara.attenuator != old.attenuator) thePanel.ChangeAttenuator(exPara.attenuator);
        if (exPara.dither != old.dither) thePanel.ChangeDithering(exPara.dither);
        if (exPara.noiseBlanker != old.noiseBlanker) thePanel.ChangeNoiseBlanker(exPara.noiseBlanker);
    });
}

EXTIO_EXPORT void EXCALIBUR_STDCALL SetSamples(int mode) {
    Guarded([&] {
        if (mode != static_cast<int>(exPara.sampleMode)) thePanel.ChangeSampleMode(mode);
    });
}

EXTIO_EXPORT void EXCALIBUR_STDCALL SetAtt(int on) {
    Guarded([&] { thePanel.ChangeAttenuator(static_cast<std::uint32_t>(on)); });
}

EXTIO_EXPORT void EXCALIBUR_STDCALL SetDither(int on) {
    Guarded([&] { thePanel.ChangeDithering(static_cast<std::uint32_t>(on)); });
}

EXTIO_EXPORT void EXCALIBUR_STDCALL SetNB(int on) {
    Guarded([&] { thePanel.ChangeNoiseBlanker(static_cast<std::uint32_t>(on)); });
}

EXTIO_EXPORT void EXCALIBUR_STDCALL SetLevelOffset(int decibels) {
    Guarded([&] { thePanel.ChangeLevelOffset(decibels); });
}
