#pragma once

namespace excalibur::soapy {

// The project's version, given by the build.
inline constexpr const char* kModuleVersion = EXCALIBUR_MODULE_VERSION;

}  // namespace excalibur::soapy
