// A settings file that another program holds open, or that is marked
// read-only: what the real profile functions make of it through the
// plug-in's settings functions.
#include <windows.h>

#include "tests/unit/settings/SettingsDirectory.h"
#include "tests/unit/settings/SettingsSession.h"

namespace {

using namespace settingssession;

// A handle another program holds on the file for the length of a case.
class OtherProgramsHandle {
public:
    OtherProgramsHandle(const std::string& path, DWORD access, DWORD share)
        : handle_(CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~OtherProgramsHandle() { Close(); }
    OtherProgramsHandle(const OtherProgramsHandle&) = delete;
    OtherProgramsHandle& operator=(const OtherProgramsHandle&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Close() {
        if (IsOpen()) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

class SettingsLockTest : public SettingsDirectory {
protected:
    void TearDown() override {
        SetFileAttributesA(SettingsPath().c_str(), FILE_ATTRIBUTE_NORMAL);
        SettingsDirectory::TearDown();
    }
};

TEST_F(SettingsLockTest, FileOpenedWithoutSharingGivesDefaultsAndTakesNoWrite) {
    WriteSettingsFile(kStoredFile);
    OtherProgramsHandle other(SettingsPath(), GENERIC_READ | GENERIC_WRITE, 0);
    ASSERT_TRUE(other.IsOpen());
    const Outcome outcome = settingssession::Run();
    EXPECT_TRUE(LoadedDefaults(outcome));
    EXPECT_TRUE(GuardIntact(outcome.loaded));
    other.Close();
    EXPECT_EQ(ReadSettingsFile(), kStoredFile);
    EXPECT_TRUE(LoadedStoredFile(Load()));
}

TEST_F(SettingsLockTest, FileSharedForReadingOnlyIsReadAndTakesNoWrite) {
    WriteSettingsFile(kStoredFile);
    OtherProgramsHandle other(SettingsPath(), GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(other.IsOpen());
    const Outcome outcome = settingssession::Run();
    EXPECT_TRUE(LoadedStoredFile(outcome));
    EXPECT_TRUE(GuardIntact(outcome.loaded));
    EXPECT_TRUE(LoadedStoredFile(Load()));
    other.Close();
    EXPECT_EQ(ReadSettingsFile(), kStoredFile);
}

TEST_F(SettingsLockTest, ReadOnlyFileIsReadAndTakesNoWrite) {
    WriteSettingsFile(kStoredFile);
    ASSERT_TRUE(SetFileAttributesA(SettingsPath().c_str(), FILE_ATTRIBUTE_READONLY));
    if (OtherProgramsHandle(SettingsPath(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE).IsOpen()) {
        GTEST_SKIP() << "the read-only attribute does not stop writes here (Wine keeps it as permission bits, "
                        "which root ignores)";
    }
    const Outcome outcome = settingssession::Run();
    EXPECT_TRUE(LoadedStoredFile(outcome));
    EXPECT_TRUE(GuardIntact(outcome.loaded));
    EXPECT_TRUE(LoadedStoredFile(Load()));
    EXPECT_EQ(ReadSettingsFile(), kStoredFile);
}

}  // namespace
