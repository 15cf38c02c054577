#include <SoapySDR/Modules.hpp>
#include <SoapySDR/Registry.hpp>

#include <exception>

#include "soapy/DriverLibrary.h"
#include "soapy/ExcaliburDevice.h"
#include "soapy/ModuleVersion.h"

namespace excalibur::soapy {

namespace {

std::string LibraryPath(const SoapySDR::Kwargs& args) {
    const auto found = args.find("library");
    return found != args.end() ? found->second : kDefaultLibrary;
}

// Loading and binding tell whether the driver is there; opening the receiver
// here would take it from a program that has it open.
SoapySDR::KwargsList FindExcalibur(const SoapySDR::Kwargs& args) {
    const std::string path = LibraryPath(args);
    try {
        DriverLibrary probe(path);
    } catch (const std::exception&) {
        return {};
    }
    SoapySDR::Kwargs result{{"driver", kDriverKey}, {"label", std::string("WiNRADiO ") + kModel}};
    if (args.count("library") != 0) result["library"] = path;
    return {result};
}

SoapySDR::Device* MakeExcalibur(const SoapySDR::Kwargs& args) { return new ExcaliburDevice(LibraryPath(args), args); }

const SoapySDR::Registry registration(kDriverKey, &FindExcalibur, &MakeExcalibur, SOAPY_SDR_ABI_VERSION);
const SoapySDR::ModuleVersion version(kModuleVersion);

}  // namespace

}  // namespace excalibur::soapy
