#pragma once

#include <atomic>
#include <cstdint>

namespace simulator {

// The receiver's front-end settings as the scene sees them for one block.
struct FrontEnd {
    bool powered = false;
    std::uint32_t frequency = 7050000;  // Hz, the centre of the DDC1 band
    std::uint32_t attenuatorDb = 0;
    bool dithering = false;
    bool noiseBlanker = false;
    bool mwFilter = false;

    bool operator==(const FrontEnd&) const = default;
};

// The same settings, written by the entry points while the stream thread
// reads them once per block; each is a value of its own, so no lock.
class FrontEndControls {
public:
    void Reset() { Store(FrontEnd{}); }

    void Store(const FrontEnd& settings) {
        powered.store(settings.powered, kOrder);
        frequency.store(settings.frequency, kOrder);
        attenuatorDb.store(settings.attenuatorDb, kOrder);
        dithering.store(settings.dithering, kOrder);
        noiseBlanker.store(settings.noiseBlanker, kOrder);
        mwFilter.store(settings.mwFilter, kOrder);
    }

    FrontEnd Load() const {
        return FrontEnd{powered.load(kOrder),   frequency.load(kOrder),    attenuatorDb.load(kOrder),
                        dithering.load(kOrder), noiseBlanker.load(kOrder), mwFilter.load(kOrder)};
    }

    static constexpr std::memory_order kOrder = std::memory_order_relaxed;

    std::atomic<bool> powered{false};
    std::atomic<std::uint32_t> frequency{7050000};
    std::atomic<std::uint32_t> attenuatorDb{0};
    std::atomic<bool> dithering{false};
    std::atomic<bool> noiseBlanker{false};
    std::atomic<bool> mwFilter{false};
};

}  // namespace simulator
