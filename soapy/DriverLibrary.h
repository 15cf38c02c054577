#pragma once

#include <string>

#include "receiver/ReceiverApi.h"

namespace excalibur::soapy {

// The driver library (or the simulator), loaded and with all 32 entry points
// bound, for as long as the object lives. Construction throws
// std::runtime_error naming the library and what was missing.
class DriverLibrary {
public:
    explicit DriverLibrary(const std::string& path);
    ~DriverLibrary();
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;
    // The library stays loaded for the new object.
    DriverLibrary(DriverLibrary&& other) noexcept;

    const g31ddc::ReceiverApi& Api() const { return api; }
    const std::string& Path() const { return path; }

private:
    std::string path;
    void* handle = nullptr;
    g31ddc::ReceiverApi api;
};

}  // namespace excalibur::soapy
