#include "soapy/DriverLibrary.h"

#include <dlfcn.h>

#include <stdexcept>
#include <utility>

#include "receiver/ReceiverDriver.h"

namespace excalibur::soapy {

namespace {

void* Resolve(void* library, const char* name) { return dlsym(library, name); }

}  // namespace

DriverLibrary::DriverLibrary(const std::string& libraryPath) : path(libraryPath) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        throw std::runtime_error("excalibur: cannot load the driver library " + path + ": " +
                                 (reason != nullptr ? reason : "unknown reason"));
    }
    if (const char* missing = driver::ResolveEntryPoints(api, handle, &Resolve)) {
        dlclose(handle);
        throw std::runtime_error("excalibur: the driver library " + path + " lacks the entry point " + missing);
    }
}

DriverLibrary::DriverLibrary(DriverLibrary&& other) noexcept
    : path(std::move(other.path)), handle(std::exchange(other.handle, nullptr)), api(other.api) {}

DriverLibrary::~DriverLibrary() {
    if (handle != nullptr) dlclose(handle);
}

}  // namespace excalibur::soapy
