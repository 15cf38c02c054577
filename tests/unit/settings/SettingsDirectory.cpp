#include "tests/unit/settings/SettingsDirectory.h"

#include <fstream>
#include <iterator>

#include "panel/SettingsFile.h"
#include "tests/support/TestEnvironment.h"

void SettingsDirectory::SetUp() {
    previous_ = std::filesystem::current_path();
    folder_ = testsupport::TemporaryPath("settings");
    std::filesystem::create_directories(folder_);
    std::filesystem::current_path(folder_);
    ASSERT_TRUE(excalibur::CaptureWorkingDirectory());
}

void SettingsDirectory::TearDown() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string SettingsDirectory::SettingsPath() const { return (folder_ / "Tervalis.ini").string(); }

void SettingsDirectory::WriteSettingsFile(const std::string& bytes) const {
    std::ofstream(SettingsPath(), std::ios::binary) << bytes;
}

std::string SettingsDirectory::ReadSettingsFile() const {
    std::ifstream in(SettingsPath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool SettingsDirectory::SettingsFileExists() const { return std::filesystem::exists(SettingsPath()); }
