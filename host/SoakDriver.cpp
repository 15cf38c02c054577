#include "host/SoakDriver.h"

namespace host {

SoakDriver::SoakDriver(const SoakExports& exports, const SoakSchedule& schedule, TimePoint origin,
                       std::function<void()> wakeOwner)
    : exports_(exports), schedule_(schedule), origin_(origin), wakeOwner_(std::move(wakeOwner)) {}

SoakDriver::~SoakDriver() {
    // The owner stops and joins first; this only keeps a forgotten thread from ending the process.
    RequestStop();
    if (thread_.joinable()) thread_.join();
}

void SoakDriver::Start() {
    // A soak of an hour: one selection every 250 ms.
    selections_.reserve(16384);
    thread_ = std::thread([this] { Run(); });
}

void SoakDriver::RequestStop() {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    stopSignal_.notify_all();
}

void SoakDriver::Join() {
    if (thread_.joinable()) thread_.join();
}

double SoakDriver::SecondsSinceOrigin() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - origin_).count();
}

void SoakDriver::Run() {
    std::vector<SoakStep> steps;
    std::unique_lock lock(mutex_);
    while (!stopRequested_) {
        const auto due = origin_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                       std::chrono::duration<double>(schedule_.NextDue()));
        if (stopSignal_.wait_until(lock, due, [this] { return stopRequested_; })) break;
        lock.unlock();
        steps.clear();
        schedule_.TakeDue(SecondsSinceOrigin(), steps);
        for (const SoakStep& step : steps) Perform(step);
        lock.lock();
    }
    lock.unlock();
    finished_.store(true);
    if (wakeOwner_) wakeOwner_();
}

void SoakDriver::Perform(const SoakStep& step) {
    ++calls_[static_cast<std::size_t>(step.call)];
    switch (step.call) {
        case SoakCall::SampleMode: {
            const double calledAt = SecondsSinceOrigin();
            exports_.setSamples(step.value);
            selections_.push_back({calledAt, SecondsSinceOrigin(), step.value});
            break;
        }
        case SoakCall::LevelOffset: exports_.setLevelOffset(step.value); break;
        case SoakCall::Attenuator: exports_.setAtt(step.value); break;
        case SoakCall::Dither: exports_.setDither(step.value); break;
        case SoakCall::NoiseBlanker: exports_.setNb(step.value); break;
    }
}

}  // namespace host
