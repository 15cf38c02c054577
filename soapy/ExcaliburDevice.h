#pragma once

#include <SoapySDR/Device.hpp>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "receiver/ReceiverDriver.h"
#include "soapy/Ddc1Rates.h"
#include "soapy/DriverLibrary.h"
#include "soapy/SampleRing.h"
#include "soapy/StreamFormat.h"

namespace excalibur::soapy {

inline constexpr const char* kDriverKey = "excalibur";
inline constexpr const char* kModel = "WR-G31DDC";
inline constexpr const char* kDefaultLibrary = "libg31ddcapi.so";
inline constexpr const char* kAntenna = "RX";
inline constexpr const char* kAttenuatorGain = "ATT";
inline constexpr const char* kTuner = "RF";
inline constexpr const char* kCorrection = "CORR";  // the frequency correction, in ppm
inline constexpr double kMaxCorrectionPpm = 1000.0;
// The settings that switch a part of the receiver on or off, in the order of
// the settings table.
enum Switch : std::size_t { kDither, kNoiseBlanker, kMwFilter, kSwitchCount };
inline constexpr std::size_t kRingSlots = 128;  // the `buffers` stream argument's default
inline constexpr std::size_t kMinRingSlots = 2;
inline constexpr std::size_t kMaxRingSlots = 4096;

// One WR-G31DDC receiver as a SoapySDR device with one receive channel.
// Control calls may come from any thread and are serialised; readStream and
// the direct buffer calls may come from several threads at once and meet the
// driver's thread only in the ring. A stream handle is the stream's number, never
// reused, so a closed one is known without touching freed memory; readers
// inside stream calls are counted, and closeStream and the destructor wake
// them and wait for them to leave before they free anything.
class ExcaliburDevice : public SoapySDR::Device {
public:
    // Opens the receiver through the library and applies the settings named
    // in `args`; throws std::runtime_error when the library does not load,
    // lacks an entry point or opens no receiver, and a setting's error for a
    // value it does not take.
    explicit ExcaliburDevice(const std::string& libraryPath, const SoapySDR::Kwargs& args = {});
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
    // In ppm, as element CORR too: positive when the receiver's reference runs fast.
    bool hasFrequencyCorrection(int direction, std::size_t channel) const override;
    void setFrequencyCorrection(int direction, std::size_t channel, double ppm) override;
    double getFrequencyCorrection(int direction, std::size_t channel) const override;

    void setSampleRate(int direction, std::size_t channel, double rate) override;
    double getSampleRate(int direction, std::size_t channel) const override;
    std::vector<double> listSampleRates(int direction, std::size_t channel) const override;
    SoapySDR::RangeList getSampleRateRange(int direction, std::size_t channel) const override;

    void setBandwidth(int direction, std::size_t channel, double bandwidth) override;
    double getBandwidth(int direction, std::size_t channel) const override;
    std::vector<double> listBandwidths(int direction, std::size_t channel) const override;
    SoapySDR::RangeList getBandwidthRange(int direction, std::size_t channel) const override;

    bool hasHardwareTime(const std::string& what = "") const override;
    long long getHardwareTime(const std::string& what = "") const override;

    // The same settings device-wide and on receive channel 0.
    SoapySDR::ArgInfoList getSettingInfo() const override;
    void writeSetting(const std::string& key, const std::string& value) override;
    std::string readSetting(const std::string& key) const override;
    SoapySDR::ArgInfoList getSettingInfo(int direction, std::size_t channel) const override;
    void writeSetting(int direction, std::size_t channel, const std::string& key, const std::string& value) override;
    std::string readSetting(int direction, std::size_t channel, const std::string& key) const override;

    std::vector<std::string> getStreamFormats(int direction, std::size_t channel) const override;
    std::string getNativeStreamFormat(int direction, std::size_t channel, double& fullScale) const override;
    SoapySDR::ArgInfoList getStreamArgsInfo(int direction, std::size_t channel) const override;
    SoapySDR::Stream* setupStream(int direction, const std::string& format, const std::vector<std::size_t>& channels,
                                  const SoapySDR::Kwargs& args = SoapySDR::Kwargs()) override;
    void closeStream(SoapySDR::Stream* stream) override;
    std::size_t getStreamMTU(SoapySDR::Stream* stream) const override;
    int activateStream(SoapySDR::Stream* stream, int flags, long long timeNs, std::size_t numElems) override;
    int deactivateStream(SoapySDR::Stream* stream, int flags, long long timeNs) override;
    int readStream(SoapySDR::Stream* stream, void* const* buffs, std::size_t numElems, int& flags, long long& timeNs,
                   long timeoutUs) override;

    // Direct access (CS32 streams only): the ring's slots, without a copy.
    std::size_t getNumDirectAccessBuffers(SoapySDR::Stream* stream) override;
    int getDirectAccessBufferAddrs(SoapySDR::Stream* stream, std::size_t handle, void** buffs) override;
    int acquireReadBuffer(SoapySDR::Stream* stream, std::size_t& handle, const void** buffs, int& flags,
                          long long& timeNs, long timeoutUs) override;
    void releaseReadBuffer(SoapySDR::Stream* stream, std::size_t handle) override;

private:
    // What a stream handle names: the format and the ring the driver fills.
    struct RxStream {
        RxStream(std::uint64_t number, StreamFormat streamFormat, std::size_t slots)
            : id(number), format(streamFormat), ring(slots, driver::kPairsPerBlock) {}
        const std::uint64_t id;
        const StreamFormat format;
        SampleRing ring;
    };

    // A reader inside a stream call, counted: the closer waits for it to
    // leave before the stream or the device goes.
    class ReaderPass {
    public:
        ReaderPass(ExcaliburDevice& device, RxStream* stream);
        ~ReaderPass();
        ReaderPass(const ReaderPass&) = delete;
        ReaderPass& operator=(const ReaderPass&) = delete;
        explicit operator bool() const { return stream != nullptr; }
        RxStream* operator->() const { return stream; }

    private:
        ExcaliburDevice& device;
        RxStream* const stream;
    };
    ReaderPass EnterReader(SoapySDR::Stream* handle);

    static void EXCALIBUR_STDCALL Ddc1Handler(const std::int32_t* block, std::uint32_t pairs, std::uint32_t ignored,
                                              std::uintptr_t userData);

    // A query for a direction or channel the receiver lacks answers as
    // SoapySDR's Device base does; a setter throws.
    static bool IsReceiveChannel(int direction, std::size_t channel);
    static void RequireReceiveChannel(int direction, std::size_t channel);
    void ApplyDefaults();
    void ApplyDeviceArguments(const SoapySDR::Kwargs& args);
    void Tune(double centre, double ppm);
    void ApplyAttenuator(bool on);
    // Holding `control`: the live stream this handle names, or null.
    RxStream* StreamOf(SoapySDR::Stream* handle) const;
    // Holding `control`: the live stream while the driver runs it, or null.
    RxStream* RunningStream() const;
    const char* StartDriverStream();
    bool StopDriverStream();
    void ReadDdc1Type();
    void EndStream();

    DriverLibrary library;
    const std::int32_t handle;
    Ddc1Rates rates;  // found at open, never changed after: read without a lock

    mutable std::mutex control;
    double frequency = 7050000.0;  // the centre asked for
    double correctionPpm = 0.0;
    std::uint32_t tunedFrequency = 7050000;  // what the receiver is tuned to for it
    Ddc1Rate ddc1;                           // the rate in force and its type
    std::uint32_t bandwidth = 0;             // of the DDC1 type in force, as the driver reports it
    bool attenuator = false;
    std::array<bool, kSwitchCount> switchOn{};
    g31ddc::StreamCallbacks callbacks{};
    // The stream the driver's handler writes to, from before its start until
    // a StopDDC1 succeeds; past the stream's close and, if none does, past
    // the device's end.
    std::shared_ptr<RxStream> driverStream;
    std::int64_t lastTimeNs = 0;  // the hardware time once the stream is gone

    // The live stream and the readers inside stream calls; `control` may be
    // held when `streams` is taken, never the other way round.
    mutable std::mutex streams;
    std::condition_variable readersLeft;
    std::shared_ptr<RxStream> stream;
    std::uint64_t lastStreamId = 0;
    int readers = 0;
};

}  // namespace excalibur::soapy
