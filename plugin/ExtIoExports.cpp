// The plug-in's face to the host. Every export is a thin call into the panel
// or the device; no exception crosses this boundary.
#include <cstring>

#include "hostlink/ExParaBlock.h"
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
        const int created = thePanel.CreateOnce();
        if (created < 0) return 1;
        ShutDownBeforeTheDriverAtExit();
        if (created == 0) {
            platform::ShowModalMessage("Excalibur not ready");
            return 0;
        }
        return 1;
    });
}

EXTIO_EXPORT int EXCALIBUR_STDCALL OpenHW() { return 1; }

EXTIO_EXPORT int EXCALIBUR_STDCALL StartHW(std::int32_t frequency) {
    return Guarded([&] { return thePanel.StartStream(frequency); });
}

EXTIO_EXPORT void EXCALIBUR_STDCALL StopHW() {
    Guarded([] { thePanel.StopStream(); });
}

EXTIO_EXPORT void EXCALIBUR_STDCALL HideGUI() {
    Guarded([] { thePanel.ShowPanel(platform::kShowHide); });
}
EXTIO_ALIAS(CloseHW, HideGUI);

EXTIO_EXPORT void EXCALIBUR_STDCALL ShowGUI() {
    Guarded([] { thePanel.ShowPanel(platform::kShowShow); });
}

EXTIO_EXPORT std::int32_t EXCALIBUR_STDCALL SetHWLO(std::int32_t frequency) {
    return Guarded([&] { return thePanel.TuneTo(frequency); });
}

// The reading exports take no lock: a host may call them from inside its
// callback on the stream thread while another thread stops the stream.
EXTIO_EXPORT std::int32_t EXCALIBUR_STDCALL GetHWLO() { return loFrequency; }
EXTIO_ALIAS(GetTune, GetHWLO);

EXTIO_EXPORT std::int32_t EXCALIBUR_STDCALL GetHWSR() { return static_cast<std::int32_t>(sampleRate); }

EXTIO_EXPORT void EXCALIBUR_STDCALL GetFilters(int*, int*, int*) {}

EXTIO_EXPORT char EXCALIBUR_STDCALL GetMode() { return 0; }

EXTIO_EXPORT int EXCALIBUR_STDCALL GetStatus() { return 0; }

EXTIO_EXPORT void EXCALIBUR_STDCALL IFLimitsChanged(std::int32_t, std::int32_t) {}

EXTIO_EXPORT void EXCALIBUR_STDCALL SetCallback(HostCallback callback) { hostCallback.Replace(callback); }

EXTIO_EXPORT void EXCALIBUR_STDCALL RawDataReady(std::int32_t, void*, void*, int) {}

EXTIO_EXPORT void EXCALIBUR_STDCALL TuneChanged(std::int32_t) {}
EXTIO_ALIAS(ModeChanged, TuneChanged);

EXTIO_EXPORT void EXCALIBUR_STDCALL InitExtIOPara(const ExParaBlock* block) {
    if (block == nullptr) return;
    Guarded([&] { thePanel.StoreRecord(*block); });
}

EXTIO_EXPORT platform::WindowId EXCALIBUR_STDCALL GetExPara(ExParaBlock* block) {
    if (block == nullptr) return thePanel.Window();
    return Guarded([&] { return thePanel.CopyRecordTo(*block); });
}

EXTIO_EXPORT void EXCALIBUR_STDCALL SetExPara(const ExParaBlock* block) {
    if (block == nullptr) return;
    Guarded([&] { thePanel.ApplyRecord(*block); });
}

EXTIO_EXPORT void EXCALIBUR_STDCALL SetSamples(int mode) {
    Guarded([&] { thePanel.ChangeSampleMode(mode, ReceiverPanel::SkipWhen::ModeStored); });
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
