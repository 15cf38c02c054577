#include "platform/DynamicLibrary.h"

#include <windows.h>

namespace platform {

LibraryHandle LoadLibraryByName(const char* fileName) {
    // A missing library is an ordinary result here, not a reason for a dialog.
    DWORD previous = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous);
    HMODULE module = LoadLibraryA(fileName);
    SetThreadErrorMode(previous, nullptr);
    return module;
}

void* ResolveSymbol(LibraryHandle library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void FreeLibraryHandle(LibraryHandle library) { FreeLibrary(static_cast<HMODULE>(library)); }

}  // namespace platform
