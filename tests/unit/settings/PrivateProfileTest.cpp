#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/PrivateProfile.h"
#include "tests/support/TestEnvironment.h"

namespace {

namespace fs = std::filesystem;

class PrivateProfileTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(folder_); }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    std::string Read(const fs::path& path) const {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    fs::path folder_ = testsupport::TemporaryPath("profile");
};

TEST_F(PrivateProfileTest, UnchangedValueLeavesTheFileAsItWas) {
    const fs::path path = folder_ / "a.ini";
    std::ofstream(path, std::ios::binary) << "; mine\n\n[S]\n  k = 7  \n";
    EXPECT_TRUE(platform::WriteProfileString("s", "K", " 7", path.string().c_str()));
    EXPECT_EQ(Read(path), "; mine\n\n[S]\n  k = 7  \n");
}

TEST_F(PrivateProfileTest, AFolderInsteadOfAFileIsNeitherReadNorWritten) {
    const fs::path path = folder_ / "folder.ini";
    fs::create_directories(path);
    EXPECT_EQ(platform::ReadProfileInt("S", "k", 41, path.string().c_str()), 41);
    EXPECT_FALSE(platform::WriteProfileString("S", "k", "1", path.string().c_str()));
    EXPECT_TRUE(fs::is_directory(path));
}

TEST_F(PrivateProfileTest, WriteIntoAMissingFolderFailsAndCreatesNothing) {
    const fs::path path = folder_ / "missing" / "a.ini";
    EXPECT_FALSE(platform::WriteProfileString("S", "k", "1", path.string().c_str()));
    EXPECT_FALSE(fs::exists(folder_ / "missing"));
}

}  // namespace
