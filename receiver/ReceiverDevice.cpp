#include "receiver/ReceiverDevice.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "hostlink/ExParaBlock.h"
#include "receiver/Ddc1Bandwidths.h"
#include "receiver/Ddc1Conversion.h"
#include "receiver/ReceiverDriver.h"
#include "receiver/SampleModes.h"

namespace excalibur {

namespace {

constexpr std::uint32_t kStartUpBufferLog2 = 13;

}  // namespace

std::atomic<std::int32_t> loFrequency{kStartUpFrequency};
std::atomic<std::uint32_t> sampleRate{SampleModeTable[kStartUpSampleMode].sampleRate};
std::atomic<std::uint32_t> samplesPerBufferLog2{kStartUpBufferLog2};
std::uint32_t ddc1TypeIndex = SampleModeTable[kStartUpSampleMode].ddc1TypeIndex;
g31ddc::ReceiverApi receiverApi;

void ResetStreamSettings() {
    sampleRate = SampleModeTable[kStartUpSampleMode].sampleRate;
    samplesPerBufferLog2 = kStartUpBufferLog2;
    ddc1TypeIndex = SampleModeTable[kStartUpSampleMode].ddc1TypeIndex;
    ForgetDdc1Bandwidths();
}

namespace {

constexpr std::size_t kSampleBufferAlignment = 64;

float* AllocateSampleBuffer() {
    return static_cast<float*>(
        ::operator new[](kSampleBufferFloats * sizeof(float), std::align_val_t{kSampleBufferAlignment}));
}

}  // namespace

void ReceiverDevice::AlignedFree::operator()(float* buffer) const {
    ::operator delete[](buffer, std::align_val_t{kSampleBufferAlignment});
}

ReceiverDevice::ReceiverDevice() { ResetStreamSettings(); }

ReceiverDevice::~ReceiverDevice() { Close(); }

int ReceiverDevice::Bind() {
    libraryModule = platform::LoadLibraryByName(kDriverLibraryName);
    if (libraryModule == nullptr) return 0;
    if (driver::ResolveEntryPoints(receiverApi, libraryModule, &platform::ResolveSymbol) != nullptr) return 0;
    deviceHandle = receiverApi.OpenDevice(-1);
    return deviceHandle >= 0 ? 1 : 0;
}

int ReceiverDevice::Unbind() {
    if (libraryModule == nullptr) return 0;
    if (deviceHandle >= 0) receiverApi.CloseDevice(deviceHandle);
    platform::FreeLibraryHandle(libraryModule);
    ResetBinding();
    return 1;
}

void ReceiverDevice::ResetBinding() {
    libraryModule = nullptr;
    deviceHandle = -1;
    receiverApi = g31ddc::ReceiverApi{};
    sampleBuffer.reset();
}

int ReceiverDevice::Open() {
    if (!Bind()) {
        Unbind();
        return 0;
    }
    ddc1TypeSet = 0;
    receiverApi.SetDDC1(deviceHandle, ddc1TypeSet);
    receiverApi.GetDDC1(deviceHandle, &ddc1Type, &ddc1Info);
    ApplyAttenuator(exPara.attenuator);
    ApplyDithering(exPara.dither);
    ApplyNoiseBlanker(exPara.noiseBlanker);
    ApplyLevelOffset(exPara.levelOffset);
    callbacks = g31ddc::StreamCallbacks{};
    callbacks.ddc1Stream = &ReceiverDevice::Ddc1StreamHandler;
    return SelectSampleMode(exPara.sampleMode);
}

int ReceiverDevice::Close() {
    if (deviceHandle >= 0) {
        Stop();
        driver::PowerDown(receiverApi, deviceHandle);
    }
    return Unbind();
}

int ReceiverDevice::Start() {
    streamWanted = true;
    if (deviceHandle < 0) return 0;
    hostCallback.ExpectNewStreamThread();
    ddc1TypeSet = ddc1TypeIndex;
    if (!driver::StartDdc1(receiverApi, deviceHandle, ddc1TypeIndex, callbacks, reinterpret_cast<std::uintptr_t>(this),
                           1u << samplesPerBufferLog2)) {
        return 0;
    }
    streaming = 1;
    return 1;
}

// The driver reports the band of the type in force only, and takes a new
// type only while the stream is stopped.
void ReceiverDevice::LearnDdc1Bandwidths() {
    if (deviceHandle < 0 || streaming != 0 || ddc1BandwidthsLearned) return;
    bool allReported = true;
    for (const SampleModeEntry& mode : SampleModeTable) {
        receiverApi.SetDDC1(deviceHandle, mode.ddc1TypeIndex);
        std::uint32_t type = 0;
        g31ddc::Ddc1Info info{};
        if (receiverApi.GetDDC1(deviceHandle, &type, &info) != 0 && type == mode.ddc1TypeIndex) {
            KeepDdc1Bandwidth(type, info);
        } else {
            allReported = false;
        }
    }
    receiverApi.SetDDC1(deviceHandle, ddc1TypeSet);
    // A driver that refused a type is asked again next time.
    ddc1BandwidthsLearned = allReported;
}

void ReceiverDevice::Stop() {
    streamWanted = false;
    StopDriverStream();
}

void ReceiverDevice::StopDriverStream() {
    streaming = 0;
    if (deviceHandle < 0) return;
    driver::StopDdc1(receiverApi, deviceHandle);
}

void ReceiverDevice::PowerUp() {
    if (deviceHandle < 0) return;
    driver::PowerUp(receiverApi, deviceHandle);
}

int ReceiverDevice::SelectSampleMode(int mode) {
    if (deviceHandle < 0) return 0;
    mode = ClampSampleMode(mode);
    const bool wasStreaming = streaming == 1;
    if (wasStreaming) StopDriverStream();
    exPara.sampleMode = static_cast<std::uint8_t>(mode);
    sampleRate = SampleModeTable[mode].sampleRate;
    ddc1TypeIndex = SampleModeTable[mode].ddc1TypeIndex;
    samplesPerBufferLog2 = 12;
    if (!sampleBuffer) sampleBuffer.reset(AllocateSampleBuffer());
    // Between the stop and the restart, so that no block at the new rate
    // reaches the host before it has read the rate.
    TellHost(kStatusSampleRateChanged);
    if (wasStreaming && streamWanted && streaming == 0) Start();
    return 1;
}

void ReceiverDevice::TellHost(int status) {
    PublishRecord();
    hostCallback.CallStatus(status);
}

std::int32_t ReceiverDevice::TunedFrequency(std::int32_t frequency) {
    return std::clamp(frequency, driver::kMinFrequency, driver::kMaxFrequency);
}

void ReceiverDevice::Tune(std::int32_t frequency) {
    const std::int32_t clamped = TunedFrequency(frequency);
    loFrequency = clamped;
    if (deviceHandle >= 0) receiverApi.SetFrequency(deviceHandle, 0, static_cast<std::uint32_t>(clamped));
}

void ReceiverDevice::ApplyAttenuator(std::uint32_t on) {
    if (deviceHandle < 0) return;
    exPara.attenuator = static_cast<std::uint8_t>(on);
    receiverApi.SetAttenuator(deviceHandle, on != 0 ? driver::kAttenuatorDecibels : 0);
}

void ReceiverDevice::ApplyDithering(std::uint32_t on) {
    if (deviceHandle < 0) return;
    exPara.dither = static_cast<std::uint8_t>(on);
    receiverApi.SetDithering(deviceHandle, static_cast<std::int32_t>(on));
}

void ReceiverDevice::ApplyNoiseBlanker(std::uint32_t on) {
    if (deviceHandle < 0) return;
    exPara.noiseBlanker = static_cast<std::uint8_t>(on);
    receiverApi.SetADCNoiseBlanker(deviceHandle, static_cast<std::int32_t>(on));
}

// With a host window the host scales the samples itself and learns the
// offset only as a number.
void ReceiverDevice::ApplyLevelOffset(std::int16_t decibels) { ApplyLevelOffset(decibels, exPara.hostWindow); }

void ReceiverDevice::ApplyLevelOffset(std::int16_t decibels, std::uint32_t hostWindow) {
    const float newGain =
        hostWindow != 0 ? 1.0f : static_cast<float>(std::pow(10.0, static_cast<double>(decibels) * 0.05));
    gain.store(newGain, std::memory_order_relaxed);
}

void EXCALIBUR_STDCALL ReceiverDevice::Ddc1StreamHandler(const std::int32_t* block, std::uint32_t pairs, std::uint32_t,
                                                         std::uintptr_t userData) {
    auto* device = reinterpret_cast<ReceiverDevice*>(userData);
    float* buffer = device->sampleBuffer.get();
    if (buffer == nullptr) return;
    // A driver that delivers more than the 4096 pairs asked for gets only
    // what fits converted; the host is told the count it really receives.
    const std::size_t values = std::min<std::size_t>(std::size_t{pairs} * 2, kSampleBufferFloats);
    ConvertDdc1Block(block, buffer, values, device->gain.load(std::memory_order_relaxed));
    hostCallback.CallWithData(static_cast<int>(values), buffer);
}

}  // namespace excalibur
