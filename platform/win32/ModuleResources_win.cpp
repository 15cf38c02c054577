#include "platform/ModuleResources.h"

#include <windows.h>

namespace platform {

void* OwnModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&OwnModule), &module);
    return module;
}

void* LoadCursorResource(int cursorId) {
    return LoadCursorA(static_cast<HINSTANCE>(OwnModule()), MAKEINTRESOURCEA(cursorId));
}

}  // namespace platform
