#include "host/SampleCapture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

#include "host/Decibels.h"

namespace host {
namespace {

std::atomic<SampleCapture*> activeCapture{nullptr};
std::atomic<int> callbacksInside{0};

// Eight partial sums so that the compiler can keep them in one vector register.
float SumOfSquares(const float* values, std::size_t count) {
    float lanes[8] = {};
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8)
        for (int lane = 0; lane < 8; ++lane) lanes[lane] += values[i + lane] * values[i + lane];
    float total = 0.0f;
    for (float lane : lanes) total += lane;
    for (; i < count; ++i) total += values[i] * values[i];
    return total;
}

float LargestMagnitude(const float* values, std::size_t count) {
    float lanes[8] = {};
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8)
        for (int lane = 0; lane < 8; ++lane) lanes[lane] = std::max(lanes[lane], std::fabs(values[i + lane]));
    float largest = 0.0f;
    for (float lane : lanes) largest = std::max(largest, lane);
    for (; i < count; ++i) largest = std::max(largest, std::fabs(values[i]));
    return largest;
}

void WaitUntilNoCallbackInside() {
    while (callbacksInside.load() != 0) std::this_thread::yield();
}

}  // namespace

double LevelAccumulator::Dbfs(double fullScale) const {
    return pairs == 0 ? silenceDbfs : PowerToDbfs(sumOfSquares / static_cast<double>(pairs), fullScale);
}

SampleCapture::SampleCapture(RateQuery rateQuery, AttenuatorQuery attenuatorQuery)
    : rateQuery_(rateQuery), attenuatorQuery_(attenuatorQuery) {
    activeCapture.store(this);
}

SampleCapture::~SampleCapture() {
    SampleCapture* self = this;
    activeCapture.compare_exchange_strong(self, nullptr);
    WaitUntilNoCallbackInside();
}

int SampleCapture::HostCallback(int count, int status, float /*iqOffset*/, void* data) {
    // Counted before the capture is looked at, so that Disarm and the
    // destructor can wait for a call that is already inside.
    callbacksInside.fetch_add(1);
    if (SampleCapture* capture = activeCapture.load()) {
        if (status == 0) {
            if (capture->accepting_.load()) capture->OnData(static_cast<const float*>(data), count);
        } else {
            capture->OnStatus(status);
        }
    }
    callbacksInside.fetch_sub(1);
    return 0;
}

void SampleCapture::Prepare(std::size_t storagePairs, double nominalRate) {
    storage_.assign(storagePairs * 2, 0.0f);
    storedPairs_ = 0;
    storedRate_ = nominalRate;
    nominalRate_.store(nominalRate, std::memory_order_relaxed);
    restartPending_.store(false);
    gaps_.Reset(nominalRate);
}

void SampleCapture::SetBlockPairs(int pairs) {
    maxValuesPerBlock_.store(pairs > 0 ? 2 * pairs : 0, std::memory_order_relaxed);
}

void SampleCapture::Arm() {
    armedAt_ = std::chrono::steady_clock::now();
    accepting_.store(true);
}

void SampleCapture::Disarm() {
    accepting_.store(false);
    WaitUntilNoCallbackInside();
}

void SampleCapture::SetPhase(int phase) {
    phase_.store(std::clamp(phase, 0, phaseCount - 1), std::memory_order_relaxed);
}

double SampleCapture::SecondsSinceArm() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - armedAt_).count();
}

void SampleCapture::OnStatus(int status) {
    if (status >= 0 && status < static_cast<int>(statusCounts_.size()))
        statusCounts_[static_cast<std::size_t>(status)].fetch_add(1, std::memory_order_relaxed);
    else
        otherStatusCount_.fetch_add(1, std::memory_order_relaxed);
    if (status == attenuatorChanged && attenuatorQuery_ != nullptr) {
        attenuatorIndexRead_.store(attenuatorQuery_());
        attenuatorReads_.fetch_add(1);
        return;
    }
    if (status != sampleRateChanged || rateQuery_ == nullptr) return;
    // The plug-in has its new rate in place when it tells us.
    nominalRate_.store(static_cast<double>(rateQuery_()), std::memory_order_relaxed);
    rateChanges_.fetch_add(1, std::memory_order_relaxed);
    restartPending_.store(true);
}

void SampleCapture::OnData(const float* data, int count) {
    const double arrival = SecondsSinceArm();
    if (data == nullptr || count < 2) {
        ++emptyDataCalls_;
        return;
    }
    std::size_t values = static_cast<std::size_t>(count) & ~std::size_t{1};
    const int limit = maxValuesPerBlock_.load(std::memory_order_relaxed);
    if (limit > 0 && values > static_cast<std::size_t>(limit)) {
        ++oversized_;
        values = static_cast<std::size_t>(limit);
    }
    const std::size_t pairs = values / 2;

    if (restartPending_.exchange(false)) {
        // Samples of two rates make no spectrum and no rate: start over.
        storedPairs_ = 0;
        storedRate_ = nominalRate_.load(std::memory_order_relaxed);
        gaps_.Reset(storedRate_);
    }
    gaps_.OnBlock(arrival, static_cast<std::uint32_t>(pairs));

    const std::size_t room = storage_.size() / 2 - storedPairs_;
    const std::size_t kept = std::min(room, pairs);
    if (kept > 0) std::memcpy(storage_.data() + storedPairs_ * 2, data, kept * 2 * sizeof(float));
    storedPairs_ += kept;

    const float power = SumOfSquares(data, values);
    peakMagnitude_ = std::max(peakMagnitude_, LargestMagnitude(data, values));
    const int phase = phase_.load(std::memory_order_relaxed);
    // The block after a switch may have been in flight before it.
    if (phase == lastPhase_) {
        phaseLevels_[static_cast<std::size_t>(phase)].sumOfSquares += power;
        phaseLevels_[static_cast<std::size_t>(phase)].pairs += pairs;
    }
    lastPhase_ = phase;

    ++blocks_;
    values_ += values;
    blocksSoFar_.store(blocks_, std::memory_order_relaxed);
    valuesSoFar_.store(values_, std::memory_order_relaxed);
    lastBlockPower_.store(power / static_cast<float>(pairs), std::memory_order_relaxed);
}

CaptureResult SampleCapture::Result() const {
    CaptureResult result;
    result.blocks = blocks_;
    result.values = values_;
    result.oversizedBlocks = oversized_;
    result.emptyDataCalls = emptyDataCalls_;
    result.nominalRate = nominalRate_.load();
    result.rateChanges = rateChanges_.load();
    result.gaps = gaps_.Report();
    result.phaseLevels = phaseLevels_;
    for (const LevelAccumulator& phase : phaseLevels_) {
        result.level.sumOfSquares += phase.sumOfSquares;
        result.level.pairs += phase.pairs;
    }
    result.peakMagnitude = peakMagnitude_;
    result.stored = storage_.data();
    result.storedPairs = storedPairs_;
    result.storedRate = storedRate_;
    for (std::size_t status = 0; status < statusCounts_.size(); ++status) {
        const std::uint32_t calls = statusCounts_[status].load();
        if (calls != 0) result.statusCalls.emplace_back(static_cast<int>(status), calls);
    }
    if (const std::uint32_t other = otherStatusCount_.load()) result.statusCalls.emplace_back(-1, other);
    result.attenuatorReads = attenuatorReads_.load();
    result.attenuatorIndexRead = attenuatorIndexRead_.load();
    return result;
}

}  // namespace host
