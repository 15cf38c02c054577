#pragma once

#include <SoapySDR/Device.hpp>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "soapy/DriverLibrary.h"
#include "soapy/SampleRing.h"
#include "soapy/StreamFormat.h"

namespace excalibur::soapy {

inline constexpr const char* kDriverKey = "excalibur";
inline constexpr const char* kModel = "WR-G31DDC";
inline constexpr const char* kDefaultLibrary = "libg31ddcapi.so";
inline constexpr const char* kAntenna = "RX";
inline constexpr const char* kAttenuatorGain = "ATT";
inline constexpr std::size_t kSwitchCount = 2;
inline constexpr std::size_t kRingSlots = 128;

// One WR-G31DDC receiver as a SoapySDR device with one receive channel.
// Control calls may come from any thread and are serialised; readStream runs
// on the reader's thread and meets the driver's thread only in the ring.
class ExcaliburDevice : public SoapySDR::Device {
public:
    // Opens the receiver through the library; throws std::runtime_error when
    // the library does not load, lacks an entry point or opens no receiver.
    explicit ExcaliburDevice(const std::string& libraryPath);
    ~ExcaliburDevice() override;

    std::string getDriverKey() const override;
    std::string getHardwareKey() const override;
    SoapySDR::Kwargs getHardwareInfo() const override;
    std::size_t getNumChannels(int direction) const override;

    std::vector<std::string> listAntennas(int direction, std::size_t channel) const override;
    void setAntenna(int direction, std::size_t channel, const std::string& name) override;
    std::string getAntenna(int direction, std::size_t channel) const override;

    std::vector<std::string> listGains(int direction, std::size_t channel) const override;
    void setGain(int direction, std::size_t channel, double value) override;
    void setGain(int direction, std::size_t channel, const std::string& name, double value) override;
    double getGain(int direction, std::size_t channel) const override;
    double getGain(int direction, std::size_t channel, const std::string& name) const override;
    SoapySDR::Range getGainRange(int direction, std::size_t channel) const override;
    SoapySDR::Range getGainRange(int direction, std::size_t channel, const std::string& name) const override;

    std::vector<std::string> listFrequencies(int direction, std::size_t channel) const override;
    void setFrequency(int direction, std::size_t channel, double frequency,
                      const SoapySDR::Kwargs& args = SoapySDR::Kwargs()) override;
    void setFrequency(int direction, std::size_t channel, const std::string& name, double frequency,
                      const SoapySDR::Kwargs& args = SoapySDR::Kwargs()) override;
    double getFrequency(int direction, std::size_t channel) const override;
    double getFrequency(int direction, std::size_t channel, const std::string& name) const override;
    SoapySDR::RangeList getFrequencyRange(int direction, std::size_t channel) const override;
    SoapySDR::RangeList getFrequencyRange(int direction, std::size_t channel, const std::string& name) const override;

    void setSampleRate(int direction, std::size_t channel, double rate) override;
    double getSampleRate(int direction, std::size_t channel) const override;
    std::vector<double> listSampleRates(int direction, std::size_t channel) const override;
    SoapySDR::RangeList getSampleRateRange(int direction, std::size_t channel) const override;

    SoapySDR::ArgInfoList getSettingInfo() const override;
    void writeSetting(const std::string& key, const std::string& value) override;
    std::string readSetting(const std::string& key) const override;

    std::vector<std::string> getStreamFormats(int direction, std::size_t channel) const override;
    std::string getNativeStreamFormat(int direction, std::size_t channel, double& fullScale) const override;
    SoapySDR::Stream* setupStream(int direction, const std::string& format, const std::vector<std::size_t>& channels,
                                  const SoapySDR::Kwargs& args = SoapySDR::Kwargs()) override;
    void closeStream(SoapySDR::Stream* stream) override;
    std::size_t getStreamMTU(SoapySDR::Stream* stream) const override;
    int activateStream(SoapySDR::Stream* stream, int flags, long long timeNs, std::size_t numElems) override;
    int deactivateStream(SoapySDR::Stream* stream, int flags, long long timeNs) override;
    int readStream(SoapySDR::Stream* stream, void* const* buffs, std::size_t numElems, int& flags, long long& timeNs,
                   long timeoutUs) override;

private:
    // What a stream handle points to: the format and the ring the driver fills.
    struct RxStream {
        StreamFormat format;
        SampleRing ring;
    };

    static void EXCALIBUR_STDCALL Ddc1Handler(const std::int32_t* block, std::uint32_t pairs, std::uint32_t ignored,
                                              std::uintptr_t userData);

    static void RequireReceiveChannel(int direction, std::size_t channel);
    void ApplyDefaults();
    void ApplyAttenuator(bool on);
    RxStream& StreamOf(SoapySDR::Stream* stream) const;
    bool StartDriverStream();
    void StopDriverStream();

    DriverLibrary library;
    const std::int32_t handle;

    mutable std::mutex control;
    double frequency = 7050000.0;
    std::size_t sampleMode = 2;
    bool attenuator = false;
    // Dithering and the noise blanker, in the order of the settings table.
    std::array<bool, kSwitchCount> switchOn{};
    g31ddc::StreamCallbacks callbacks{};
    std::unique_ptr<RxStream> stream;
    bool streaming = false;
};

}  // namespace excalibur::soapy
