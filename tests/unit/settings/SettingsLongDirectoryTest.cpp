// A working directory so long that the settings path does not fit into its
// 256 bytes: no file is read, nothing is written anywhere.
#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "panel/SettingsFile.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace excalibur;
namespace fs = std::filesystem;

class SettingsLongDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        base_ = testsupport::TemporaryPath("long");
        fs::create_directories(base_);
    }
    void TearDown() override {
        fs::current_path(previous_);
        std::error_code ignored;
        fs::remove_all(base_, ignored);
    }

    // Makes a folder whose absolute path has exactly length characters and
    // makes it the current directory.
    fs::path EnterFolderOfLength(std::size_t length) {
        std::string path = fs::canonical(base_).string();
        std::size_t remaining = length - path.size();
        while (remaining > 0) {
            // A step is "/" and up to 100 characters; never leave a single one.
            std::size_t step = std::min<std::size_t>(remaining, 101);
            if (remaining - step == 1) --step;
            path += "/" + std::string(step - 1, 'd');
            remaining -= step;
        }
        EXPECT_EQ(path.size(), length);
        fs::create_directories(path);
        fs::current_path(path);
        return path;
    }

    static std::size_t FilesIn(const fs::path& folder) {
        std::size_t count = 0;
        for (const auto& entry : fs::directory_iterator(folder)) count += entry.is_regular_file() ? 1 : 0;
        return count;
    }

    fs::path previous_;
    fs::path base_;
};

TEST_F(SettingsLongDirectoryTest, LongestPathThatFitsIsUsed) {
    const fs::path folder = EnterFolderOfLength(kSettingsPathSize - 1 - std::string("/Tervalis.ini").size());
    ASSERT_TRUE(CaptureWorkingDirectory());
    WriteSettingInt("POSITION", "WindowTop", -8);
    EXPECT_EQ(ReadSettingInt("POSITION", "WindowTop", 0), -8);
    EXPECT_TRUE(fs::exists(folder / "Tervalis.ini"));
}

TEST_F(SettingsLongDirectoryTest, PathOneByteTooLongMeansNoFile) {
    const fs::path folder = EnterFolderOfLength(kSettingsPathSize - std::string("/Tervalis.ini").size());
    ASSERT_TRUE(CaptureWorkingDirectory());
    std::ofstream(folder / "Tervalis.ini") << "[POSITION]\r\nWindowTop=99\r\n";

    char path[kSettingsPathSize];
    EXPECT_FALSE(SettingsFilePath(path));
    EXPECT_STREQ(path, "");
    EXPECT_EQ(ReadSettingInt("POSITION", "WindowTop", 5), 5);
    WriteSettingInt("POSITION", "WindowTop", 6);
    // A cut path would have named "Tervalis.in" or the like beside it.
    EXPECT_EQ(FilesIn(folder), 1u);
    std::ifstream in(folder / "Tervalis.ini");
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "[POSITION]\r\nWindowTop=99\r\n");
}

TEST_F(SettingsLongDirectoryTest, LongestCapturableDirectoryStillHasNoRoomForTheName) {
    const fs::path folder = EnterFolderOfLength(kWorkingDirectorySize - 1);
    ASSERT_TRUE(CaptureWorkingDirectory());
    EXPECT_EQ(std::string(WorkingDirectory()), folder.string());
    EXPECT_EQ(ReadSettingInt("PARAMETER", "dBOffset", -174), -174);
    WriteSettingInt("PARAMETER", "dBOffset", 3);
    EXPECT_EQ(FilesIn(folder), 0u);
}

TEST_F(SettingsLongDirectoryTest, DirectoryTooLongToCaptureMeansNoFile) {
    const bool rootFileBefore = fs::exists("/Tervalis.ini");
    const fs::path folder = EnterFolderOfLength(kWorkingDirectorySize + 40);
    EXPECT_FALSE(CaptureWorkingDirectory());
    EXPECT_STREQ(WorkingDirectory(), "");
    EXPECT_EQ(ReadSettingInt("PARAMETER", "SampleMode", 2), 2);
    WriteSettingInt("PARAMETER", "SampleMode", 4);
    EXPECT_EQ(FilesIn(folder), 0u);
    // An empty directory would have put the file at the root.
    if (!rootFileBefore) {
        EXPECT_FALSE(fs::exists("/Tervalis.ini"));
    }
}

}  // namespace
