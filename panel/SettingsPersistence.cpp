#include "panel/SettingsPersistence.h"

#include <cstdint>
#include <type_traits>

#include "panel/SettingsFile.h"

namespace excalibur {

namespace {

constexpr const char* kParameterSection = "PARAMETER";
constexpr const char* kPositionSection = "POSITION";
constexpr int kDefaultLevelOffset = -174;

int SampleModeRule(int stored) {
    const int mode = stored & 0x7;
    return mode > 4 ? 4 : mode;
}
int TwoBitRule(int stored) { return stored & 0x3; }
int OneBitRule(int stored) { return stored & 0x1; }
int LevelOffsetRule(int stored) {
    const int offset = static_cast<std::int16_t>(static_cast<std::uint16_t>(stored & 0xFFFF));
    return (offset >= -200 && offset <= 200) ? offset : kDefaultLevelOffset;
}

// One row per persisted field of the record: the file's name for it, the
// value an absent key stands for, and what loading makes of a stored value.
struct ParameterSetting {
    const char* section;
    const char* key;
    int (*fieldValue)(const ExParaBlock&);
    void (*storeField)(ExParaBlock&, int);
    int defaultValue;
    int (*loadRule)(int stored);
};

// A byte field reads back as 0..255, the 16-bit offset with its sign.
template <auto Field>
int FieldValue(const ExParaBlock& block) {
    return block.*Field;
}
template <auto Field>
void StoreField(ExParaBlock& block, int value) {
    using FieldType = std::remove_reference_t<decltype(block.*Field)>;
    block.*Field = static_cast<FieldType>(value);
}

template <auto Field>
constexpr ParameterSetting Setting(const char* key, int defaultValue, int (*loadRule)(int)) {
    return {kParameterSection, key, FieldValue<Field>, StoreField<Field>, defaultValue, loadRule};
}

constexpr ParameterSetting kParameterSettings[] = {
    Setting<&ExParaBlock::sampleMode>("SampleMode", 2, SampleModeRule),
    Setting<&ExParaBlock::attenuator>("Attenuator", 0, TwoBitRule),
    Setting<&ExParaBlock::dither>("Dittering", 0, OneBitRule),
    Setting<&ExParaBlock::noiseBlanker>("NoisBlanker", 0, TwoBitRule),
    Setting<&ExParaBlock::levelOffset>("dBOffset", kDefaultLevelOffset, LevelOffsetRule),
};

}  // namespace

void LoadParameterSettings(ExParaBlock& block) {
    if (block.hostWindow != 0) return;
    for (const ParameterSetting& setting : kParameterSettings) {
        const int stored = ReadSettingInt(setting.section, setting.key, setting.defaultValue);
        setting.storeField(block, setting.loadRule(stored));
    }
}

void SaveParameterSettings(const ExParaBlock& block) {
    if (block.hostWindow != 0) return;
    for (const ParameterSetting& setting : kParameterSettings) {
        WriteSettingInt(setting.section, setting.key, setting.fieldValue(block));
    }
}

WindowPosition ReadWindowPosition(WindowPosition current) {
    WindowPosition stored{};
    stored.top = ReadSettingInt(kPositionSection, "WindowTop", current.top);
    stored.left = ReadSettingInt(kPositionSection, "WindowLeft", current.left);
    return stored;
}

void WriteWindowPosition(WindowPosition position) {
    WriteSettingInt(kPositionSection, "WindowTop", position.top);
    WriteSettingInt(kPositionSection, "WindowLeft", position.left);
}

}  // namespace excalibur
