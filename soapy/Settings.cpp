#include <algorithm>
#include <cmath>
#include <iomanip>
#include <iterator>
#include <memory>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "receiver/ReceiverDriver.h"
#include "soapy/ExcaliburDevice.h"
#include "soapy/Log.h"
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
    const char* call;
    g31ddc::SetDitheringFn g31ddc::ReceiverApi::*entryPoint;
};

constexpr SwitchSetting kSwitches[] = {
    {"dither", "Dithering", "ADC dithering: removes the converter's spurs", "SetDithering",
     &g31ddc::ReceiverApi::SetDithering},
    {"noise_blanker", "Noise blanker", "ADC noise blanker: removes impulse noise", "SetADCNoiseBlanker",
     &g31ddc::ReceiverApi::SetADCNoiseBlanker},
    {"mw_filter", "Medium-wave filter",
     "Medium-wave filter: keeps AM broadcast stations from overloading the input on HF", "SetMWFilter",
     &g31ddc::ReceiverApi::SetMWFilter},
};

static_assert(std::size(kSwitches) == kSwitchCount);
static_assert(std::string_view(kSwitches[kMwFilter].key) == "mw_filter", "the stream's start reads it by index");

// "dither, noise_blanker and mw_filter", for messages.
std::string SettingNames() {
    std::string names;
    for (std::size_t index = 0; index < kSwitchCount; ++index) {
        if (index > 0) names += index + 1 < kSwitchCount ? ", " : " and ";
        names += kSwitches[index].key;
    }
    return names;
}

// Device arguments that are not settings and pass without a word: the
// module's own, SoapySDR's and SoapyRemote's, and gr-osmosdr's.
bool IsKnownDeviceArgument(const std::string& key) {
    static const std::string_view kKnown[] = {"driver", "label", "library", "soapy_remote_no_deeper",
                                              "remote", "soapy", "nchan"};
    return key.rfind("remote:", 0) == 0 || std::find(std::begin(kKnown), std::end(kKnown), key) != std::end(kKnown);
}

// The switch's index in the table; kSwitchCount when there is none.
std::size_t FindSwitch(const std::string& key) {
    std::size_t index = 0;
    while (index < kSwitchCount && key != kSwitches[index].key) ++index;
    return index;
}

void RequireElement(const std::string& name, const char* element, const char* only) {
    if (name != only)
        throw std::invalid_argument(std::string("excalibur: no ") + element + " " + name + "; the only one is " + only);
}

bool ParseSwitch(const std::string& key, const std::string& value) {
    if (value == "true" || value == "1") return true;
    if (value == "false" || value == "0") return false;
    throw std::invalid_argument("excalibur: setting " + key + " takes true or false, not " + value);
}

// What a driver that would not stop may still use: its own code and the
// stream its handler writes to. Kept until the process ends, and reachable
// from here, so that a leak checker sees it held.
struct KeptForDriver {
    DriverLibrary library;
    std::shared_ptr<void> stream;
};

void KeepForDriver(DriverLibrary library, std::shared_ptr<void> stream) {
    static std::mutex mutex;
    static auto* const kept = new std::vector<KeptForDriver>;
    std::lock_guard lock(mutex);
    kept->push_back({std::move(library), std::move(stream)});
}

// Formatted, not cast: a client's value may be beyond any integer.
std::string Hz(double hertz) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(0) << hertz << " Hz";
    return text.str();
}

std::string Ppm(double ppm) {
    std::ostringstream text;
    text << ppm << " ppm";
    return text.str();
}

std::string OnOff(bool on) { return on ? "true" : "false"; }

}  // namespace

bool ExcaliburDevice::IsReceiveChannel(int direction, std::size_t channel) {
    return direction == SOAPY_SDR_RX && channel == 0;
}

void ExcaliburDevice::RequireReceiveChannel(int direction, std::size_t channel) {
    if (!IsReceiveChannel(direction, channel)) {
        throw std::invalid_argument("excalibur: the receiver has one channel, receive channel 0");
    }
}

ExcaliburDevice::ExcaliburDevice(const std::string& libraryPath, const SoapySDR::Kwargs& args)
    : library(libraryPath), handle(library.Api().OpenDevice(-1)) {
    if (handle < 0) {
        Fail("excalibur: the driver library " + libraryPath + " opened no receiver (OpenDevice failed)");
    }
    callbacks.ddc1Stream = &ExcaliburDevice::Ddc1Handler;
    try {
        rates = Ddc1Rates::Discover(library.Api(), handle);
        ddc1 = rates.Default();
        ApplyDefaults();
        ApplyDeviceArguments(args);
    } catch (const std::exception&) {
        library.Api().CloseDevice(handle);
        throw;
    }
}

ExcaliburDevice::~ExcaliburDevice() {
    std::lock_guard lock(control);
    const bool stopped = StopDriverStream();
    EndStream();
    const char* failed = nullptr;
    driver::PowerDown(library.Api(), handle, &failed);
    if (failed != nullptr) Warn(CallFailed(failed, "switching the receiver off at close"));
    if (library.Api().CloseDevice(handle) == 0) Warn(CallFailed("CloseDevice", "closing the receiver"));
    if (!stopped) {
        LogError("excalibur: the driver's stream could not be stopped; its buffers and the driver library " +
                 library.Path() + " are kept until the process ends");
        KeepForDriver(std::move(library), std::move(driverStream));
    }
}

// A driver may keep the last program's settings; the device reports what it
// set. The DDC1 type is set here too, so that the bandwidth is the driver's.
void ExcaliburDevice::ApplyDefaults() {
    const auto& api = library.Api();
    if (api.SetFrequency(handle, 0, static_cast<std::uint32_t>(frequency)) == 0)
        Fail(CallFailed("SetFrequency", Hz(frequency)) + " at open");
    if (api.SetAttenuator(handle, 0) == 0) Fail(CallFailed("SetAttenuator", "0 dB") + " at open");
    for (const auto& setting : kSwitches) {
        if ((api.*setting.entryPoint)(handle, 0) == 0) Fail(CallFailed(setting.call, "off") + " at open");
    }
    if (api.SetDDC1(handle, ddc1.typeIndex) == 0) Fail(CallFailed("SetDDC1", Hz(ddc1.sampleRate)) + " at open");
    ReadDdc1Type();
}

// gr-osmosdr (gqrx) has no settings panel for a SoapySDR device: its device
// string is the only place to name them.
void ExcaliburDevice::ApplyDeviceArguments(const SoapySDR::Kwargs& args) {
    for (const auto& setting : kSwitches) {
        if (const auto found = args.find(setting.key); found != args.end()) writeSetting(found->first, found->second);
    }
    for (const auto& [key, value] : args) {
        if (FindSwitch(key) == kSwitchCount && !IsKnownDeviceArgument(key)) {
            Warn("excalibur: device argument " + key + "=" + value + " is not known and is ignored; the settings are " +
                 SettingNames());
        }
    }
}

// Holding `control`: the bandwidth of the DDC1 type in force, and its rate.
void ExcaliburDevice::ReadDdc1Type() {
    std::uint32_t type = 0;
    g31ddc::Ddc1Info info{};
    if (library.Api().GetDDC1(handle, &type, &info) == 0) {
        Warn(CallFailed("GetDDC1", "reading the DDC1 type in force") + "; the bandwidth is not known");
        bandwidth = 0;
        return;
    }
    bandwidth = info.bandwidth;
    if (const Ddc1Rate* inForce = rates.OfType(type)) ddc1 = *inForce;
}

std::string ExcaliburDevice::getDriverKey() const { return kDriverKey; }

std::string ExcaliburDevice::getHardwareKey() const { return kModel; }

SoapySDR::Kwargs ExcaliburDevice::getHardwareInfo() const {
    return {{"model", kModel}, {"module_version", kModuleVersion}, {"library", library.Path()}};
}

std::size_t ExcaliburDevice::getNumChannels(int direction) const { return direction == SOAPY_SDR_RX ? 1 : 0; }

std::vector<std::string> ExcaliburDevice::listAntennas(int direction, std::size_t channel) const {
    if (!IsReceiveChannel(direction, channel)) return Device::listAntennas(direction, channel);
    return {kAntenna};
}

// One antenna: every wish ends there. The empty name is a client's "none
// chosen yet" (CubicSDR's).
void ExcaliburDevice::setAntenna(int direction, std::size_t channel, const std::string& name) {
    RequireReceiveChannel(direction, channel);
    if (!name.empty() && name != kAntenna) {
        Warn(std::string("excalibur: no antenna ") + name + "; the receiver stays on " + kAntenna + ", its only one");
    }
}

std::string ExcaliburDevice::getAntenna(int direction, std::size_t channel) const {
    if (!IsReceiveChannel(direction, channel)) return Device::getAntenna(direction, channel);
    return kAntenna;
}

std::vector<std::string> ExcaliburDevice::listGains(int direction, std::size_t channel) const {
    if (!IsReceiveChannel(direction, channel)) return Device::listGains(direction, channel);
    return {kAttenuatorGain};
}

// The overall gain is the attenuator's: there is no other element.
void ExcaliburDevice::setGain(int direction, std::size_t channel, double value) {
    setGain(direction, channel, kAttenuatorGain, value);
}

void ExcaliburDevice::setGain(int direction, std::size_t channel, const std::string& name, double value) {
    RequireReceiveChannel(direction, channel);
    RequireElement(name, "gain element", kAttenuatorGain);
    ApplyAttenuator(FiniteValue(value, "the gain") < kAttenuatorGainDb / 2);
}

void ExcaliburDevice::ApplyAttenuator(bool on) {
    std::lock_guard lock(control);
    const std::uint32_t decibels = on ? driver::kAttenuatorDecibels : 0;
    if (library.Api().SetAttenuator(handle, decibels) == 0) {
        Fail(CallFailed("SetAttenuator", std::to_string(decibels) + " dB") + "; the attenuator stays at " +
             (attenuator ? std::to_string(driver::kAttenuatorDecibels) : "0") + " dB");
    }
    attenuator = on;
}

double ExcaliburDevice::getGain(int direction, std::size_t channel) const {
    return getGain(direction, channel, kAttenuatorGain);
}

double ExcaliburDevice::getGain(int direction, std::size_t channel, const std::string& name) const {
    if (!IsReceiveChannel(direction, channel) || name != kAttenuatorGain)
        return Device::getGain(direction, channel, name);
    std::lock_guard lock(control);
    return attenuator ? kAttenuatorGainDb : 0.0;
}

SoapySDR::Range ExcaliburDevice::getGainRange(int direction, std::size_t channel) const {
    return getGainRange(direction, channel, kAttenuatorGain);
}

SoapySDR::Range ExcaliburDevice::getGainRange(int direction, std::size_t channel, const std::string& name) const {
    if (!IsReceiveChannel(direction, channel) || name != kAttenuatorGain)
        return Device::getGainRange(direction, channel, name);
    return SoapySDR::Range(kAttenuatorGainDb, 0.0, -kAttenuatorGainDb);
}

std::vector<std::string> ExcaliburDevice::listFrequencies(int direction, std::size_t channel) const {
    if (!IsReceiveChannel(direction, channel)) return Device::listFrequencies(direction, channel);
    return {kTuner, kCorrection};
}

void ExcaliburDevice::setFrequency(int direction, std::size_t channel, double hertz, const SoapySDR::Kwargs& args) {
    setFrequency(direction, channel, kTuner, hertz, args);
}

void ExcaliburDevice::setFrequency(int direction, std::size_t channel, const std::string& name, double hertz,
                                   const SoapySDR::Kwargs&) {
    RequireReceiveChannel(direction, channel);
    if (name == kCorrection) {
        setFrequencyCorrection(direction, channel, hertz);
        return;
    }
    if (name != kTuner) {
        throw std::invalid_argument("excalibur: no frequency element " + name + "; the elements are " + kTuner +
                                    " and " + kCorrection);
    }
    const double centre = FiniteValue(hertz, "the frequency");
    std::lock_guard lock(control);
    Tune(centre, correctionPpm);
}

// Holding `control`. A receiver whose reference runs fast by `ppm` shows
// `centre` when tuned to centre / (1 + ppm·1e-6), in its steps of 1 Hz.
// Out-of-range values are clamped, as the plug-in does, with a warning.
void ExcaliburDevice::Tune(double centre, double ppm) {
    const double wanted = std::round(centre / (1.0 + ppm * 1e-6));
    const double clamped =
        std::clamp(wanted, static_cast<double>(driver::kMinFrequency), static_cast<double>(driver::kMaxFrequency));
    if (clamped != wanted) {
        const std::string corrected = ppm == 0 ? "" : " (" + Hz(centre) + " corrected by " + Ppm(ppm) + ")";
        Warn("excalibur: " + Hz(wanted) + corrected + " is outside the receiver's " + Hz(driver::kMinFrequency) +
             " to " + Hz(driver::kMaxFrequency) + "; tuned to " + Hz(clamped));
    }
    if (library.Api().SetFrequency(handle, 0, static_cast<std::uint32_t>(clamped)) == 0) {
        Fail(CallFailed("SetFrequency", Hz(clamped)) + "; the receiver stays at " + Hz(tunedFrequency));
    }
    frequency = centre;
    correctionPpm = ppm;
    tunedFrequency = static_cast<std::uint32_t>(clamped);
}

double ExcaliburDevice::getFrequency(int direction, std::size_t channel) const {
    return getFrequency(direction, channel, kTuner);
}

// The centre the receiver shows, as tuned in its steps and range.
double ExcaliburDevice::getFrequency(int direction, std::size_t channel, const std::string& name) const {
    if (IsReceiveChannel(direction, channel) && name == kCorrection) return getFrequencyCorrection(direction, channel);
    if (!IsReceiveChannel(direction, channel) || name != kTuner) return Device::getFrequency(direction, channel, name);
    std::lock_guard lock(control);
    return tunedFrequency * (1.0 + correctionPpm * 1e-6);
}

SoapySDR::RangeList ExcaliburDevice::getFrequencyRange(int direction, std::size_t channel) const {
    return getFrequencyRange(direction, channel, kTuner);
}

SoapySDR::RangeList ExcaliburDevice::getFrequencyRange(int direction, std::size_t channel,
                                                       const std::string& name) const {
    if (IsReceiveChannel(direction, channel) && name == kCorrection)
        return {SoapySDR::Range(-kMaxCorrectionPpm, kMaxCorrectionPpm)};
    if (!IsReceiveChannel(direction, channel) || name != kTuner)
        return Device::getFrequencyRange(direction, channel, name);
    return {SoapySDR::Range(driver::kMinFrequency, driver::kMaxFrequency)};
}

bool ExcaliburDevice::hasFrequencyCorrection(int direction, std::size_t channel) const {
    return IsReceiveChannel(direction, channel);
}

// Beyond the range is clamped with a warning, as a frequency is.
void ExcaliburDevice::setFrequencyCorrection(int direction, std::size_t channel, double ppm) {
    RequireReceiveChannel(direction, channel);
    const double wanted = FiniteValue(ppm, "the frequency correction");
    const double clamped = std::clamp(wanted, -kMaxCorrectionPpm, kMaxCorrectionPpm);
    if (clamped != wanted) {
        Warn("excalibur: a frequency correction of " + Ppm(wanted) + " is outside " + Ppm(-kMaxCorrectionPpm) + " to " +
             Ppm(kMaxCorrectionPpm) + "; corrected by " + Ppm(clamped));
    }
    std::lock_guard lock(control);
    Tune(frequency, clamped);
}

double ExcaliburDevice::getFrequencyCorrection(int direction, std::size_t channel) const {
    if (!IsReceiveChannel(direction, channel)) return Device::getFrequencyCorrection(direction, channel);
    std::lock_guard lock(control);
    return correctionPpm;
}

void ExcaliburDevice::setSampleRate(int direction, std::size_t channel, double rate) {
    RequireReceiveChannel(direction, channel);
    const Ddc1Rate* wanted = rates.Find(rate);
    // A near rate in its place would skew a client that does not read the rate
    // back; gqrx goes on after a std::runtime_error, and ends at any other.
    if (wanted == nullptr) {
        std::ostringstream asked;
        asked << std::setprecision(12) << rate;
        throw std::runtime_error("excalibur: sample rate " + asked.str() + " Hz is not offered; choose " +
                                 rates.List());
    }
    std::lock_guard lock(control);
    RxStream* running = RunningStream();
    if (running == nullptr) {
        if (library.Api().SetDDC1(handle, wanted->typeIndex) == 0) {
            Fail(CallFailed("SetDDC1", Hz(wanted->sampleRate)) + "; the rate stays " + Hz(ddc1.sampleRate));
        }
        ddc1 = *wanted;
        ReadDdc1Type();
        return;
    }
    // The DDC1 type takes effect only at a start: restart the running
    // stream. Its blocks so far stay readable, their time goes on.
    if (!StopDriverStream()) throw std::runtime_error(CallFailed("StopDDC1", "stopping the stream to change its rate"));
    running->ring.ChangeRate(wanted->sampleRate);
    ddc1 = *wanted;
    if (const char* failed = StartDriverStream()) {
        running->ring.Fail();
        Fail(CallFailed(failed, "restarting the stream at " + Hz(wanted->sampleRate)) +
             "; the stream has stopped: readStream answers SOAPY_SDR_STREAM_ERROR until activateStream");
    }
}

double ExcaliburDevice::getSampleRate(int direction, std::size_t channel) const {
    if (!IsReceiveChannel(direction, channel)) return Device::getSampleRate(direction, channel);
    std::lock_guard lock(control);
    return ddc1.sampleRate;
}

std::vector<double> ExcaliburDevice::listSampleRates(int direction, std::size_t channel) const {
    if (!IsReceiveChannel(direction, channel)) return Device::listSampleRates(direction, channel);
    std::vector<double> list;
    for (const auto& rate : rates.All()) list.push_back(rate.sampleRate);
    return list;
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
    if (index == kSwitchCount)
        throw std::invalid_argument("excalibur: no setting " + key + "; the settings are " + SettingNames());
    const bool on = ParseSwitch(key, value);
    std::lock_guard lock(control);
    if ((library.Api().*kSwitches[index].entryPoint)(handle, on ? 1 : 0) == 0) {
        Fail(CallFailed(kSwitches[index].call, on ? "on" : "off") + "; " + key + " stays " + OnOff(switchOn[index]));
    }
    switchOn[index] = on;
}

std::string ExcaliburDevice::readSetting(const std::string& key) const {
    const std::size_t index = FindSwitch(key);
    if (index == kSwitchCount) return Device::readSetting(key);
    std::lock_guard lock(control);
    return OnOff(switchOn[index]);
}

// GNU Radio's soapy source looks for a channel's settings on the channel.
SoapySDR::ArgInfoList ExcaliburDevice::getSettingInfo(int direction, std::size_t channel) const {
    if (!IsReceiveChannel(direction, channel)) return Device::getSettingInfo(direction, channel);
    return getSettingInfo();
}

void ExcaliburDevice::writeSetting(int direction, std::size_t channel, const std::string& key,
                                   const std::string& value) {
    RequireReceiveChannel(direction, channel);
    writeSetting(key, value);
}

std::string ExcaliburDevice::readSetting(int direction, std::size_t channel, const std::string& key) const {
    if (!IsReceiveChannel(direction, channel)) return Device::readSetting(direction, channel, key);
    return readSetting(key);
}

// The bandwidth is the DDC1 type's, and the type follows the sample rate.
void ExcaliburDevice::setBandwidth(int direction, std::size_t channel, double value) {
    RequireReceiveChannel(direction, channel);
    std::lock_guard lock(control);
    SoapySDR::log(SOAPY_SDR_INFO, "excalibur: the bandwidth follows the sample rate (" + Hz(bandwidth) + " at " +
                                      Hz(ddc1.sampleRate) + "); setBandwidth(" + Hz(value) + ") changes nothing");
}

double ExcaliburDevice::getBandwidth(int direction, std::size_t channel) const {
    if (!IsReceiveChannel(direction, channel)) return Device::getBandwidth(direction, channel);
    std::lock_guard lock(control);
    return bandwidth;
}

std::vector<double> ExcaliburDevice::listBandwidths(int direction, std::size_t channel) const {
    if (!IsReceiveChannel(direction, channel)) return Device::listBandwidths(direction, channel);
    return {getBandwidth(direction, channel)};
}

SoapySDR::RangeList ExcaliburDevice::getBandwidthRange(int direction, std::size_t channel) const {
    if (!IsReceiveChannel(direction, channel)) return Device::getBandwidthRange(direction, channel);
    const double value = getBandwidth(direction, channel);
    return {SoapySDR::Range(value, value)};
}

// The stream's sample counter: the time of the next pair from the driver.
bool ExcaliburDevice::hasHardwareTime(const std::string& what) const { return what.empty(); }

long long ExcaliburDevice::getHardwareTime(const std::string& what) const {
    if (!what.empty()) return Device::getHardwareTime(what);
    std::lock_guard lock(control);
    std::lock_guard streamLock(streams);
    return stream ? stream->ring.WriterTimeNs() : lastTimeNs;
}

}  // namespace excalibur::soapy
