#pragma once

#include <string>

namespace host {

// A library loaded by path, with the system's reason when that fails.
// LoadLibraryA/GetProcAddress on Windows, dlopen/dlsym elsewhere.
class LoadedModule {
public:
    LoadedModule() = default;
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    bool Load(const std::string& path, std::string& error);
    void* Resolve(const char* name) const;
    void Unload();
    bool Loaded() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;
};

}  // namespace host
