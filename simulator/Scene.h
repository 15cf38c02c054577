#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "simulator/FrontEnd.h"
#include "simulator/SeededRandom.h"

namespace simulator {

// The signal the receiver sees, as complex baseband around the tuned
// frequency: the stations of Stations.h, ADC spurs, impulse noise and a noise
// floor, shaped by the front-end settings. The same settings and the same
// number of pairs since Restart give the same samples.
class Scene {
public:
    static constexpr std::uint32_t kChunkPairs = 4096;

    Scene();

    // Back to time zero at a new sample rate, every generator reseeded.
    void Restart(std::uint32_t sampleRate);

    // The next `pairs` pairs, interleaved I and Q, full scale 2^31.
    void Render(std::int32_t* iq, std::uint32_t pairs, const FrontEnd& frontEnd);

private:
    static constexpr std::size_t kMaxComponents = 512;

    // One spectral line of the scene at an absolute frequency.
    struct Component {
        double hertz;
        float amplitude;
        float phase;  // cycles at time zero
        bool spur;
        bool keyed;
        std::uint32_t keyingOffset;  // elements, so that stations do not key in step
    };

    // A component in band, relative to the tuned frequency.
    struct Tone {
        double cyclesPerPair;
        double phase;  // cycles at the start of the next chunk
        float amplitude;
        bool keyed;
        std::uint32_t keyingOffset;
    };

    void AddComponent(const Component& component);
    void Select(const FrontEnd& frontEnd);
    void RenderChunk(std::int32_t* iq, std::uint32_t pairs);
    void AddKeyedTone(const Tone& tone, std::uint32_t pairs);
    void AddImpulses(std::uint32_t pairs);
    void AddNoise(std::uint32_t pairs);

    std::array<Component, kMaxComponents> components_{};
    std::size_t componentCount_ = 0;
    std::array<Tone, kMaxComponents> tones_{};
    std::size_t toneCount_ = 0;
    alignas(16) std::array<float, kChunkPairs> re_{};
    alignas(16) std::array<float, kChunkPairs> im_{};

    std::uint32_t sampleRate_ = 200000;
    std::uint64_t pairIndex_ = 0;
    FrontEnd selected_{};
    bool selectionValid_ = false;
    float impulseGain_ = 1.0f;
    float noiseSigma_ = 0.0f;
    std::uint32_t elementPairs_ = 1;
    std::uint32_t impulseLength_ = 1;

    SeededRandom noise_;
    SeededRandom impulses_;
    std::uint64_t nextImpulse_ = 0;
    std::uint32_t impulseLeft_ = 0;
};

}  // namespace simulator
