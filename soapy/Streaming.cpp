#include <SoapySDR/Errors.hpp>
#include <SoapySDR/Formats.hpp>

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "receiver/ReceiverDriver.h"
#include "soapy/BlockPairs.h"
#include "soapy/ExcaliburDevice.h"
#include "soapy/Log.h"

namespace excalibur::soapy {

namespace {

constexpr const char* kBuffersKey = "buffers";

std::uint64_t IdOf(SoapySDR::Stream* handle) { return reinterpret_cast<std::uintptr_t>(handle); }

std::size_t ParseBuffers(const std::string& value) {
    std::size_t slots = 0;
    const bool digits =
        !value.empty() && value.size() <= 6 && value.find_first_not_of("0123456789") == std::string::npos;
    if (digits) slots = std::stoul(value);
    if (!digits || slots < kMinRingSlots || slots > kMaxRingSlots) {
        throw std::invalid_argument("excalibur: stream argument buffers=" + value +
                                    " is not a number of buffers from " + std::to_string(kMinRingSlots) + " to " +
                                    std::to_string(kMaxRingSlots));
    }
    return slots;
}

std::chrono::microseconds Timeout(long timeoutUs) { return std::chrono::microseconds(std::max(timeoutUs, 0L)); }

// Waits for the next block and claims it; 0 when there is one to read,
// otherwise what the reading call answers. An overflow is told once per lost
// stretch, as "O" and as the call's answer, stamped with the time of the
// first pair lost, before the block after it.
int AwaitBlock(SampleRing& ring, long timeoutUs, SampleRing::Claim& claim, int& flags, long long& timeNs) {
    const SampleRing::Status status = ring.Peek(Timeout(timeoutUs), claim);
    switch (status) {
        case SampleRing::Status::Ready:
        case SampleRing::Status::Overflow: break;
        case SampleRing::Status::Timeout:
        case SampleRing::Status::Stopped: return SOAPY_SDR_TIMEOUT;
        case SampleRing::Status::Dead:
        case SampleRing::Status::Closed: return SOAPY_SDR_STREAM_ERROR;
    }
    flags = SOAPY_SDR_HAS_TIME;
    timeNs = claim->timeNs;
    if (status == SampleRing::Status::Overflow) {
        SoapySDR::log(SOAPY_SDR_SSI, "O");
        return SOAPY_SDR_OVERFLOW;
    }
    return 0;
}

}  // namespace

std::vector<std::string> ExcaliburDevice::getStreamFormats(int direction, std::size_t channel) const {
    if (!IsReceiveChannel(direction, channel)) return Device::getStreamFormats(direction, channel);
    return StreamFormatNames();
}

std::string ExcaliburDevice::getNativeStreamFormat(int direction, std::size_t channel, double& fullScale) const {
    if (!IsReceiveChannel(direction, channel)) return Device::getNativeStreamFormat(direction, channel, fullScale);
    fullScale = kNativeFullScale;
    return StreamFormatNames().front();
}

SoapySDR::ArgInfoList ExcaliburDevice::getStreamArgsInfo(int direction, std::size_t channel) const {
    if (!IsReceiveChannel(direction, channel)) return Device::getStreamArgsInfo(direction, channel);
    SoapySDR::ArgInfo buffers;
    buffers.key = kBuffersKey;
    buffers.name = "Buffers";
    buffers.description = "The stream's ring: how many blocks of up to " + std::to_string(driver::kPairsPerBlock) +
                          " I/Q pairs (" + std::to_string(kMaxBlockMilliseconds) +
                          " ms at most) it holds for a reader that falls behind";
    buffers.type = SoapySDR::ArgInfo::INT;
    buffers.value = std::to_string(kRingSlots);
    buffers.units = "blocks";
    buffers.range = SoapySDR::Range(kMinRingSlots, kMaxRingSlots, 1);
    return {buffers};
}

SoapySDR::Stream* ExcaliburDevice::setupStream(int direction, const std::string& format,
                                               const std::vector<std::size_t>& channels, const SoapySDR::Kwargs& args) {
    if (direction != SOAPY_SDR_RX) throw std::invalid_argument("excalibur: the receiver has no transmit stream");
    if (channels.size() > 1 || (channels.size() == 1 && channels[0] != 0)) {
        throw std::invalid_argument("excalibur: the receiver streams channel 0 only");
    }
    const StreamFormat parsed = ParseStreamFormat(format);
    std::size_t slots = kRingSlots;
    for (const auto& [key, value] : args) {
        if (key == kBuffersKey) {
            slots = ParseBuffers(value);
        } else if (key.rfind("remote:", 0) != 0) {  // SoapyRemote's own, passed on by its server
            Warn("excalibur: stream argument " + key + " is not known and is ignored; the one known is buffers");
        }
    }
    std::lock_guard lock(control);
    std::lock_guard streamLock(streams);
    if (stream) throw std::runtime_error("excalibur: the receiver's stream is already set up");
    stream = std::make_shared<RxStream>(++lastStreamId, parsed, slots);
    return reinterpret_cast<SoapySDR::Stream*>(static_cast<std::uintptr_t>(stream->id));
}

ExcaliburDevice::RxStream* ExcaliburDevice::StreamOf(SoapySDR::Stream* handle) const {
    std::lock_guard lock(streams);
    return stream && stream->id == IdOf(handle) ? stream.get() : nullptr;
}

void ExcaliburDevice::closeStream(SoapySDR::Stream* handle) {
    std::lock_guard lock(control);
    if (StreamOf(handle) == nullptr) {
        Warn("excalibur: closeStream: not an open stream of this device");
        return;
    }
    StopDriverStream();
    EndStream();
}

// Holding `control`, with the driver stopped: takes the stream out of reach
// of new calls, wakes a reader inside one and waits for it to leave. The
// stream is freed here unless the driver may still write to it.
void ExcaliburDevice::EndStream() {
    std::shared_ptr<RxStream> ending;
    {
        std::lock_guard lock(streams);
        ending = std::move(stream);
    }
    if (!ending) return;
    lastTimeNs = ending->ring.WriterTimeNs();
    ending->ring.Close();
    std::unique_lock lock(streams);
    readersLeft.wait(lock, [this] { return readers == 0; });
}

ExcaliburDevice::ReaderPass::ReaderPass(ExcaliburDevice& owner, RxStream* held) : device(owner), stream(held) {}

ExcaliburDevice::ReaderPass::~ReaderPass() {
    if (stream == nullptr) return;
    // Notified under the lock: the closer may free the device as soon as it
    // has the lock again.
    std::lock_guard lock(device.streams);
    --device.readers;
    device.readersLeft.notify_all();
}

ExcaliburDevice::ReaderPass ExcaliburDevice::EnterReader(SoapySDR::Stream* handle) {
    std::lock_guard lock(streams);
    if (!stream || stream->id != IdOf(handle)) return ReaderPass(*this, nullptr);
    ++readers;
    return ReaderPass(*this, stream.get());
}

std::size_t ExcaliburDevice::getStreamMTU(SoapySDR::Stream*) const { return driver::kPairsPerBlock; }

int ExcaliburDevice::activateStream(SoapySDR::Stream* handle, int flags, long long, std::size_t) {
    if (flags != 0) return SOAPY_SDR_NOT_SUPPORTED;
    std::lock_guard lock(control);
    RxStream* rx = StreamOf(handle);
    if (rx == nullptr) {
        LogError("excalibur: activateStream: not an open stream of this device");
        return SOAPY_SDR_STREAM_ERROR;
    }
    if (rx->ring.Abandoned()) {
        LogError("excalibur: activateStream: the driver's StopDDC1 failed on this stream; close it");
        return SOAPY_SDR_STREAM_ERROR;
    }
    if (driverStream.get() == rx) return 0;
    if (!StopDriverStream()) {  // a closed stream's, tried again
        LogError("excalibur: activateStream: the driver's stream could not be stopped before; close the device");
        return SOAPY_SDR_STREAM_ERROR;
    }
    rx->ring.Restart(ddc1.sampleRate);
    if (const char* failed = StartDriverStream()) {
        rx->ring.Fail();
        LogError(CallFailed(failed, "starting the stream at " + std::to_string(ddc1.sampleRate) + " Hz") +
                 "; the stream is not running");
        return SOAPY_SDR_STREAM_ERROR;
    }
    return 0;
}

int ExcaliburDevice::deactivateStream(SoapySDR::Stream* handle, int flags, long long) {
    if (flags != 0) return SOAPY_SDR_NOT_SUPPORTED;
    std::lock_guard lock(control);
    RxStream* rx = StreamOf(handle);
    if (rx == nullptr) {
        LogError("excalibur: deactivateStream: not an open stream of this device");
        return SOAPY_SDR_STREAM_ERROR;
    }
    const bool stopped = driverStream.get() != rx || StopDriverStream();
    rx->ring.Stop();
    return stopped ? 0 : SOAPY_SDR_STREAM_ERROR;
}

ExcaliburDevice::RxStream* ExcaliburDevice::RunningStream() const {
    return driverStream && !driverStream->ring.Abandoned() ? driverStream.get() : nullptr;
}

// Holding `control`. Null when the stream runs, else the name of the driver
// call that failed; a stream started with a failed call is stopped again.
const char* ExcaliburDevice::StartDriverStream() {
    {
        std::lock_guard lock(streams);
        driverStream = stream;
    }
    const char* failed = nullptr;
    const bool started = driver::StartDdc1(library.Api(), handle, ddc1.typeIndex, callbacks,
                                           reinterpret_cast<std::uintptr_t>(driverStream.get()),
                                           BlockPairs(ddc1.sampleRate), &failed, switchOn[kMwFilter]);
    if (!started) driverStream.reset();
    if (started && failed != nullptr) StopDriverStream();
    ReadDdc1Type();
    return failed;
}

// Holding `control`. Once it returns true, no block arrives. False (logged)
// when the driver's StopDDC1 failed: the driver may still write to the
// stream, so it is kept, and its readers get SOAPY_SDR_STREAM_ERROR until it
// is closed; the next stop tries again.
bool ExcaliburDevice::StopDriverStream() {
    if (!driverStream) return true;
    if (!driver::StopDdc1(library.Api(), handle)) {
        driverStream->ring.Abandon();
        LogError(CallFailed("StopDDC1", "stopping the stream") + "; its blocks are no longer read");
        return false;
    }
    driverStream.reset();
    return true;
}

void EXCALIBUR_STDCALL ExcaliburDevice::Ddc1Handler(const std::int32_t* block, std::uint32_t pairs, std::uint32_t,
                                                    std::uintptr_t userData) {
    reinterpret_cast<RxStream*>(userData)->ring.Write(block, pairs);
}

// Runs on a reader's thread without `control`.
int ExcaliburDevice::readStream(SoapySDR::Stream* handle, void* const* buffs, std::size_t numElems, int& flags,
                                long long& timeNs, long timeoutUs) {
    flags = 0;
    const ReaderPass rx = EnterReader(handle);
    if (!rx) return SOAPY_SDR_STREAM_ERROR;
    if (numElems == 0) return 0;
    SampleRing::Claim claim;
    if (const int waited = AwaitBlock(rx->ring, timeoutUs, claim, flags, timeNs); waited != 0) return waited;
    const std::size_t pairs = std::min(numElems, claim->pairs);
    ConvertPairs(rx->format, claim->values, buffs[0], pairs);
    if (pairs < claim->pairs || claim->moreOfBlock) flags |= SOAPY_SDR_MORE_FRAGMENTS;
    claim.Take(pairs);
    return static_cast<int>(pairs);
}

std::size_t ExcaliburDevice::getNumDirectAccessBuffers(SoapySDR::Stream* handle) {
    const ReaderPass rx = EnterReader(handle);
    return rx && rx->format == StreamFormat::Cs32 ? rx->ring.Slots() : 0;
}

int ExcaliburDevice::getDirectAccessBufferAddrs(SoapySDR::Stream* handle, std::size_t index, void** buffs) {
    const ReaderPass rx = EnterReader(handle);
    if (!rx) return SOAPY_SDR_STREAM_ERROR;
    if (rx->format != StreamFormat::Cs32) return SOAPY_SDR_NOT_SUPPORTED;
    if (index >= rx->ring.Slots()) return SOAPY_SDR_STREAM_ERROR;
    buffs[0] = const_cast<std::int32_t*>(rx->ring.SlotValues(index));
    return 0;
}

int ExcaliburDevice::acquireReadBuffer(SoapySDR::Stream* handle, std::size_t& index, const void** buffs, int& flags,
                                       long long& timeNs, long timeoutUs) {
    flags = 0;
    const ReaderPass rx = EnterReader(handle);
    if (!rx) return SOAPY_SDR_STREAM_ERROR;
    if (rx->format != StreamFormat::Cs32) return SOAPY_SDR_NOT_SUPPORTED;
    SampleRing::Claim claim;
    if (const int waited = AwaitBlock(rx->ring, timeoutUs, claim, flags, timeNs); waited != 0) return waited;
    if (claim->moreOfBlock) flags |= SOAPY_SDR_MORE_FRAGMENTS;
    index = claim.Acquire();
    buffs[0] = claim->values;
    return static_cast<int>(claim->pairs);
}

void ExcaliburDevice::releaseReadBuffer(SoapySDR::Stream* handle, std::size_t index) {
    const ReaderPass rx = EnterReader(handle);
    if (rx && !rx->ring.Release(index))
        Warn("excalibur: releaseReadBuffer: buffer " + std::to_string(index) + " was not acquired");
}

}  // namespace excalibur::soapy
