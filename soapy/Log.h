#pragma once

#include <SoapySDR/Logger.hpp>

#include <stdexcept>
#include <string>

namespace excalibur::soapy {

// Messages go through SoapySDR::log, which hands every message to the
// program's log handler (SoapySDR::logf drops those below the log level).
inline void Warn(const std::string& message) { SoapySDR::log(SOAPY_SDR_WARNING, message); }
inline void LogError(const std::string& message) { SoapySDR::log(SOAPY_SDR_ERROR, message); }

// "excalibur: the driver's CALL failed (WHAT)".
inline std::string CallFailed(const std::string& call, const std::string& what) {
    return "excalibur: the driver's " + call + " failed (" + what + ")";
}

// Logs the message as an error and throws it.
[[noreturn]] inline void Fail(const std::string& message) {
    LogError(message);
    throw std::runtime_error(message);
}

}  // namespace excalibur::soapy
