// A bare ExtIO plug-in for testing hosts: the standard exports only, no
// panel, no extended or optional calls, 96 kHz.

#include "platform/CallingConvention.h"
#include "tests/host_fixture/FixtureExport.h"
#include "tests/host_fixture/ToneStream.h"

namespace {

fixture::ToneStream stream;

}  // namespace

fixture::ToneStream& fixture::Stream() { return stream; }

const char* fixture::PluginName() { return "Minimal"; }

FIXTURE_EXPORT int EXCALIBUR_STDCALL GetStatus() { return 0; }
