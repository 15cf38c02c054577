#pragma once

#include <string>
#include <vector>

#include "host/ExtIoExports.h"
#include "host/LoadedModule.h"

namespace host {

// An ExtIO library with its entry points resolved by their undecorated names.
class PluginLibrary {
public:
    // False with a reason when the file does not load or lacks a required export.
    bool Open(const std::string& path, std::string& error);
    void Close();

    const ExtIoFunctions& Functions() const { return functions_; }
    bool HasAllExtended() const { return MissingExtended().empty(); }
    std::vector<std::string> MissingExtended() const;
    // The optional host calls (VersionInfo, ExtIoGetSrates, ...) that it has.
    std::vector<std::string> PresentHostOptional() const;

private:
    LoadedModule module_;
    ExtIoFunctions functions_;
};

}  // namespace host
