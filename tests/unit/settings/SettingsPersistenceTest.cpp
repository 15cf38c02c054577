#include <cstring>
#include <string>

#include "panel/SettingsFile.h"
#include "panel/SettingsPersistence.h"
#include "tests/unit/settings/SettingsDirectory.h"

namespace {

using namespace excalibur;

class SettingsPersistenceTest : public SettingsDirectory {
protected:
    // A record as the host or an earlier session may have left it.
    static ExParaBlock Block(int sampleMode, int attenuator, int dither, int noiseBlanker, int levelOffset) {
        ExParaBlock block{};
        block.sampleMode = static_cast<std::uint8_t>(sampleMode);
        block.attenuator = static_cast<std::uint8_t>(attenuator);
        block.dither = static_cast<std::uint8_t>(dither);
        block.noiseBlanker = static_cast<std::uint8_t>(noiseBlanker);
        block.levelOffset = static_cast<std::int16_t>(levelOffset);
        return block;
    }

    ExParaBlock LoadFrom(const std::string& parameters) {
        WriteSettingsFile("[PARAMETER]\r\n" + parameters);
        ExParaBlock block = Block(9, 9, 9, 9, 99);
        LoadParameterSettings(block);
        return block;
    }
};

TEST_F(SettingsPersistenceTest, FirstRunLoadsTheDefaults) {
    ExParaBlock block = Block(4, 1, 1, 1, 10);
    LoadParameterSettings(block);
    EXPECT_EQ(block.sampleMode, 2);
    EXPECT_EQ(block.attenuator, 0);
    EXPECT_EQ(block.dither, 0);
    EXPECT_EQ(block.noiseBlanker, 0);
    EXPECT_EQ(block.levelOffset, -174);
}

TEST_F(SettingsPersistenceTest, SampleModeKeepsThreeBitsAndAtMostFour) {
    const struct {
        const char* stored;
        int loaded;
    } cases[] = {
        {"0", 0}, {"3", 3}, {"4", 4}, {"5", 4}, {"7", 4}, {"13", 4}, {"10", 2}, {"-1", 4}, {"258", 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LoadFrom(std::string("SampleMode=") + c.stored + "\r\n").sampleMode, c.loaded) << c.stored;
    }
}

TEST_F(SettingsPersistenceTest, SwitchesKeepTheirOwnBits) {
    const ExParaBlock twos = LoadFrom("Attenuator=2\r\nDittering=2\r\nNoisBlanker=6\r\n");
    EXPECT_EQ(twos.attenuator, 2);
    EXPECT_EQ(twos.dither, 0);
    EXPECT_EQ(twos.noiseBlanker, 2);

    const ExParaBlock others = LoadFrom("Attenuator=7\r\nDittering=3\r\nNoisBlanker=5\r\n");
    EXPECT_EQ(others.attenuator, 3);
    EXPECT_EQ(others.dither, 1);
    EXPECT_EQ(others.noiseBlanker, 1);
}

TEST_F(SettingsPersistenceTest, LevelOffsetOutsideTheRangeBecomesTheDefault) {
    const struct {
        const char* stored;
        int loaded;
    } cases[] = {
        {"-150", -150},   {"200", 200},   {"-200", -200}, {"0", 0},
        {"201", -174},    {"-201", -174}, {"250", -174},  {"65636", 100},  // low 16 bits: 100
        {"65535", -1},                                                     // low 16 bits: 0xFFFF
        {"-65686", -150},                                                  // low 16 bits: -150
        {"70000", -174},                                                   // low 16 bits: 4464
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LoadFrom(std::string("dBOffset=") + c.stored + "\r\n").levelOffset, c.loaded) << c.stored;
    }
}

TEST_F(SettingsPersistenceTest, SaveWritesBothSectionsAndLoadRestores) {
    ExParaBlock saved = Block(4, 1, 1, 3, -57);
    SaveParameterSettings(saved);
    WriteWindowPosition({120, 340});
    EXPECT_EQ(ReadSettingsFile(),
              "[PARAMETER]\r\nSampleMode=4\r\nAttenuator=1\r\nDittering=1\r\nNoisBlanker=3\r\ndBOffset=-57\r\n"
              "[POSITION]\r\nWindowTop=120\r\nWindowLeft=340\r\n");

    ExParaBlock loaded = Block(0, 0, 0, 0, 0);
    LoadParameterSettings(loaded);
    EXPECT_EQ(std::memcmp(&loaded, &saved, sizeof saved), 0);
    const WindowPosition position = ReadWindowPosition({0, 0});
    EXPECT_EQ(position.top, 120);
    EXPECT_EQ(position.left, 340);
}

TEST_F(SettingsPersistenceTest, BytesAreSavedUnsignedAndTheOffsetSigned) {
    SaveParameterSettings(Block(200, 255, 128, 2, -174));
    EXPECT_EQ(ReadSettingInt("PARAMETER", "SampleMode", 0), 200);
    EXPECT_EQ(ReadSettingInt("PARAMETER", "Attenuator", 0), 255);
    EXPECT_EQ(ReadSettingInt("PARAMETER", "Dittering", 0), 128);
    EXPECT_EQ(ReadSettingInt("PARAMETER", "dBOffset", 0), -174);
}

TEST_F(SettingsPersistenceTest, HostWindowAtLoadKeepsTheHostsValues) {
    WriteSettingsFile(
        "[PARAMETER]\r\nSampleMode=0\r\nAttenuator=1\r\nDittering=1\r\nNoisBlanker=1\r\ndBOffset=-20\r\n");
    ExParaBlock block = Block(3, 0, 0, 0, 55);
    block.hostWindow = 0x1234;
    const ExParaBlock before = block;
    LoadParameterSettings(block);
    EXPECT_EQ(std::memcmp(&block, &before, sizeof block), 0);
}

TEST_F(SettingsPersistenceTest, HostWindowAtSaveLeavesParametersButMovesThePosition) {
    const std::string parameters =
        "[PARAMETER]\r\nSampleMode=1\r\nAttenuator=1\r\nDittering=0\r\nNoisBlanker=0\r\ndBOffset=-30\r\n";
    WriteSettingsFile(parameters + "[POSITION]\r\nWindowTop=5\r\nWindowLeft=6\r\n");
    ExParaBlock block = Block(4, 0, 1, 1, 100);
    block.hostWindow = 0x1234;
    SaveParameterSettings(block);
    WriteWindowPosition({70, 80});
    EXPECT_EQ(ReadSettingsFile(), parameters + "[POSITION]\r\nWindowTop=70\r\nWindowLeft=80\r\n");
}

TEST_F(SettingsPersistenceTest, NegativeWindowCoordinatesComeBackNegative) {
    WriteWindowPosition({-20, -1300});
    const std::string text = ReadSettingsFile();
    EXPECT_NE(text.find("WindowTop=-20\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("WindowLeft=-1300\r\n"), std::string::npos) << text;
    const WindowPosition position = ReadWindowPosition({5, 6});
    EXPECT_EQ(position.top, -20);
    EXPECT_EQ(position.left, -1300);
}

TEST_F(SettingsPersistenceTest, MissingCoordinatesKeepTheWindowsOwn) {
    WindowPosition position = ReadWindowPosition({300, 400});
    EXPECT_EQ(position.top, 300);
    EXPECT_EQ(position.left, 400);

    WriteSettingsFile("[POSITION]\r\nWindowTop=-3\r\n");
    position = ReadWindowPosition({300, 400});
    EXPECT_EQ(position.top, -3);
    EXPECT_EQ(position.left, 400);
}

}  // namespace
