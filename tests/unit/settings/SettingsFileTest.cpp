#include <cstring>
#include <filesystem>
#include <string>

#include "panel/SettingsFile.h"
#include "tests/unit/settings/SettingsDirectory.h"

namespace {

using namespace excalibur;

using SettingsFileTest = SettingsDirectory;

TEST_F(SettingsFileTest, PathIsTheCapturedDirectoryAndTheFileName) {
    EXPECT_TRUE(std::filesystem::equivalent(WorkingDirectory(), folder_));
#ifdef _WIN32
    const std::string expected = std::string(WorkingDirectory()) + "\\Tervalis.ini";
#else
    const std::string expected = std::string(WorkingDirectory()) + "/Tervalis.ini";
#endif
    char path[kSettingsPathSize];
    ASSERT_TRUE(SettingsFilePath(path));
    EXPECT_EQ(path, expected);
}

TEST_F(SettingsFileTest, AbsentFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(ReadSettingInt("PARAMETER", "SampleMode", 2), 2);
    EXPECT_FALSE(SettingsFileExists()) << "reading must not create the file";

    WriteSettingsFile("[POSITION]\r\nWindowTop=7\r\n");
    EXPECT_EQ(ReadSettingInt("PARAMETER", "SampleMode", -174), -174);
    EXPECT_EQ(ReadSettingInt("POSITION", "WindowLeft", 33), 33);
    EXPECT_EQ(ReadSettingInt("position", "windowtop", 33), 7);
}

TEST_F(SettingsFileTest, WritesDecimalTextAndReplacesInPlace) {
    WriteSettingInt("POSITION", "WindowTop", -20);
    WriteSettingInt("POSITION", "WindowLeft", 1300);
    WriteSettingInt("POSITION", "WindowTop", 21);
    EXPECT_EQ(ReadSettingsFile(), "[POSITION]\r\nWindowTop=21\r\nWindowLeft=1300\r\n");
    EXPECT_EQ(ReadSettingInt("POSITION", "WindowTop", 0), 21);
}

TEST_F(SettingsFileTest, ExtremeValuesSurviveTheTrip) {
    WriteSettingInt("S", "low", -2147483647 - 1);
    WriteSettingInt("S", "high", 2147483647);
    EXPECT_EQ(ReadSettingInt("S", "low", 0), -2147483647 - 1);
    EXPECT_EQ(ReadSettingInt("S", "high", 0), 2147483647);
}

}  // namespace
