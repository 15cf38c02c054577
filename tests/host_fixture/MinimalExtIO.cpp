// A bare ExtIO plug-in for testing hosts: the standard exports only, no
// panel, no extended or optional calls, 96 kHz.
#include <cstring>

#include "platform/CallingConvention.h"
#include "tests/host_fixture/FixtureExport.h"
#include "tests/host_fixture/ToneStream.h"

namespace {

fixture::ToneStream stream;

}  // namespace

FIXTURE_EXPORT int EXCALIBUR_STDCALL InitHW(char* name, char* model, int* type) {
    std::memcpy(name, "Minimal", sizeof "Minimal");
    std::memcpy(model, "Tone", sizeof "Tone");
    *type = 7;
    return 1;
}

FIXTURE_EXPORT int EXCALIBUR_STDCALL OpenHW() { return 1; }

FIXTURE_EXPORT int EXCALIBUR_STDCALL StartHW(int frequency) {
    stream.loFrequency.store(frequency);
    stream.Start();
    return fixture::pairsPerBlock;
}

FIXTURE_EXPORT void EXCALIBUR_STDCALL StopHW() { stream.Stop(); }

FIXTURE_EXPORT void EXCALIBUR_STDCALL CloseHW() {}

FIXTURE_EXPORT int EXCALIBUR_STDCALL SetHWLO(int frequency) {
    stream.loFrequency.store(frequency);
    return 0;
}

FIXTURE_EXPORT int EXCALIBUR_STDCALL GetHWLO() { return stream.loFrequency.load(); }

FIXTURE_EXPORT int EXCALIBUR_STDCALL GetHWSR() { return stream.sampleRate.load(); }

FIXTURE_EXPORT int EXCALIBUR_STDCALL GetStatus() { return 0; }

FIXTURE_EXPORT void EXCALIBUR_STDCALL SetCallback(fixture::HostCallback callback) { stream.callback.store(callback); }
