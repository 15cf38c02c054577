// The standard exports both test plug-ins share, over each one's tone stream.
#include <cstring>

#include "platform/CallingConvention.h"
#include "tests/host_fixture/FixtureExport.h"
#include "tests/host_fixture/ToneStream.h"

FIXTURE_EXPORT int EXCALIBUR_STDCALL InitHW(char* name, char* model, int* type) {
    std::strcpy(name, fixture::PluginName());
    std::memcpy(model, "Tone", sizeof "Tone");
    *type = 7;
    return 1;
}

FIXTURE_EXPORT int EXCALIBUR_STDCALL OpenHW() { return 1; }

FIXTURE_EXPORT int EXCALIBUR_STDCALL StartHW(int frequency) {
    fixture::Stream().loFrequency.store(frequency);
    fixture::Stream().Start();
    return fixture::pairsPerBlock;
}

FIXTURE_EXPORT void EXCALIBUR_STDCALL StopHW() { fixture::Stream().Stop(); }

FIXTURE_EXPORT void EXCALIBUR_STDCALL CloseHW() {}

FIXTURE_EXPORT int EXCALIBUR_STDCALL SetHWLO(int frequency) {
    fixture::Stream().loFrequency.store(frequency);
    return 0;
}

FIXTURE_EXPORT int EXCALIBUR_STDCALL GetHWLO() { return fixture::Stream().loFrequency.load(); }

FIXTURE_EXPORT int EXCALIBUR_STDCALL GetHWSR() { return fixture::Stream().sampleRate.load(); }

FIXTURE_EXPORT void EXCALIBUR_STDCALL SetCallback(fixture::HostCallback callback) {
    fixture::Stream().callback.store(callback);
}
