#include <dlfcn.h>

#include <string>

#include "platform/DynamicLibrary.h"

namespace platform {
namespace {

std::string NativeFileName(const char* fileName) {
    std::string name = fileName;
    const std::string windowsSuffix = ".dll";
    if (name.size() > windowsSuffix.size() &&
        name.compare(name.size() - windowsSuffix.size(), windowsSuffix.size(), windowsSuffix) == 0) {
        name.replace(name.size() - windowsSuffix.size(), windowsSuffix.size(), ".so");
    }
    return name;
}

// Where this shared library lies: the plug-in, the simulator and the host
// share one output folder, as the Windows DLLs share the host's folder.
std::string OwnFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&OwnFolder), &info) == 0 || info.dli_fname == nullptr) return {};
    std::string path = info.dli_fname;
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string{} : path.substr(0, slash + 1);
}

}  // namespace

LibraryHandle LoadLibraryByName(const char* fileName) {
    const std::string name = NativeFileName(fileName);
    const std::string besideUs = OwnFolder() + name;
    if (void* handle = dlopen(besideUs.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
    return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* ResolveSymbol(LibraryHandle library, const char* name) { return library ? dlsym(library, name) : nullptr; }

void FreeLibraryHandle(LibraryHandle library) {
    if (library) dlclose(library);
}

}  // namespace platform
