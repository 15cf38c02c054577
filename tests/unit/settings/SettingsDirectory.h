#pragma once

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

// Each test runs in a fresh, empty folder that is the process's current
// directory and the captured working directory, as at the plug-in's start-up.
class SettingsDirectory : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Where the settings file of the captured directory lies.
    std::string SettingsPath() const;

    void WriteSettingsFile(const std::string& bytes) const;
    std::string ReadSettingsFile() const;  // empty when absent
    bool SettingsFileExists() const;

    std::filesystem::path folder_;

private:
    std::filesystem::path previous_;
};
