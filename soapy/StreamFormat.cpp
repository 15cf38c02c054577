#include "soapy/StreamFormat.h"

#include <SoapySDR/Formats.hpp>

#include <cstring>
#include <stdexcept>

#include "receiver/Ddc1Conversion.h"

namespace excalibur::soapy {

namespace {

struct FormatName {
    StreamFormat format;
    const char* name;
};

constexpr FormatName kFormats[] = {
    {StreamFormat::Cs32, SOAPY_SDR_CS32},
    {StreamFormat::Cf32, SOAPY_SDR_CF32},
    {StreamFormat::Cs16, SOAPY_SDR_CS16},
};

}  // namespace

std::vector<std::string> StreamFormatNames() {
    std::vector<std::string> names;
    for (const auto& entry : kFormats) names.emplace_back(entry.name);
    return names;
}

StreamFormat ParseStreamFormat(const std::string& name) {
    for (const auto& entry : kFormats) {
        if (name == entry.name) return entry.format;
    }
    throw std::invalid_argument("excalibur: stream format " + name + " is not offered; choose CS32, CF32 or CS16");
}

void ConvertPairs(StreamFormat format, const std::int32_t* in, void* out, std::size_t pairs) {
    const std::size_t values = pairs * 2;
    switch (format) {
        case StreamFormat::Cs32: std::memcpy(out, in, values * sizeof(std::int32_t)); break;
        case StreamFormat::Cf32:
            ConvertDdc1Block(in, static_cast<float*>(out), values, static_cast<float>(1.0 / kNativeFullScale));
            break;
        case StreamFormat::Cs16: NarrowDdc1Block(in, static_cast<std::int16_t*>(out), values); break;
    }
}

}  // namespace excalibur::soapy
