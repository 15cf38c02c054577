// An ExtIO plug-in for testing hosts that has every call extio-host can use:
// the standard exports, the extended ones with the shared record and posted
// notifications, and the optional sample-rate and attenuator calls. Sample
// modes 0..4 are 48, 96, 192, 384 and 768 kHz; the attenuator takes 21 dB.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/CallingConvention.h"
#include "hostlink/ExParaBlock.h"
#include "tests/host_fixture/FixtureExport.h"
#include "tests/host_fixture/ToneStream.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include "platform/WindowTypes.h"
#endif

namespace {

constexpr int rates[] = {48000, 96000, 192000, 384000, 768000};
constexpr float attenuationDb[] = {0.0f, -21.0f};

fixture::ToneStream stream;
excalibur::ExParaBlock record = [] {
    excalibur::ExParaBlock initial{};
    initial.sampleMode = 1;
    return initial;
}();

void Notify(std::uint32_t message, std::uint32_t value) {
    if (record.hostWindow == 0 || message == 0) return;
#if defined(_WIN32)
    PostMessageA(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(record.hostWindow)), message, value, 0);
#else
    platform::PostToWindow(record.hostWindow, message, value, 0);
#endif
}

void SelectMode(int mode) {
    mode = std::clamp(mode, 0, 4);
    const bool running = stream.Running();
    stream.Stop();
    stream.sampleRate.store(rates[mode]);
    record.sampleMode = static_cast<std::uint8_t>(mode);
    if (fixture::HostCallback host = stream.callback.load()) host(-1, 100, 0.0f, nullptr);
    if (running) stream.Start();
}

void ApplyAttenuator(bool on) {
    record.attenuator = on ? 1 : 0;
    stream.gain.store(static_cast<float>(std::pow(10.0, attenuationDb[on ? 1 : 0] / 20.0)));
}

}  // namespace

fixture::ToneStream& fixture::Stream() { return stream; }

const char* fixture::PluginName() { return "Extended"; }

FIXTURE_EXPORT void EXCALIBUR_STDCALL InitExtIOPara(excalibur::ExParaBlock* block) { record = *block; }

FIXTURE_EXPORT int EXCALIBUR_STDCALL GetExPara(excalibur::ExParaBlock* block) {
    *block = record;
    return 0;
}

FIXTURE_EXPORT void EXCALIBUR_STDCALL SetExPara(excalibur::ExParaBlock* block) { record = *block; }

FIXTURE_EXPORT void EXCALIBUR_STDCALL SetAtt(int on) {
    ApplyAttenuator(on != 0);
    Notify(record.msgAttenuator, record.attenuator);
}

FIXTURE_EXPORT void EXCALIBUR_STDCALL SetDither(int on) {
    record.dither = on ? 1 : 0;
    Notify(record.msgDither, record.dither);
}

FIXTURE_EXPORT void EXCALIBUR_STDCALL SetNB(int on) {
    record.noiseBlanker = on ? 1 : 0;
    Notify(record.msgNoiseBlanker, record.noiseBlanker);
}

FIXTURE_EXPORT void EXCALIBUR_STDCALL SetLevelOffset(int db) {
    record.levelOffset = static_cast<std::int16_t>(std::clamp(db, -200, 200));
    Notify(record.msgLevelOffset, static_cast<std::uint32_t>(static_cast<std::int32_t>(record.levelOffset)));
}

FIXTURE_EXPORT void EXCALIBUR_STDCALL SetSamples(int mode) {
    if (mode == record.sampleMode) return;
    SelectMode(mode);
    Notify(record.msgSampleMode, record.sampleMode);
}

FIXTURE_EXPORT void EXCALIBUR_STDCALL VersionInfo(const char*, int, int) {}

FIXTURE_EXPORT int EXCALIBUR_STDCALL ExtIoGetSrates(int index, double* rate) {
    if (index < 0 || index >= static_cast<int>(std::size(rates))) return 1;
    *rate = rates[index];
    return 0;
}

FIXTURE_EXPORT int EXCALIBUR_STDCALL ExtIoGetActualSrateIdx() { return record.sampleMode; }

FIXTURE_EXPORT int EXCALIBUR_STDCALL ExtIoSetSrate(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(rates))) return 1;
    SelectMode(index);
    return 0;
}

FIXTURE_EXPORT int EXCALIBUR_STDCALL GetAttenuators(int index, float* db) {
    if (index < 0 || index >= static_cast<int>(std::size(attenuationDb))) return 1;
    *db = attenuationDb[index];
    return 0;
}

FIXTURE_EXPORT int EXCALIBUR_STDCALL GetActualAttIdx() { return record.attenuator ? 1 : 0; }

FIXTURE_EXPORT int EXCALIBUR_STDCALL SetAttenuator(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(attenuationDb))) return 1;
    ApplyAttenuator(index == 1);
    return 0;
}
