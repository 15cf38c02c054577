#include "host/LoadedModule.h"

#include <dlfcn.h>

namespace host {

LoadedModule::~LoadedModule() { Unload(); }

bool LoadedModule::Load(const std::string& path, std::string& error) {
    Unload();
    // A bare file name means the file in the working directory, as the user
    // typed it, not a search of the system's library folders.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    dlerror();
    handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = dlerror();
        error = reason ? reason : "unknown dlopen failure";
        return false;
    }
    return true;
}

void* LoadedModule::Resolve(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

void LoadedModule::Unload() {
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = nullptr;
}

}  // namespace host
