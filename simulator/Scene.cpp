#include "simulator/Scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "simulator/Stations.h"

namespace simulator {
namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

constexpr std::uint64_t kSceneSeed = 0x5EED0031DDC1ULL;
constexpr std::uint64_t kNoiseSeed = 0x5EED0000A015EULL;
constexpr std::uint64_t kImpulseSeed = 0x5EED000B1A57ULL;

constexpr double kAmToneDepth = 0.3;

// ADC spurs at 62.5 kHz + k MHz; dithering spreads them into the noise.
constexpr double kSpurFirstHertz = 62500.0;
constexpr double kSpurSpacingHertz = 1000000.0;
constexpr int kSpurCount = 50;
constexpr double kSpurLevelDb = -90.0;

// The ADC's own noise, constant per hertz, so the floor per bin does not
// depend on the sample rate.
constexpr double kNoiseDensityDb = -150.0;

// Impulse noise from the antenna: a 10 us burst every 17 to 23 ms.
constexpr float kImpulseAmplitude = 0.1f;
constexpr double kImpulseMinimumGap = 0.017;
constexpr double kImpulseGapSpread = 0.006;
constexpr std::uint32_t kImpulsesPerSecondOfLength = 100000;

// The MW filter takes 30 dB off the medium-wave broadcast band.
constexpr double kMwFilterLowHertz = 500000.0;
constexpr double kMwFilterHighHertz = 1750000.0;
constexpr double kMwFilterDb = -30.0;

// "CQ" in Morse, one character per element of 60 ms (20 words per minute).
constexpr char kKeying[] = "1110101110100011101110101110000000";
constexpr std::uint32_t kKeyingLength = sizeof kKeying - 1;

float Amplitude(double decibels) { return static_cast<float>(std::pow(10.0, decibels / 20.0)); }

double Fraction(double cycles) { return cycles - std::floor(cycles); }

// Adds amplitude * exp(j 2 pi (phase + n cyclesPerPair)) for n < count.
// Eight rotators a step apart, in two vectors, each turned eight steps at a
// time: no chain from one pair to the next, and two chains to overlap.
void AddTone(float* re, float* im, std::uint32_t count, float amplitude, double phase, double cyclesPerPair) {
    typedef float Lanes __attribute__((vector_size(16)));
    constexpr std::uint32_t kWidth = 4;
    constexpr std::uint32_t kStep = 2 * kWidth;
    Lanes zr[2];
    Lanes zi[2];
    for (std::uint32_t k = 0; k < kStep; ++k) {
        const double angle = kTwoPi * Fraction(phase + cyclesPerPair * k);
        zr[k / kWidth][k % kWidth] = static_cast<float>(amplitude * std::cos(angle));
        zi[k / kWidth][k % kWidth] = static_cast<float>(amplitude * std::sin(angle));
    }
    const double stepAngle = kTwoPi * Fraction(cyclesPerPair * kStep);
    const Lanes wr = Lanes{} + static_cast<float>(std::cos(stepAngle));
    const Lanes wi = Lanes{} + static_cast<float>(std::sin(stepAngle));
    std::uint32_t n = 0;
    for (; n + kStep <= count; n += kStep) {
        for (std::uint32_t v = 0; v < 2; ++v) {
            Lanes r;
            Lanes i;
            std::memcpy(&r, re + n + v * kWidth, sizeof r);
            std::memcpy(&i, im + n + v * kWidth, sizeof i);
            r += zr[v];
            i += zi[v];
            std::memcpy(re + n + v * kWidth, &r, sizeof r);
            std::memcpy(im + n + v * kWidth, &i, sizeof i);
            const Lanes nextR = zr[v] * wr - zi[v] * wi;
            zi[v] = zr[v] * wi + zi[v] * wr;
            zr[v] = nextR;
        }
    }
    for (std::uint32_t k = 0; n < count; ++n, ++k) {
        re[n] += zr[k / kWidth][k % kWidth];
        im[n] += zi[k / kWidth][k % kWidth];
    }
}

std::int32_t ToFullScale(float value) {
    const double scaled = std::clamp(static_cast<double>(value) * 2147483648.0, -2147483648.0, 2147483647.0);
    return static_cast<std::int32_t>(scaled);
}

}  // namespace

Scene::Scene() {
    SeededRandom random(kSceneSeed);
    for (const Station& station : kStations) {
        const float amplitude = Amplitude(station.levelDb);
        const auto phase = static_cast<float>(random.Uniform());
        const double hertz = station.hertz;
        switch (station.emission) {
            case Emission::Carrier: AddComponent({hertz, amplitude, phase, false, false, 0}); break;
            case Emission::Cw:
                AddComponent(
                    {hertz, amplitude, phase, false, true, static_cast<std::uint32_t>(random.Next() % kKeyingLength)});
                break;
            case Emission::Am: {
                AddComponent({hertz, amplitude, phase, false, false, 0});
                const double tones[] = {300.0 + 500.0 * random.Uniform(), 1000.0 + 1000.0 * random.Uniform()};
                const auto sideband = static_cast<float>(amplitude * kAmToneDepth / 2.0);
                for (const double tone : tones) {
                    const auto tonePhase = static_cast<float>(random.Uniform());
                    AddComponent({hertz + tone, sideband, phase + tonePhase, false, false, 0});
                    AddComponent({hertz - tone, sideband, phase - tonePhase, false, false, 0});
                }
                break;
            }
        }
    }
    for (int k = 0; k < kSpurCount; ++k) {
        AddComponent({kSpurFirstHertz + kSpurSpacingHertz * k, Amplitude(kSpurLevelDb),
                      static_cast<float>(random.Uniform()), true, false, 0});
    }
    Restart(sampleRate_);
}

void Scene::AddComponent(const Component& component) {
    if (componentCount_ < components_.size()) components_[componentCount_++] = component;
}

void Scene::Restart(std::uint32_t sampleRate) {
    sampleRate_ = std::max<std::uint32_t>(sampleRate, 1);
    pairIndex_ = 0;
    selectionValid_ = false;
    noise_ = SeededRandom(kNoiseSeed);
    impulses_ = SeededRandom(kImpulseSeed);
    nextImpulse_ = sampleRate_ / 200;
    impulseLeft_ = 0;
    impulseLength_ = std::max<std::uint32_t>(1, sampleRate_ / kImpulsesPerSecondOfLength);
    elementPairs_ = std::max<std::uint32_t>(1, sampleRate_ * 3 / 50);
    noiseSigma_ = static_cast<float>(std::sqrt(std::pow(10.0, kNoiseDensityDb / 10.0) * sampleRate_ / 2.0));
}

void Scene::Select(const FrontEnd& frontEnd) {
    selected_ = frontEnd;
    selectionValid_ = true;
    const float attenuation = Amplitude(-static_cast<double>(frontEnd.attenuatorDb));
    const float mwFilter = Amplitude(kMwFilterDb);
    const double halfBand = sampleRate_ / 2.0;
    impulseGain_ = attenuation;
    toneCount_ = 0;
    for (std::size_t i = 0; i < componentCount_; ++i) {
        const Component& component = components_[i];
        if (component.spur && frontEnd.dithering) continue;
        const double offset = component.hertz - frontEnd.frequency;
        if (std::fabs(offset) >= halfBand) continue;
        float gain = 1.0f;
        if (!component.spur) {
            gain = attenuation;
            if (frontEnd.mwFilter && component.hertz >= kMwFilterLowHertz && component.hertz <= kMwFilterHighHertz)
                gain *= mwFilter;
        }
        const double cyclesPerPair = offset / sampleRate_;
        tones_[toneCount_++] =
            Tone{cyclesPerPair, Fraction(component.phase + cyclesPerPair * static_cast<double>(pairIndex_)),
                 component.amplitude * gain, component.keyed, component.keyingOffset};
    }
}

void Scene::Render(std::int32_t* iq, std::uint32_t pairs, const FrontEnd& frontEnd) {
    if (!selectionValid_ || !(frontEnd == selected_)) Select(frontEnd);
    while (pairs > 0) {
        const std::uint32_t chunk = std::min(pairs, kChunkPairs);
        RenderChunk(iq, chunk);
        iq += 2 * static_cast<std::size_t>(chunk);
        pairs -= chunk;
    }
}

void Scene::RenderChunk(std::int32_t* iq, std::uint32_t pairs) {
    std::fill_n(re_.begin(), pairs, 0.0f);
    std::fill_n(im_.begin(), pairs, 0.0f);
    AddImpulses(pairs);
    if (selected_.powered) {
        for (std::size_t i = 0; i < toneCount_; ++i) {
            Tone& tone = tones_[i];
            if (tone.keyed) {
                AddKeyedTone(tone, pairs);
            } else {
                AddTone(re_.data(), im_.data(), pairs, tone.amplitude, tone.phase, tone.cyclesPerPair);
            }
            tone.phase = Fraction(tone.phase + tone.cyclesPerPair * pairs);
        }
        AddNoise(pairs);
        for (std::uint32_t n = 0; n < pairs; ++n) {
            iq[2 * n] = ToFullScale(re_[n]);
            iq[2 * n + 1] = ToFullScale(im_[n]);
        }
    } else {
        std::fill_n(iq, 2 * static_cast<std::size_t>(pairs), 0);
    }
    pairIndex_ += pairs;
}

void Scene::AddKeyedTone(const Tone& tone, std::uint32_t pairs) {
    std::uint32_t n = 0;
    while (n < pairs) {
        const std::uint64_t element = (pairIndex_ + n) / elementPairs_;
        const std::uint64_t elementEnd = (element + 1) * elementPairs_ - pairIndex_;
        const auto runEnd = static_cast<std::uint32_t>(std::min<std::uint64_t>(pairs, elementEnd));
        if (kKeying[(element + tone.keyingOffset) % kKeyingLength] == '1') {
            AddTone(re_.data() + n, im_.data() + n, runEnd - n, tone.amplitude, tone.phase + tone.cyclesPerPair * n,
                    tone.cyclesPerPair);
        }
        n = runEnd;
    }
}

void Scene::AddImpulses(std::uint32_t pairs) {
    // The schedule and the random phases advance whatever the settings, so
    // switching the blanker or the power does not move later impulses.
    const float amplitude = kImpulseAmplitude * impulseGain_;
    const bool audible = selected_.powered && !selected_.noiseBlanker;
    std::uint32_t n = 0;
    while (n < pairs) {
        if (impulseLeft_ == 0) {
            if (nextImpulse_ >= pairIndex_ + pairs) return;
            if (nextImpulse_ > pairIndex_ + n) n = static_cast<std::uint32_t>(nextImpulse_ - pairIndex_);
            impulseLeft_ = impulseLength_;
            const double gap = (kImpulseMinimumGap + kImpulseGapSpread * impulses_.Uniform()) * sampleRate_;
            nextImpulse_ += static_cast<std::uint64_t>(gap);
        }
        const double angle = kTwoPi * impulses_.Uniform();
        if (audible) {
            re_[n] += amplitude * static_cast<float>(std::cos(angle));
            im_[n] += amplitude * static_cast<float>(std::sin(angle));
        }
        --impulseLeft_;
        ++n;
    }
}

void Scene::AddNoise(std::uint32_t pairs) {
    for (std::uint32_t n = 0; n < pairs; ++n) {
        re_[n] += noiseSigma_ * noise_.Gaussian();
        im_[n] += noiseSigma_ * noise_.Gaussian();
    }
}

}  // namespace simulator
