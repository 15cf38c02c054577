#pragma once

namespace platform {

// The module (DLL or EXE) that holds this code and therefore the plug-in's
// resources: dialog 1000, menu 1020, bitmap 136, icons, cursor 220.
void* OwnModule();

// A cursor resource of that module, or null.
void* LoadCursorResource(int cursorId);

}  // namespace platform
