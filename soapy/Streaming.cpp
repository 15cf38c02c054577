#include <SoapySDR/Errors.hpp>

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "receiver/ReceiverDriver.h"
#include "receiver/SampleModes.h"
#include "soapy/ExcaliburDevice.h"

namespace excalibur::soapy {

std::vector<std::string> ExcaliburDevice::getStreamFormats(int direction, std::size_t channel) const {
    RequireReceiveChannel(direction, channel);
    return StreamFormatNames();
}

std::string ExcaliburDevice::getNativeStreamFormat(int direction, std::size_t channel, double& fullScale) const {
    RequireReceiveChannel(direction, channel);
    fullScale = kNativeFullScale;
    return StreamFormatNames().front();
}

SoapySDR::Stream* ExcaliburDevice::setupStream(int direction, const std::string& format,
                                               const std::vector<std::size_t>& channels, const SoapySDR::Kwargs&) {
    if (direction != SOAPY_SDR_RX) throw std::invalid_argument("excalibur: the receiver has no transmit stream");
    if (channels.size() > 1 || (channels.size() == 1 && channels[0] != 0)) {
        throw std::invalid_argument("excalibur: the receiver streams channel 0 only");
    }
    const StreamFormat parsed = ParseStreamFormat(format);
    std::lock_guard lock(control);
    if (stream) throw std::runtime_error("excalibur: the receiver's stream is already set up");
    stream.reset(new RxStream{parsed, {kRingSlots, driver::kPairsPerBlock}});
    return reinterpret_cast<SoapySDR::Stream*>(stream.get());
}

ExcaliburDevice::RxStream& ExcaliburDevice::StreamOf(SoapySDR::Stream* handle) const {
    auto* rx = reinterpret_cast<RxStream*>(handle);
    if (rx == nullptr || rx != stream.get()) throw std::invalid_argument("excalibur: not a stream of this device");
    return *rx;
}

void ExcaliburDevice::closeStream(SoapySDR::Stream* handle) {
    std::lock_guard lock(control);
    StreamOf(handle);
    StopDriverStream();
    stream.reset();
}

std::size_t ExcaliburDevice::getStreamMTU(SoapySDR::Stream*) const { return driver::kPairsPerBlock; }

int ExcaliburDevice::activateStream(SoapySDR::Stream* handle, int flags, long long, std::size_t) {
    if (flags != 0) return SOAPY_SDR_NOT_SUPPORTED;
    std::lock_guard lock(control);
    RxStream& rx = StreamOf(handle);
    if (streaming) return 0;
    rx.ring.Restart();
    return StartDriverStream() ? 0 : SOAPY_SDR_STREAM_ERROR;
}

int ExcaliburDevice::deactivateStream(SoapySDR::Stream* handle, int flags, long long) {
    if (flags != 0) return SOAPY_SDR_NOT_SUPPORTED;
    std::lock_guard lock(control);
    StreamOf(handle);
    StopDriverStream();
    return 0;
}

// Holding `control`. The handler gets the stream, never the device.
bool ExcaliburDevice::StartDriverStream() {
    streaming = driver::StartDdc1(library.Api(), handle, SampleModeTable[sampleMode].ddc1TypeIndex, callbacks,
                                  reinterpret_cast<std::uintptr_t>(stream.get()), driver::kPairsPerBlock);
    return streaming;
}

// Holding `control`. No block arrives after it returns.
void ExcaliburDevice::StopDriverStream() {
    if (!streaming) return;
    driver::StopDdc1(library.Api(), handle);
    streaming = false;
}

void EXCALIBUR_STDCALL ExcaliburDevice::Ddc1Handler(const std::int32_t* block, std::uint32_t pairs, std::uint32_t,
                                                    std::uintptr_t userData) {
    reinterpret_cast<RxStream*>(userData)->ring.Write(block, pairs);
}

// Runs on the reader's thread without `control`: the stream object lives
// until closeStream, which a reader must not call while it reads.
int ExcaliburDevice::readStream(SoapySDR::Stream* handle, void* const* buffs, std::size_t numElems, int& flags,
                                long long& timeNs, long timeoutUs) {
    auto* rx = reinterpret_cast<RxStream*>(handle);
    if (rx == nullptr) return SOAPY_SDR_STREAM_ERROR;
    flags = 0;
    timeNs = 0;
    if (numElems == 0) return 0;
    const auto pending = rx->ring.Peek(std::chrono::microseconds(std::max(timeoutUs, 0L)));
    if (!pending) return SOAPY_SDR_TIMEOUT;
    if (pending->afterGap) {
        rx->ring.ClearGap();
        return SOAPY_SDR_OVERFLOW;
    }
    const std::size_t pairs = std::min(numElems, pending->pairs);
    ConvertPairs(rx->format, pending->values, buffs[0], pairs);
    rx->ring.Take(pairs);
    return static_cast<int>(pairs);
}

}  // namespace excalibur::soapy
