// A settings file the process may not read or may not write. Root ignores
// permission bits, so as root each case runs in a child process that has
// switched to an unprivileged user; where that is impossible the case is
// skipped with the reason.
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "tests/unit/settings/SettingsDirectory.h"
#include "tests/unit/settings/SettingsSession.h"

namespace {

namespace fs = std::filesystem;
using namespace settingssession;

constexpr uid_t kNobody = 65534;
constexpr int kCannotDropPrivileges = 3;

bool ReadFully(int fd, void* data, std::size_t size) {
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t got = read(fd, bytes, size);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        bytes += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

class SettingsPermissionTest : public SettingsDirectory {
protected:
    // An unprivileged user must be able to reach the file.
    void SetUp() override {
        SettingsDirectory::SetUp();
        ASSERT_EQ(chmod(folder_.c_str(), 0755), 0);
    }

    void TearDown() override {
        // Give back what the case took away, so that the folder can go.
        chmod(folder_.c_str(), 0755);
        chmod(SettingsPath().c_str(), 0644);
        SettingsDirectory::TearDown();
    }

    // Runs session with the permission bits binding: in this process when they
    // already bind (access with mode fails), else in a child switched to the
    // unprivileged user. None when neither is possible: the case is skipped.
    std::optional<Outcome> RunWherePermissionsBind(const std::string& path, int accessMode,
                                                   const std::function<Outcome()>& session) {
        if (access(path.c_str(), accessMode) != 0) return session();

        int channel[2];
        if (pipe(channel) != 0) return std::nullopt;
        const pid_t child = fork();
        if (child == 0) {
            close(channel[0]);
            const bool dropped = setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0 &&
                                 access(path.c_str(), accessMode) != 0;
            if (!dropped) _exit(kCannotDropPrivileges);
            const Outcome outcome = session();
            _exit(write(channel[1], &outcome, sizeof outcome) == static_cast<ssize_t>(sizeof outcome) ? 0 : 1);
        }
        close(channel[1]);
        Outcome outcome{};
        const bool received = child > 0 && ReadFully(channel[0], &outcome, sizeof outcome);
        close(channel[0]);
        int status = 0;
        if (child > 0) waitpid(child, &status, 0);
        if (received && WIFEXITED(status) && WEXITSTATUS(status) == 0) return outcome;
        skipReason_ = (WIFEXITED(status) && WEXITSTATUS(status) == kCannotDropPrivileges)
                          ? "permission bits do not bind for this process (root) and it cannot switch to uid 65534"
                          : "the unprivileged child process failed";
        return std::nullopt;
    }

    std::string skipReason_;
};

TEST_F(SettingsPermissionTest, UnreadableFileGivesDefaultsAndIsNotOverwritten) {
    WriteSettingsFile(kStoredFile);
    ASSERT_EQ(chmod(SettingsPath().c_str(), 0), 0);
    const std::optional<Outcome> outcome = RunWherePermissionsBind(SettingsPath(), R_OK, settingssession::Run);
    if (!outcome) GTEST_SKIP() << skipReason_;
    EXPECT_TRUE(LoadedDefaults(*outcome));
    EXPECT_TRUE(GuardIntact(outcome->loaded));
    ASSERT_EQ(chmod(SettingsPath().c_str(), 0644), 0);
    EXPECT_EQ(ReadSettingsFile(), kStoredFile);
}

TEST_F(SettingsPermissionTest, ReadOnlyFileIsReadAndWritesAreIgnored) {
    WriteSettingsFile(kStoredFile);
    ASSERT_EQ(chmod(SettingsPath().c_str(), 0444), 0);
    const std::optional<Outcome> outcome = RunWherePermissionsBind(SettingsPath(), W_OK, [] {
        settingssession::Run();
        return settingssession::Load();  // after the ignored save
    });
    if (!outcome) GTEST_SKIP() << skipReason_;
    EXPECT_TRUE(LoadedStoredFile(*outcome));
    EXPECT_TRUE(GuardIntact(outcome->loaded));
    EXPECT_EQ(ReadSettingsFile(), kStoredFile);
}

TEST_F(SettingsPermissionTest, ReadOnlyFolderWithoutAFileTakesNoWrite) {
    ASSERT_EQ(chmod(folder_.c_str(), 0555), 0);
    const std::optional<Outcome> outcome = RunWherePermissionsBind(folder_.string(), W_OK, [] {
        settingssession::Run();
        return settingssession::Load();
    });
    if (!outcome) GTEST_SKIP() << skipReason_;
    EXPECT_TRUE(LoadedDefaults(*outcome));
    EXPECT_FALSE(SettingsFileExists());
}

}  // namespace
