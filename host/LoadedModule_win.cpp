#include "host/LoadedModule.h"

#include <windows.h>

namespace host {
namespace {

std::string SystemMessage(DWORD code) {
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    if (message.empty()) message = "system error " + std::to_string(code);
    return message;
}

}  // namespace

LoadedModule::~LoadedModule() { Unload(); }

bool LoadedModule::Load(const std::string& path, std::string& error) {
    Unload();
    // A missing library is reported on stderr, not in a dialog box.
    DWORD previousMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
    HMODULE module = LoadLibraryA(path.c_str());
    const DWORD code = GetLastError();
    SetThreadErrorMode(previousMode, nullptr);
    if (module == nullptr) {
        error = SystemMessage(code);
        return false;
    }
    handle_ = module;
    return true;
}

void* LoadedModule::Resolve(const char* name) const {
    if (handle_ == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void LoadedModule::Unload() {
    if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

}  // namespace host
