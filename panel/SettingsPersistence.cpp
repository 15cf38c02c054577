#include "panel/SettingsPersistence.h"

#include <cstdint>
#include <optional>
#include <type_traits>

#include "panel/HostSettings.h"
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

// Where a value lives: in the file, or for a host that keeps the settings
// in the host's store.
struct StoredKey {
    const char* section;
    const char* key;
    int hostIndex;
};

int ReadStored(const StoredKey& where, int defaultValue, bool hostKeeps) {
    if (hostKeeps) return hostSettings.Read(where.hostIndex, defaultValue);
    return ReadSettingInt(where.section, where.key, defaultValue);
}

void WriteStored(const StoredKey& where, int value, bool hostKeeps) {
    if (hostKeeps) {
        hostSettings.Write(where.hostIndex, value);
    } else {
        WriteSettingInt(where.section, where.key, value);
    }
}

// One row per persisted field of the record: where it is stored, the value
// an absent key stands for, and what loading makes of a stored value.
struct ParameterSetting {
    StoredKey where;
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
constexpr ParameterSetting Setting(const char* key, int hostIndex, int defaultValue, int (*loadRule)(int)) {
    return {{kParameterSection, key, hostIndex}, FieldValue<Field>, StoreField<Field>, defaultValue, loadRule};
}

constexpr ParameterSetting kParameterSettings[] = {
    Setting<&ExParaBlock::sampleMode>("SampleMode", kHostSampleModeIndex, 2, SampleModeRule),
    Setting<&ExParaBlock::attenuator>("Attenuator", kHostAttenuatorIndex, 0, TwoBitRule),
    Setting<&ExParaBlock::dither>("Dittering", kHostDitherIndex, 0, OneBitRule),
    Setting<&ExParaBlock::noiseBlanker>("NoisBlanker", kHostNoiseBlankerIndex, 0, TwoBitRule),
    Setting<&ExParaBlock::levelOffset>("dBOffset", kHostLevelOffsetIndex, kDefaultLevelOffset, LevelOffsetRule),
};

constexpr StoredKey kWindowTop{kPositionSection, "WindowTop", kHostWindowTopIndex};
constexpr StoredKey kWindowLeft{kPositionSection, "WindowLeft", kHostWindowLeftIndex};

// The file's value; none where the file holds no such key, which is where
// the value read depends on the default.
std::optional<int> InTheFile(const StoredKey& where) {
    const int value = ReadSettingInt(where.section, where.key, 0);
    if (value != 0 || ReadSettingInt(where.section, where.key, 1) == 0) return value;
    return std::nullopt;
}

// The host keeps from now on what the file holds; the file is only read.
void HandTheFileToTheHost(bool parameters) {
    const auto hand = [](const StoredKey& where) {
        if (const std::optional<int> value = InTheFile(where)) hostSettings.Write(where.hostIndex, *value);
    };
    if (parameters) {
        for (const ParameterSetting& setting : kParameterSettings) hand(setting.where);
    }
    hand(kWindowTop);
    hand(kWindowLeft);
}

}  // namespace

void LoadParameterSettings(ExParaBlock& block) {
    if (hostSettings.TakesOverTheFile()) HandTheFileToTheHost(block.hostWindow == 0);
    if (block.hostWindow != 0) return;
    const bool hostKeeps = hostSettings.HostKeeps();
    for (const ParameterSetting& setting : kParameterSettings) {
        const int stored = ReadStored(setting.where, setting.defaultValue, hostKeeps);
        setting.storeField(block, setting.loadRule(stored));
    }
}

void SaveParameterSettings(const ExParaBlock& block) {
    if (block.hostWindow != 0) return;
    const bool hostKeeps = hostSettings.HostKeeps();
    for (const ParameterSetting& setting : kParameterSettings) {
        WriteStored(setting.where, setting.fieldValue(block), hostKeeps);
    }
}

WindowPosition ReadWindowPosition(WindowPosition current) {
    const bool hostKeeps = hostSettings.HostKeeps();
    WindowPosition stored{};
    stored.top = ReadStored(kWindowTop, current.top, hostKeeps);
    stored.left = ReadStored(kWindowLeft, current.left, hostKeeps);
    return stored;
}

void WriteWindowPosition(WindowPosition position) {
    // Kept whoever keeps the settings: ExtIoGetSetting reports it once the window is gone.
    hostSettings.Write(kWindowTop.hostIndex, position.top);
    hostSettings.Write(kWindowLeft.hostIndex, position.left);
    if (hostSettings.HostKeeps()) return;
    WriteSettingInt(kWindowTop.section, kWindowTop.key, position.top);
    WriteSettingInt(kWindowLeft.section, kWindowLeft.key, position.left);
}

HostSettingValues SettingsInForce(const ExParaBlock& block, std::optional<WindowPosition> window) {
    HostSettingValues values{};
    for (const ParameterSetting& setting : kParameterSettings) {
        values[setting.where.hostIndex] = setting.fieldValue(block);
    }
    values[kWindowTop.hostIndex] = window ? window->top : hostSettings.Value(kWindowTop.hostIndex);
    values[kWindowLeft.hostIndex] = window ? window->left : hostSettings.Value(kWindowLeft.hostIndex);
    return values;
}

}  // namespace excalibur
