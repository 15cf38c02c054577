#include "host/SoakMonitor.h"

#include <algorithm>
#include <thread>

#include "host/GapDetector.h"
#include "host/SampleCapture.h"

namespace host {
namespace {

std::atomic<SoakMonitor*> activeMonitor{nullptr};
std::atomic<int> callbacksInside{0};

}  // namespace

SoakMonitor::SoakMonitor(RateQuery rateQuery) : rateQuery_(rateQuery), stalls_(stallRoom) {
    notices_.reserve(16384);
    activeMonitor.store(this);
}

SoakMonitor::~SoakMonitor() {
    SoakMonitor* self = this;
    activeMonitor.compare_exchange_strong(self, nullptr);
    while (callbacksInside.load() != 0) std::this_thread::yield();
}

int SoakMonitor::HostCallback(int count, int status, float iqOffset, void* data) {
    callbacksInside.fetch_add(1);
    SoakMonitor* monitor = activeMonitor.load();
    if (monitor != nullptr && monitor->armed_.load()) {
        if (status == 0) {
            monitor->OnData(monitor->SecondsSinceOrigin(), count);
        } else if (status == sampleRateChanged) {
            const int rate = monitor->rateQuery_ ? monitor->rateQuery_() : 0;
            monitor->OnRateNotice(monitor->SecondsSinceOrigin(), rate);
        }
    }
    callbacksInside.fetch_sub(1);
    return SampleCapture::HostCallback(count, status, iqOffset, data);
}

double SoakMonitor::SecondsSinceOrigin() const { return std::chrono::duration<double>(Clock::now() - origin_).count(); }

void SoakMonitor::Arm(Clock::time_point origin, int rate) {
    origin_ = origin;
    rateInForce_.store(static_cast<double>(rate));
    armed_.store(true);
}

void SoakMonitor::OnData(double seconds, int count) {
    if (stopped_.load()) {
        blocksAfterStop_.fetch_add(1);
        return;
    }
    if (!armed_.load()) return;
    Tally(count);
    if (blocks_++ > 0) JudgeWaitUntil(seconds);
    // A block is due one period after the one before, at the rate that block came at.
    const double rate = rateInForce_.load(std::memory_order_relaxed);
    lastArrival_ = seconds;
    lastPeriod_ = rate > 0.0 && count > 0 ? static_cast<double>(count / 2) / rate : 0.0;
}

void SoakMonitor::Tally(int count) {
    for (std::size_t i = 0; i < countsUsed_; ++i) {
        if (counts_[i].count == count) {
            ++counts_[i].calls;
            return;
        }
    }
    if (countsUsed_ < counts_.size())
        counts_[countsUsed_++] = {count, 1};
    else
        ++callsOfUntalliedCounts_;
}

void SoakMonitor::OnRateNotice(double seconds, int rate) {
    rateInForce_.store(static_cast<double>(rate));
    std::lock_guard lock(noticesMutex_);
    notices_.push_back({seconds, rate});
}

void SoakMonitor::JudgeWaitUntil(double seconds) {
    const double wait = seconds - lastArrival_;
    longestWait_ = std::max(longestWait_, wait);
    if (wait <= GapDetector::stallFactor * lastPeriod_) return;
    if (stallCount_ < stalls_.size())
        stalls_[stallCount_++] = {lastArrival_, seconds};
    else
        ++stallsNotKept_;
}

void SoakMonitor::CloseStream(double stopCalledAt) {
    if (blocks_ > 0 && stopCalledAt > lastArrival_) JudgeWaitUntil(stopCalledAt);
}

void SoakMonitor::MarkStopped() {
    stopped_.store(true);
    while (callbacksInside.load() != 0) std::this_thread::yield();
}

SoakObservations SoakMonitor::Observations() const {
    SoakObservations seen;
    seen.blocks = blocks_;
    seen.counts.assign(counts_.begin(), counts_.begin() + static_cast<std::ptrdiff_t>(countsUsed_));
    seen.callsOfUntalliedCounts = callsOfUntalliedCounts_;
    seen.stalls.assign(stalls_.begin(), stalls_.begin() + static_cast<std::ptrdiff_t>(stallCount_));
    seen.stallsNotKept = stallsNotKept_;
    seen.longestWait = longestWait_;
    {
        std::lock_guard lock(noticesMutex_);
        seen.notices = notices_;
    }
    seen.blocksAfterStop = blocksAfterStop_.load();
    return seen;
}

}  // namespace host
