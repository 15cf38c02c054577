#include "simulator/SimulatedReceiver.h"

#include <algorithm>
#include <thread>

#include "simulator/Ddc1Types.h"
#include "simulator/SimulatorOptions.h"

namespace simulator {

SimulatedReceiver::~SimulatedReceiver() {
    std::lock_guard<std::mutex> lock(mutex_);
    StopStream();
}

std::unique_lock<std::mutex> SimulatedReceiver::Lock() {
    std::unique_lock<std::mutex> lock(mutex_, std::defer_lock);
    if (!thread_.IsCurrentThread()) {
        lock.lock();
        return lock;
    }
    // The handler calling back in. Whoever holds the lock may be stopping the
    // stream and waiting for this very thread, so give up once a stop is asked.
    while (!lock.try_lock()) {
        if (thread_.Requested()) return lock;
        std::this_thread::yield();
    }
    return lock;
}

bool SimulatedReceiver::Streaming() const { return thread_.Exists() && !thread_.Requested(); }

void SimulatedReceiver::StopStream() {
    if (!thread_.Exists()) return;
    thread_.RequestStop();
    // Called from the handler: the loop ends when the handler returns, and
    // the thread is joined by the next start, stop or close.
    if (thread_.IsCurrentThread()) return;
    thread_.Join();
}

std::int32_t SimulatedReceiver::OpenDevice(std::int32_t serial) {
    const auto lock = Lock();
    if (!lock.owns_lock()) return -1;
    if (ReadSimulatorOptions().failOpen || serial != kAnyReceiver || open_.load()) return -1;
    StopStream();
    controls_.Reset();
    led_.store(0);
    ddc1Type_ = 0;
    handler_ = nullptr;
    userData_ = 0;
    open_.store(true);
    return kHandle;
}

std::int32_t SimulatedReceiver::CloseDevice(std::int32_t handle) {
    const auto lock = Lock();
    if (!lock.owns_lock() || !IsOpen(handle)) return 0;
    StopStream();
    open_.store(false);
    return 1;
}

std::int32_t SimulatedReceiver::SetPower(std::int32_t handle, std::int32_t power) {
    if (!IsOpen(handle)) return 0;
    controls_.powered.store(power != 0);
    return 1;
}

std::int32_t SimulatedReceiver::GetPower(std::int32_t handle, std::uint32_t* power) {
    if (!IsOpen(handle) || power == nullptr) return 0;
    *power = controls_.powered.load() ? 1 : 0;
    return 1;
}

std::int32_t SimulatedReceiver::SetLED(std::int32_t handle, std::int32_t mode) {
    if (!IsOpen(handle)) return 0;
    led_.store(mode);
    return 1;
}

std::int32_t SimulatedReceiver::SetDDC1(std::int32_t handle, std::uint32_t typeIndex) {
    const auto lock = Lock();
    if (!lock.owns_lock() || !IsOpen(handle) || Streaming() || FindDdc1Type(typeIndex) == nullptr) return 0;
    ddc1Type_ = typeIndex;
    return 1;
}

std::int32_t SimulatedReceiver::GetDDC1(std::int32_t handle, std::uint32_t* typeIndex, g31ddc::Ddc1Info* info) {
    const auto lock = Lock();
    if (!lock.owns_lock() || !IsOpen(handle)) return 0;
    const Ddc1Type& type = *FindDdc1Type(ddc1Type_);
    if (typeIndex) *typeIndex = ddc1Type_;
    if (info) *info = g31ddc::Ddc1Info{type.sampleRate, type.bandwidth, kBitsPerSample};
    return 1;
}

std::int32_t SimulatedReceiver::SetCallbacks(std::int32_t handle, const g31ddc::StreamCallbacks* callbacks,
                                             std::uintptr_t userData) {
    const auto lock = Lock();
    // The stream keeps the handler it was started with, so a change while it
    // runs is refused rather than silently deferred.
    if (!lock.owns_lock() || !IsOpen(handle) || Streaming()) return 0;
    handler_ = callbacks ? callbacks->ddc1Stream : nullptr;
    userData_ = userData;
    return 1;
}

std::int32_t SimulatedReceiver::StartDDC1(std::int32_t handle, std::uint32_t pairsPerBlock) {
    const auto lock = Lock();
    if (!lock.owns_lock() || !IsOpen(handle)) return 0;
    const SimulatorOptions options = ReadSimulatorOptions();
    if (options.failStart || pairsPerBlock == 0 || pairsPerBlock > kMaxBlockPairs) return 0;
    if (thread_.Exists()) {
        // Running, or the handler asking to restart its own stream.
        if (!thread_.Requested() || thread_.IsCurrentThread()) return 0;
        thread_.Join();
    }
    const Ddc1Type& type = *FindDdc1Type(ddc1Type_);
    setup_.handler = handler_;
    setup_.userData = userData_;
    setup_.sampleRate = type.sampleRate;
    setup_.blockPairs = options.blockPairs.value_or(pairsPerBlock);
    // A block of no pairs still takes the time of the block that was asked for.
    setup_.pacedPairs = setup_.blockPairs != 0 ? setup_.blockPairs : pairsPerBlock;
    setup_.freePace = options.freePace;
    setup_.timingFile = options.timingFile;
    block_.assign(2 * static_cast<std::size_t>(std::max<std::uint32_t>(setup_.blockPairs, 1)), 0);
    scene_.Restart(type.sampleRate);
    return thread_.Start(*this) ? 1 : 0;
}

std::int32_t SimulatedReceiver::StopDDC1(std::int32_t handle) {
    const auto lock = Lock();
    if (!lock.owns_lock() || !IsOpen(handle)) return 0;
    StopStream();
    return 1;
}

std::int32_t SimulatedReceiver::SetFrequency(std::int32_t handle, std::uint32_t channel, std::uint32_t hertz) {
    if (!IsOpen(handle) || channel != 0 || hertz > kHighestFrequency) return 0;
    controls_.frequency.store(hertz);
    return 1;
}

std::int32_t SimulatedReceiver::GetFrequency(std::int32_t handle, std::uint32_t channel, std::uint32_t* hertz) {
    if (!IsOpen(handle) || channel != 0 || hertz == nullptr) return 0;
    *hertz = controls_.frequency.load();
    return 1;
}

std::int32_t SimulatedReceiver::SetDDC1Frequency(std::int32_t handle, std::uint32_t hertz) {
    return SetFrequency(handle, 0, hertz);
}

std::int32_t SimulatedReceiver::GetDDC1Frequency(std::int32_t handle, std::uint32_t* hertz) {
    return GetFrequency(handle, 0, hertz);
}

std::int32_t SimulatedReceiver::SetAttenuator(std::int32_t handle, std::uint32_t decibels) {
    if (!IsOpen(handle) || decibels > kMostAttenuationDb) return 0;
    controls_.attenuatorDb.store(decibels);
    return 1;
}

std::int32_t SimulatedReceiver::SetDithering(std::int32_t handle, std::int32_t enabled) {
    if (!IsOpen(handle)) return 0;
    controls_.dithering.store(enabled != 0);
    return 1;
}

std::int32_t SimulatedReceiver::SetADCNoiseBlanker(std::int32_t handle, std::int32_t enabled) {
    if (!IsOpen(handle)) return 0;
    controls_.noiseBlanker.store(enabled != 0);
    return 1;
}

std::int32_t SimulatedReceiver::SetMWFilter(std::int32_t handle, std::int32_t enabled) {
    if (!IsOpen(handle)) return 0;
    controls_.mwFilter.store(enabled != 0);
    return 1;
}

void SimulatedReceiver::Run(StopSignal& stop) { RunDdc1Stream(setup_, scene_, block_.data(), controls_, stop); }

}  // namespace simulator
