// A settings file that is not what the plug-in wrote: a folder in its place,
// a huge file, binary junk. Loading never fails: it gives the defaults or the
// values it can find, and saving either works or is ignored.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/unit/settings/SettingsDirectory.h"
#include "tests/unit/settings/SettingsSession.h"

namespace {

namespace fs = std::filesystem;
using namespace settingssession;

// SplitMix64: seeded, the same everywhere.
class Bytes {
public:
    explicit Bytes(std::uint64_t seed) : state_(seed) {}
    std::uint8_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<std::uint8_t>(z ^ (z >> 31));
    }

private:
    std::uint64_t state_;
};

// Lines of letters, digits, blanks, '=' and ';' without any header, about
// 100 bytes each: keys of a nameless section and comments.
void WriteJunkLines(std::ofstream& out, std::uint64_t totalBytes) {
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 =;-+.\t";
    Bytes random(0x5E771265);
    std::string line;
    for (std::uint64_t written = 0; written < totalBytes; written += line.size()) {
        line.clear();
        for (int i = 0, n = 40 + random.Next() % 120; i < n; ++i)
            line += kAlphabet[random.Next() % (sizeof kAlphabet - 1)];
        line += (random.Next() % 4 == 0) ? "\n" : "\r\n";
        out << line;
    }
}

// 64 KiB without a line break: NULs, 0xFF and every other byte value, with a
// settings section's text in the middle of it.
std::string BinaryJunk() {
    Bytes random(0xB17A5);
    std::string junk;
    for (int i = 0; i < 65536; ++i) {
        std::uint8_t byte = random.Next();
        if (byte == '\r' || byte == '\n') byte = 0xFF;
        if (i % 97 == 0) byte = 0;
        junk += static_cast<char>(byte);
    }
    junk.replace(30000, 40, "[PARAMETER] SampleMode=4 dBOffset=-57   ");
    return junk;
}

// Far beyond any buffer: 4 MiB, or EXCALIBUR_HUGE_FILE_MIB (the stress command asks for 50).
std::uint64_t HugeFileBytes() {
    const char* asked = std::getenv("EXCALIBUR_HUGE_FILE_MIB");
    const int mib = asked != nullptr ? std::atoi(asked) : 0;
    return static_cast<std::uint64_t>(mib > 0 ? mib : 4) << 20;
}

class SettingsFaultTest : public SettingsDirectory {};

TEST_F(SettingsFaultTest, AFolderInPlaceOfTheFileGivesDefaultsAndTakesNoWrite) {
    fs::create_directory(SettingsPath());
    const Outcome outcome = settingssession::Run();
    EXPECT_TRUE(LoadedDefaults(outcome));
    EXPECT_TRUE(GuardIntact(outcome.loaded));
    EXPECT_TRUE(fs::is_directory(SettingsPath()));
    EXPECT_TRUE(fs::is_empty(SettingsPath()));
    EXPECT_TRUE(LoadedDefaults(Load()));
}

TEST_F(SettingsFaultTest, HugeFileIsReadToTheEndAndRewrittenWhole) {
    const std::uint64_t kJunkBytes = HugeFileBytes();
    const std::string firstLine = "; " + std::to_string(kJunkBytes >> 20) + " MiB of junk before the settings";
    {
        std::ofstream out(SettingsPath(), std::ios::binary);
        out << firstLine << "\n";
        WriteJunkLines(out, kJunkBytes);
        out << kStoredFile;
    }

    const Outcome outcome = settingssession::Run();
    EXPECT_TRUE(LoadedStoredFile(outcome));
    EXPECT_TRUE(GuardIntact(outcome.loaded));
    EXPECT_TRUE(LoadedSavedValues(Load()));
    // Rewritten with its junk: CR LF line ends and blanks around '=' gone.
    EXPECT_GT(fs::file_size(SettingsPath()), kJunkBytes * 9 / 10);
    std::string rewrittenFirstLine;
    std::getline(std::ifstream(SettingsPath(), std::ios::binary), rewrittenFirstLine);
    EXPECT_EQ(rewrittenFirstLine, firstLine + "\r");
}

TEST_F(SettingsFaultTest, BinaryJunkGivesDefaultsAndSavingStillWorks) {
    WriteSettingsFile(BinaryJunk());
    const Outcome outcome = settingssession::Run();
    EXPECT_TRUE(LoadedDefaults(outcome));
    EXPECT_TRUE(GuardIntact(outcome.loaded));
    EXPECT_TRUE(LoadedSavedValues(Load()));
}

// FF FE is the UTF-16 signature: Windows reads such a file as UTF-16.
TEST_F(SettingsFaultTest, BinaryJunkThatStartsLikeUtf16GivesDefaultsAndSavingStillWorks) {
    WriteSettingsFile("\xFF\xFE" + BinaryJunk());
    const Outcome outcome = settingssession::Run();
    EXPECT_TRUE(LoadedDefaults(outcome));
    EXPECT_TRUE(GuardIntact(outcome.loaded));
    EXPECT_TRUE(LoadedSavedValues(Load()));
}

}  // namespace
