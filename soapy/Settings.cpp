#include <algorithm>
#include <cmath>
#include <iterator>
#include <stdexcept>

#include "receiver/ReceiverDriver.h"
#include "receiver/SampleModes.h"
#include "soapy/ExcaliburDevice.h"
#include "soapy/ModuleVersion.h"

namespace excalibur::soapy {

namespace {

double FiniteValue(double value, const char* what) {
    if (!std::isfinite(value)) throw std::invalid_argument(std::string("excalibur: ") + what + " is not a number");
    return value;
}

constexpr double kAttenuatorGainDb = -static_cast<double>(driver::kAttenuatorDecibels);

// The switches the settings API reaches; each has its entry point and its
// member, so that listing, writing and reading share one table.
struct SwitchSetting {
    const char* key;
    const char* name;
    const char* description;
    g31ddc::SetDitheringFn g31ddc::ReceiverApi::*entryPoint;
};

constexpr SwitchSetting kSwitches[] = {
    {"dither", "Dithering", "ADC dithering: removes the converter's spurs", &g31ddc::ReceiverApi::SetDithering},
    {"noise_blanker", "Noise blanker", "ADC noise blanker: removes impulse noise",
     &g31ddc::ReceiverApi::SetADCNoiseBlanker},
};

static_assert(std::size(kSwitches) == kSwitchCount);

std::size_t FindSwitch(const std::string& key) {
    for (std::size_t index = 0; index < kSwitchCount; ++index) {
        if (key == kSwitches[index].key) return index;
    }
    throw std::invalid_argument("excalibur: no setting " + key + "; the settings are dither and noise_blanker");
}

bool ParseSwitch(const std::string& key, const std::string& value) {
    if (value == "true" || value == "1") return true;
    if (value == "false" || value == "0") return false;
    throw std::invalid_argument("excalibur: setting " + key + " takes true or false, not " + value);
}

std::string RateList() {
    std::string list;
    for (const auto& mode : SampleModeTable) {
        if (!list.empty()) list += ", ";
        list += std::to_string(mode.sampleRate);
    }
    return list + " Hz";
}

}  // namespace

void ExcaliburDevice::RequireReceiveChannel(int direction, std::size_t channel) {
    if (direction != SOAPY_SDR_RX || channel != 0) {
        throw std::invalid_argument("excalibur: the receiver has one channel, receive channel 0");
    }
}

ExcaliburDevice::ExcaliburDevice(const std::string& libraryPath)
    : library(libraryPath), handle(library.Api().OpenDevice(-1)) {
    if (handle < 0) {
        throw std::runtime_error("excalibur: the driver library " + libraryPath +
                                 " opened no receiver (OpenDevice failed)");
    }
    callbacks.ddc1Stream = &ExcaliburDevice::Ddc1Handler;
    ApplyDefaults();
}

ExcaliburDevice::~ExcaliburDevice() {
    std::lock_guard lock(control);
    StopDriverStream();
    driver::PowerDown(library.Api(), handle);
    library.Api().CloseDevice(handle);
}

// A driver may keep the last program's settings; the device reports what it set.
void ExcaliburDevice::ApplyDefaults() {
    const auto& api = library.Api();
    api.SetFrequency(handle, 0, static_cast<std::uint32_t>(frequency));
    api.SetAttenuator(handle, 0);
    for (const auto& setting : kSwitches) (api.*setting.entryPoint)(handle, 0);
}

std::string ExcaliburDevice::getDriverKey() const { return kDriverKey; }

std::string ExcaliburDevice::getHardwareKey() const { return kModel; }

SoapySDR::Kwargs ExcaliburDevice::getHardwareInfo() const {
    return {{"model", kModel}, {"module_version", kModuleVersion}, {"library", library.Path()}};
}

std::size_t ExcaliburDevice::getNumChannels(int direction) const { return direction == SOAPY_SDR_RX ? 1 : 0; }

std::vector<std::string> ExcaliburDevice::listAntennas(int direction, std::size_t channel) const {
    RequireReceiveChannel(direction, channel);
    return {kAntenna};
}

void ExcaliburDevice::setAntenna(int direction, std::size_t channel, const std::string& name) {
    RequireReceiveChannel(direction, channel);
    if (name != kAntenna) throw std::invalid_argument("excalibur: no antenna " + name + "; the only one is RX");
}

std::string ExcaliburDevice::getAntenna(int direction, std::size_t channel) const {
    RequireReceiveChannel(direction, channel);
    return kAntenna;
}

std::vector<std::string> ExcaliburDevice::listGains(int direction, std::size_t channel) const {
    RequireReceiveChannel(direction, channel);
    return {kAttenuatorGain};
}

// The overall gain is the attenuator's: there is no other element.
void ExcaliburDevice::setGain(int direction, std::size_t channel, double value) {
    setGain(direction, channel, kAttenuatorGain, value);
}

void ExcaliburDevice::setGain(int direction, std::size_t channel, const std::string& name, double value) {
    getGainRange(direction, channel, name);
    ApplyAttenuator(FiniteValue(value, "the gain") < kAttenuatorGainDb / 2);
}

void ExcaliburDevice::ApplyAttenuator(bool on) {
    std::lock_guard lock(control);
    library.Api().SetAttenuator(handle, on ? driver::kAttenuatorDecibels : 0);
    attenuator = on;
}

double ExcaliburDevice::getGain(int direction, std::size_t channel) const {
    return getGain(direction, channel, kAttenuatorGain);
}

double ExcaliburDevice::getGain(int direction, std::size_t channel, const std::string& name) const {
    getGainRange(direction, channel, name);
    std::lock_guard lock(control);
    return attenuator ? kAttenuatorGainDb : 0.0;
}

SoapySDR::Range ExcaliburDevice::getGainRange(int direction, std::size_t channel) const {
    return getGainRange(direction, channel, kAttenuatorGain);
}

SoapySDR::Range ExcaliburDevice::getGainRange(int direction, std::size_t channel, const std::string& name) const {
    RequireReceiveChannel(direction, channel);
    if (name != kAttenuatorGain)
        throw std::invalid_argument("excalibur: no gain element " + name + "; the only one is ATT");
    return SoapySDR::Range(kAttenuatorGainDb, 0.0, -kAttenuatorGainDb);
}

std::vector<std::string> ExcaliburDevice::listFrequencies(int direction, std::size_t channel) const {
    RequireReceiveChannel(direction, channel);
    return {"RF"};
}

void ExcaliburDevice::setFrequency(int direction, std::size_t channel, double hertz, const SoapySDR::Kwargs& args) {
    setFrequency(direction, channel, "RF", hertz, args);
}

// Out-of-range values are clamped, as the plug-in does.
void ExcaliburDevice::setFrequency(int direction, std::size_t channel, const std::string& name, double hertz,
                                   const SoapySDR::Kwargs&) {
    getFrequencyRange(direction, channel, name);
    const double clamped =
        std::clamp(std::round(FiniteValue(hertz, "the frequency")), static_cast<double>(driver::kMinFrequency),
                   static_cast<double>(driver::kMaxFrequency));
    std::lock_guard lock(control);
    library.Api().SetFrequency(handle, 0, static_cast<std::uint32_t>(clamped));
    frequency = clamped;
}

double ExcaliburDevice::getFrequency(int direction, std::size_t channel) const {
    return getFrequency(direction, channel, "RF");
}

double ExcaliburDevice::getFrequency(int direction, std::size_t channel, const std::string& name) const {
    getFrequencyRange(direction, channel, name);
    std::lock_guard lock(control);
    return frequency;
}

SoapySDR::RangeList ExcaliburDevice::getFrequencyRange(int direction, std::size_t channel) const {
    return getFrequencyRange(direction, channel, "RF");
}

SoapySDR::RangeList ExcaliburDevice::getFrequencyRange(int direction, std::size_t channel,
                                                       const std::string& name) const {
    RequireReceiveChannel(direction, channel);
    if (name != "RF") throw std::invalid_argument("excalibur: no frequency element " + name + "; the only one is RF");
    return {SoapySDR::Range(driver::kMinFrequency, driver::kMaxFrequency)};
}

void ExcaliburDevice::setSampleRate(int direction, std::size_t channel, double rate) {
    RequireReceiveChannel(direction, channel);
    for (std::size_t mode = 0; mode < std::size(SampleModeTable); ++mode) {
        if (std::abs(rate - SampleModeTable[mode].sampleRate) >= 0.5) continue;
        std::lock_guard lock(control);
        sampleMode = mode;
        // The DDC1 type takes effect only at a start: restart a running stream.
        if (streaming) {
            StopDriverStream();
            stream->ring.Restart();
            if (!StartDriverStream()) throw std::runtime_error("excalibur: the driver did not restart the stream");
        }
        return;
    }
    throw std::invalid_argument("excalibur: sample rate " + std::to_string(rate) + " Hz is not offered; choose " +
                                RateList());
}

double ExcaliburDevice::getSampleRate(int direction, std::size_t channel) const {
    RequireReceiveChannel(direction, channel);
    std::lock_guard lock(control);
    return SampleModeTable[sampleMode].sampleRate;
}

std::vector<double> ExcaliburDevice::listSampleRates(int direction, std::size_t channel) const {
    RequireReceiveChannel(direction, channel);
    std::vector<double> rates;
    for (const auto& mode : SampleModeTable) rates.push_back(mode.sampleRate);
    return rates;
}

SoapySDR::RangeList ExcaliburDevice::getSampleRateRange(int direction, std::size_t channel) const {
    SoapySDR::RangeList ranges;
    for (const double rate : listSampleRates(direction, channel)) ranges.emplace_back(rate, rate);
    return ranges;
}

SoapySDR::ArgInfoList ExcaliburDevice::getSettingInfo() const {
    SoapySDR::ArgInfoList list;
    for (const auto& setting : kSwitches) {
        SoapySDR::ArgInfo info;
        info.key = setting.key;
        info.name = setting.name;
        info.description = setting.description;
        info.type = SoapySDR::ArgInfo::BOOL;
        info.value = "false";
        list.push_back(info);
    }
    return list;
}

void ExcaliburDevice::writeSetting(const std::string& key, const std::string& value) {
    const std::size_t index = FindSwitch(key);
    const bool on = ParseSwitch(key, value);
    std::lock_guard lock(control);
    (library.Api().*kSwitches[index].entryPoint)(handle, on ? 1 : 0);
    switchOn[index] = on;
}

std::string ExcaliburDevice::readSetting(const std::string& key) const {
    const std::size_t index = FindSwitch(key);
    std::lock_guard lock(control);
    return switchOn[index] ? "true" : "false";
}

}  // namespace excalibur::soapy
