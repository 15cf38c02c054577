#include "tests/unit/settings/SettingsSession.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace settingssession {

namespace {

using excalibur::ExParaBlock;
using excalibur::WindowPosition;

constexpr std::uint8_t kGuard = 0xA5;

bool IsSettingByte(std::size_t offset) {
    return offset == offsetof(ExParaBlock, sampleMode) || offset == offsetof(ExParaBlock, attenuator) ||
           offset == offsetof(ExParaBlock, dither) || offset == offsetof(ExParaBlock, noiseBlanker) ||
           offset == offsetof(ExParaBlock, levelOffset) || offset == offsetof(ExParaBlock, levelOffset) + 1;
}

::testing::AssertionResult Loaded(const Outcome& outcome, int sampleMode, int attenuator, int dither, int noiseBlanker,
                                  int levelOffset, WindowPosition position) {
    const ExParaBlock& b = outcome.loaded;
    if (b.sampleMode == sampleMode && b.attenuator == attenuator && b.dither == dither &&
        b.noiseBlanker == noiseBlanker && b.levelOffset == levelOffset && outcome.position.top == position.top &&
        outcome.position.left == position.left) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "loaded SampleMode " << int{b.sampleMode} << ", Attenuator "
                                         << int{b.attenuator} << ", Dittering " << int{b.dither} << ", NoisBlanker "
                                         << int{b.noiseBlanker} << ", dBOffset " << b.levelOffset << ", position "
                                         << outcome.position.top << "," << outcome.position.left << "; expected "
                                         << sampleMode << ", " << attenuator << ", " << dither << ", " << noiseBlanker
                                         << ", " << levelOffset << ", " << position.top << "," << position.left;
}

}  // namespace

Outcome Load() {
    Outcome outcome{};
    std::memset(&outcome.loaded, kGuard, sizeof outcome.loaded);
    outcome.loaded.hostWindow = 0;
    excalibur::LoadParameterSettings(outcome.loaded);
    outcome.position = excalibur::ReadWindowPosition(kWindowPosition);
    return outcome;
}

Outcome Run() {
    const Outcome outcome = Load();
    excalibur::SaveParameterSettings(SavedBlock());
    excalibur::WriteWindowPosition(SavedPosition());
    return outcome;
}

ExParaBlock SavedBlock() {
    ExParaBlock block{};
    block.sampleMode = 1;
    block.attenuator = 3;
    block.dither = 0;
    block.noiseBlanker = 1;
    block.levelOffset = 123;
    return block;
}

WindowPosition SavedPosition() { return {77, -88}; }

::testing::AssertionResult LoadedDefaults(const Outcome& outcome) {
    return Loaded(outcome, 2, 0, 0, 0, -174, kWindowPosition);
}

::testing::AssertionResult LoadedStoredFile(const Outcome& outcome) {
    return Loaded(outcome, 4, 1, 1, 2, -57, {-20, -1300});
}

::testing::AssertionResult LoadedSavedValues(const Outcome& outcome) {
    const ExParaBlock saved = SavedBlock();
    return Loaded(outcome, saved.sampleMode, saved.attenuator, saved.dither, saved.noiseBlanker, saved.levelOffset,
                  SavedPosition());
}

::testing::AssertionResult GuardIntact(const ExParaBlock& block) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&block);
    for (std::size_t offset = sizeof block.hostWindow; offset < sizeof block; ++offset) {
        if (!IsSettingByte(offset) && bytes[offset] != kGuard) {
            return ::testing::AssertionFailure() << "byte " << offset << " of the record changed while loading";
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace settingssession
