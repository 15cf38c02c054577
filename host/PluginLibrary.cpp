#include "host/PluginLibrary.h"

namespace host {

bool PluginLibrary::Open(const std::string& path, std::string& error) {
    Close();
    std::string reason;
    if (!module_.Load(path, reason)) {
        error = "cannot load plug-in '" + path + "': " + reason;
        return false;
    }
#define EXTIO_RESOLVE(name, result, parameters) \
    functions_.name = reinterpret_cast<decltype(functions_.name)>(module_.Resolve(#name));
    EXTIO_ALL_EXPORTS(EXTIO_RESOLVE)
#undef EXTIO_RESOLVE

    std::string missing;
#define EXTIO_CHECK_REQUIRED(name, result, parameters) \
    if (functions_.name == nullptr) missing += std::string(missing.empty() ? "" : ", ") + #name;
    EXTIO_REQUIRED_EXPORTS(EXTIO_CHECK_REQUIRED)
#undef EXTIO_CHECK_REQUIRED
    if (!missing.empty()) {
        error = "'" + path + "' is not an ExtIO plug-in this host can drive: it lacks " + missing;
        Close();
        return false;
    }
    return true;
}

void PluginLibrary::Close() {
    functions_ = ExtIoFunctions{};
    module_.Unload();
}

std::vector<std::string> PluginLibrary::MissingExtended() const {
    std::vector<std::string> missing;
#define EXTIO_CHECK_EXTENDED(name, result, parameters) \
    if (functions_.name == nullptr) missing.emplace_back(#name);
    EXTIO_EXTENDED_EXPORTS(EXTIO_CHECK_EXTENDED)
#undef EXTIO_CHECK_EXTENDED
    return missing;
}

std::vector<std::string> PluginLibrary::PresentHostOptional() const {
    std::vector<std::string> present;
#define EXTIO_CHECK_OPTIONAL(name, result, parameters) \
    if (functions_.name != nullptr) present.emplace_back(#name);
    EXTIO_HOST_OPTIONAL_EXPORTS(EXTIO_CHECK_OPTIONAL)
#undef EXTIO_CHECK_OPTIONAL
    return present;
}

}  // namespace host
