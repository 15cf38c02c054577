// libFuzzer target for the native profile reader and writer: a settings file
// and a short script of reads and writes (FuzzScript.h) run on a real file,
// with every result held against the reference reading (ReferenceProfile.h)
// and against what a write may and may not change.
#include <unistd.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/PrivateProfile.h"
#include "platform/headless/IniDocument.h"
#include "platform/headless/ProfileNumber.h"
#include "tests/fuzz/FuzzScript.h"
#include "tests/fuzz/ReferenceProfile.h"

namespace {

using fuzzscript::Operation;
using Values = std::vector<std::optional<std::string>>;

// Defaults no stored number is likely to equal, so a default that comes back
// is told apart from a value read.
constexpr int kProbeDefaults[] = {-0x5EED0001, 0x7E57};

[[noreturn]] void Fail(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::fputs("INI fuzz invariant broken: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
    std::abort();
}

std::string Printable(const std::string& bytes) {
    std::string out;
    for (const unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string Printable(const std::optional<std::string>& value) {
    return value ? "\"" + Printable(*value) + "\"" : std::string("(none)");
}

// One folder for the whole run, removed when the fuzzer exits.
class Workspace {
public:
    // Never destroyed, so that the clean-up at exit finds it intact.
    static Workspace& Get() {
        static Workspace* const workspace = new Workspace;
        return *workspace;
    }
    const char* Path() const { return path_.c_str(); }

    void Reset(const std::optional<std::string>& file) const {
        std::remove(path_.c_str());
        if (!file) return;
        std::FILE* out = std::fopen(path_.c_str(), "wb");
        if (!out || std::fwrite(file->data(), 1, file->size(), out) != file->size() || std::fclose(out) != 0) {
            Fail("cannot write the starting file %s", path_.c_str());
        }
    }

    std::optional<std::string> Contents() const {
        std::FILE* in = std::fopen(path_.c_str(), "rb");
        if (!in) return std::nullopt;
        std::string bytes;
        char chunk[4096];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, in)) > 0;) bytes.append(chunk, got);
        std::fclose(in);
        return bytes;
    }

private:
    Workspace() {
        // Memory-backed when possible: on ext4 every rewrite of a truncated
        // file is flushed to disk, which caps the rate at about 100 a second.
        const char* tmp = std::getenv("TMPDIR");
        const char* base = (tmp && *tmp) ? tmp : (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        std::string pattern = std::string(base) + "/ini-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) Fail("cannot make a temporary folder from %s", pattern.c_str());
        folder_ = pattern;
        path_ = folder_ + "/Tervalis.ini";
        std::atexit([] {
            std::remove(Get().path_.c_str());
            rmdir(Get().folder_.c_str());
        });
    }
    std::string folder_;
    std::string path_;
};

std::string WithoutLeadingBlanks(const std::string& text) {
    std::size_t first = 0;
    while (first < text.size() && reference::IsBlank(text[first])) ++first;
    return text.substr(first);
}

bool ContainsAny(const std::string& text, const char* bytes) { return text.find_first_of(bytes) != std::string::npos; }

// Names and values that a written line keeps as written: no line break
// inside, no '=' in the key, and no key that would read as a header or, as
// the file's first line, begin with what reads as a UTF-8 marker.
bool IsPlainWrite(const Operation& op) {
    const std::string_view key = reference::TrimBlanks(op.key);
    return !ContainsAny(op.section, "\r\n") && !ContainsAny(op.key, "\r\n=") && !ContainsAny(op.value, "\r\n") &&
           !key.starts_with('[') && !key.starts_with("\xEF\xBB\xBF");
}

// The value text as "%d" prints it, when it is one.
std::optional<int> PlainDecimal(std::string_view text) {
    text = reference::TrimBlanks(text);
    if (text.empty() || text.size() > 11) return std::nullopt;
    char* end = nullptr;
    const std::string copy(text);
    const long long number = std::strtoll(copy.c_str(), &end, 10);
    if (*end != '\0' || number < INT32_MIN || number > INT32_MAX) return std::nullopt;
    char printed[16];
    std::snprintf(printed, sizeof printed, "%lld", number);
    if (copy != printed) return std::nullopt;
    return static_cast<int>(number);
}

class ScriptRun {
public:
    explicit ScriptRun(const fuzzscript::Script& script) : script_(script) {
        for (const std::string& section : script.sections) {
            for (const std::string& key : script.keys) lookups_.push_back({section, key});
        }
    }

    void Run() {
        Workspace::Get().Reset(script_.file);
        current_ = CheckFile(Workspace::Get().Contents(), "at the start");
        for (step_ = 0; step_ < script_.operations.size(); ++step_) {
            const Operation& op = script_.operations[step_];
            if (op.kind == Operation::Kind::Read) {
                Read(op);
            } else {
                Write(op);
            }
        }
    }

private:
    // The implementation's and the reference's value of every looked-up
    // name, which must agree, and the numbers both make of each value.
    Values CheckFile(const std::optional<std::string>& file, const char* when) const {
        const std::string bytes = file.value_or("");
        const headless::IniDocument document = headless::IniDocument::Parse(bytes);
        const Values expected = reference::FindValues(bytes, lookups_);
        Values values;
        for (std::size_t i = 0; i < lookups_.size(); ++i) {
            const std::string* found = file ? document.FindValue(lookups_[i].section, lookups_[i].key) : nullptr;
            values.push_back(found ? std::optional<std::string>(*found) : std::nullopt);
            if (values[i] != expected[i]) {
                Fail("%s, step %zu: [%s] \"%s\" is %s, the reference reads %s", when, step_,
                     Printable(lookups_[i].section).c_str(), Printable(lookups_[i].key).c_str(),
                     Printable(values[i]).c_str(), Printable(expected[i]).c_str());
            }
            if (!values[i]) continue;
            for (const int probe : kProbeDefaults) {
                const int number = headless::ProfileNumber(*values[i], probe);
                const int wanted = reference::ProfileInt(*values[i], probe);
                if (number != wanted) {
                    Fail("value %s reads as %d, the reference says %d", Printable(values[i]).c_str(), number, wanted);
                }
            }
        }
        return values;
    }

    void Read(const Operation& op) {
        const char* path = Workspace::Get().Path();
        const std::optional<std::string> before = Workspace::Get().Contents();
        const int first = platform::ReadProfileInt(op.section.c_str(), op.key.c_str(), op.defaultValue, path);
        const int second = platform::ReadProfileInt(op.section.c_str(), op.key.c_str(), op.defaultValue, path);
        if (first != second) Fail("step %zu: the same read gave %d, then %d", step_, first, second);
        if (Workspace::Get().Contents() != before) Fail("step %zu: a read changed the file", step_);

        const Values found = reference::FindValues(before.value_or(""), {{op.section, op.key}});
        const int wanted = found[0] ? reference::ProfileInt(*found[0], op.defaultValue) : op.defaultValue;
        if (first != wanted) {
            Fail("step %zu: read [%s] \"%s\" default %d gave %d, the reference %d (value %s)", step_,
                 Printable(op.section).c_str(), Printable(op.key).c_str(), op.defaultValue, first, wanted,
                 Printable(found[0]).c_str());
        }
    }

    void Write(const Operation& op) {
        const char* path = Workspace::Get().Path();
        const std::optional<std::string> before = Workspace::Get().Contents();
        if (!platform::WriteProfileString(op.section.c_str(), op.key.c_str(), op.value.c_str(), path)) {
            Fail("step %zu: a write into a healthy folder failed", step_);
        }
        const std::optional<std::string> after = Workspace::Get().Contents();
        if (!after) Fail("step %zu: the file is gone after a write", step_);

        // Storing what is already there leaves the file as it was.
        const std::string stored = reference::AsStoredIn(before.value_or(""), WithoutLeadingBlanks(op.value));
        const Values old = reference::FindValues(before.value_or(""), {{op.section, op.key}});
        if (old[0] == stored && after != before)
            Fail("step %zu: writing the stored value again rewrote the file", step_);

        const Values next = CheckFile(after, "after a write");
        // Otherwise the rewrite itself may move keys (see the reference).
        const bool meaningKept = !before || !reference::RewriteMayChangeMeaning(*before);
        if (IsPlainWrite(op) && meaningKept) {
            CheckWrittenValue(op, *after);
            CheckOthersUnchanged(op, next);
        }
        current_ = next;
    }

    void CheckWrittenValue(const Operation& op, const std::string& after) const {
        const Values written = reference::FindValues(after, {{op.section, op.key}});
        const std::string trimmed = reference::AsStoredIn(after, reference::TrimBlanks(op.value));
        if (written[0] != trimmed) {
            Fail("step %zu: wrote [%s] \"%s\" = %s, the file now holds %s", step_, Printable(op.section).c_str(),
                 Printable(op.key).c_str(), Printable(op.value).c_str(), Printable(written[0]).c_str());
        }
        if (const std::optional<int> number = PlainDecimal(op.value)) {
            for (const int probe : kProbeDefaults) {
                const int read =
                    platform::ReadProfileInt(op.section.c_str(), op.key.c_str(), probe, Workspace::Get().Path());
                if (read != *number) Fail("step %zu: wrote %d, read back %d", step_, *number, read);
            }
        }
    }

    void CheckOthersUnchanged(const Operation& op, const Values& next) const {
        for (std::size_t i = 0; i < lookups_.size(); ++i) {
            const bool sameEntry = reference::SameName(op.section, reference::TrimBlanks(lookups_[i].section)) &&
                                   reference::SameName(op.key, reference::TrimBlanks(lookups_[i].key));
            if (!sameEntry && next[i] != current_[i]) {
                Fail("step %zu: writing [%s] \"%s\" changed [%s] \"%s\" from %s to %s", step_,
                     Printable(op.section).c_str(), Printable(op.key).c_str(), Printable(lookups_[i].section).c_str(),
                     Printable(lookups_[i].key).c_str(), Printable(current_[i]).c_str(), Printable(next[i]).c_str());
            }
        }
    }

    const fuzzscript::Script& script_;
    std::vector<reference::Lookup> lookups_;
    Values current_;
    std::size_t step_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzzscript::Script script = fuzzscript::Decode(data, size);
    ScriptRun(script).Run();
    return 0;
}
