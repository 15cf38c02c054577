#pragma once

namespace testsupport {

// Puts the plug-in's module-wide values (the shared record, the tuned
// frequency, the stream's rate and block settings, the host callback) back
// to what loading the plug-in leaves, for tests that run the core in-process.
void ResetModuleState();

}  // namespace testsupport
