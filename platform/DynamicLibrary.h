#pragma once

namespace platform {

using LibraryHandle = void*;

// Loads a library by its Windows file name. The Windows build suppresses the
// system's error pop-up; the native build maps "X.dll" to "X.so" and looks
// beside the calling module first. Null when the library is missing.
LibraryHandle LoadLibraryByName(const char* fileName);
void* ResolveSymbol(LibraryHandle library, const char* name);
void FreeLibraryHandle(LibraryHandle library);

}  // namespace platform
