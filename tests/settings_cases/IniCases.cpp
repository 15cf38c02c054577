#include "tests/settings_cases/IniCases.h"

#include <cstdio>
#include <initializer_list>
#include <string_view>

namespace inicases {

namespace {

using Kind = IniOperation::Kind;

IniOperation Read(std::string section, std::string key, int defaultValue) {
    return {Kind::ReadInt, std::move(section), std::move(key), defaultValue, {}};
}

IniOperation Write(std::string section, std::string key, std::string value) {
    return {Kind::WriteString, std::move(section), std::move(key), 0, std::move(value)};
}

IniCase Case(std::string name, std::optional<std::string> file, std::vector<IniOperation> operations) {
    return {std::move(name), std::move(file), false, std::move(operations)};
}

// Appends in order; "literal" + std::string trips a false -Wrestrict in GCC 12.
std::string Join(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (const std::string_view part : parts) out += part;
    return out;
}

std::string Repeat(std::string_view text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

void AddNumberForms(std::vector<IniCase>& cases) {
    const std::string digits29 = Repeat("1234567890", 3).substr(0, 29);
    // clang-format off
    const std::string values[] = {
        "12", "+12", "-12", "12abc", "abc", "", "0x1F", "0X1f", "0x", "0xg", "010", "0o17", "0b101", "0b2",
        "4294967295", "4294967296", "2147483647", "2147483648", "-2147483648", "-2147483649",
        "99999999999999999999", "0xFFFFFFFF", "-0x10", "\"42\"", "'42'", "\"42", "42\"", "\"\"", "''", "\"",
        "'7\"", "\" 9\"", "1 2", "- 5", "--5", "+-5", "7\t", std::string("\x01") + "5", "12\x1a", "-174",
        "-200", "201", "65535", "65536", "-32769", "3.9", "1e3",
        digits29, digits29 + "9", Repeat("0", 45) + "12", Join({"\"", digits29.substr(0, 27), "\""}),
        Join({"\"", digits29.substr(0, 28), "\""}), Join({"\"", digits29, "\""}), Join({"\"", digits29, "12\""}),
    };
    // clang-format on
    int index = 0;
    for (const std::string& value : values) {
        cases.push_back(Case("number form " + std::to_string(index++), "[S]\r\nk=" + value + "\r\n",
                             {Read("S", "k", 77), Read("S", "k", -5)}));
    }
}

void AddReadShapes(std::vector<IniCase>& cases) {
    const std::string longLine = Join({"; ", Repeat("long comment ", 400)});
    cases.push_back(Case("read: no file", std::nullopt, {Read("S", "k", -5)}));
    cases.push_back(Case("read: empty file", "", {Read("S", "k", 3)}));
    cases.push_back(Case("read: only blanks", " \t\r\n\r\n  ", {Read("S", "k", 3)}));
    cases.push_back(Case("read: no such section", "[A]\r\nk=1\r\n", {Read("S", "k", 9)}));
    cases.push_back(Case("read: no such key", "[S]\r\nj=1\r\n", {Read("S", "k", 9)}));
    cases.push_back(Case("read: case of names", "[PaRaMeTeR]\r\nsAMPLEmODE=3\r\n",
                         {Read("PARAMETER", "SampleMode", 2), Read("parameter", "samplemode", 2)}));
    cases.push_back(Case("read: blanks around =", "[S]\r\n  k \t=  \t8  \r\n", {Read("S", "k", 1)}));
    cases.push_back(Case("read: LF only", "[S]\nk=4\nj=5\n", {Read("S", "k", 1), Read("S", "j", 1)}));
    cases.push_back(Case("read: CR only", "[S]\rk=4\rj=5\r", {Read("S", "k", 1), Read("S", "j", 1)}));
    cases.push_back(Case("read: no final newline", "[S]\r\nk=6", {Read("S", "k", 1)}));
    cases.push_back(
        Case("read: mixed line ends", "[A]\r\na=1\n[S]\rk=2\n\r\nj=3", {Read("S", "k", 1), Read("S", "j", 1)}));
    cases.push_back(Case("read: duplicate sections", "[S]\nk=1\n[T]\nk=7\n[s]\nk=2\nj=5\n",
                         {Read("S", "k", 77), Read("S", "j", 77)}));
    cases.push_back(Case("read: duplicate keys", "[S]\nk=1\nK=2\n", {Read("S", "k", 77)}));
    cases.push_back(Case("read: key without =", "[S]\nk\nj = \n", {Read("S", "k", 77), Read("S", "j", 77)}));
    cases.push_back(Case("read: empty value", "[S]\nk=\n", {Read("S", "k", 77)}));
    cases.push_back(Case("read: comment lines", "[S]\n;k=3\n# j=4\nk=5\n",
                         {Read("S", ";k", 77), Read("S", "# j", 77), Read("S", "k", 77)}));
    cases.push_back(Case("read: header without bracket", "[S\nk=3\n", {Read("S", "k", 77), Read("[S", "k", 77)}));
    cases.push_back(Case("read: header odd brackets", "[S]]\nk=3\n[T]x]\nk=4\n[U]x\nk=5\n",
                         {Read("S]", "k", 77), Read("T]x", "k", 77), Read("U", "k", 77)}));
    cases.push_back(
        Case("read: header blanks", "  [ S ]  \nk=3\n[\tT\t]\nk=4\n", {Read("S", "k", 77), Read("T", "k", 77)}));
    cases.push_back(Case("read: empty header", "[]\nk=3\n", {Read("", "k", 77)}));
    cases.push_back(Case("read: keys before any header", "k=3\n[S]\nk=4\n", {Read("", "k", 77), Read("S", "k", 77)}));
    cases.push_back(Case("read: empty key", "[S]\n=5\n==6\n", {Read("S", "", 77)}));
    cases.push_back(Case("read: asked names with blanks", "[S]\nk=8\n", {Read(" S\t", "\tk ", 77)}));
    cases.push_back(Case("read: utf-8 marker", "\xEF\xBB\xBF[S]\r\nk=8\r\n", {Read("S", "k", 77)}));
    cases.push_back(Case("read: NUL inside a key", std::string("[S]\nk\0x=1\nk=2\n", 14), {Read("S", "k", 77)}));
    cases.push_back(Case("read: ^Z and form feed", "[S]\x1a\nk\f=\v8\x1a\n", {Read("S", "k", 77)}));
    cases.push_back(Case("read: very long lines", longLine + "\n[S]\n" + Repeat("x", 3000) + "=1\nk=9\n",
                         {Read("S", "k", 77), Read("S", Repeat("x", 3000), 77)}));
    cases.push_back(
        Case("read: long section name", Join({"[", Repeat("n", 500), "]\nk=2\n"}), {Read(Repeat("N", 500), "k", 77)}));
    cases.push_back(
        Case("read: settings file",
             "[PARAMETER]\r\nSampleMode=7\r\nAttenuator=2\r\nDittering=2\r\n"
             "NoisBlanker=6\r\ndBOffset=-150\r\n[POSITION]\r\nWindowTop=-20\r\nWindowLeft=-1300\r\n",
             {Read("PARAMETER", "SampleMode", 2), Read("PARAMETER", "Attenuator", 0), Read("PARAMETER", "Dittering", 0),
              Read("PARAMETER", "NoisBlanker", 0), Read("PARAMETER", "dBOffset", -174),
              Read("POSITION", "WindowTop", 100), Read("POSITION", "WindowLeft", 100)}));
    cases.push_back(Case("read: names above 0x7F",
                         "[\xC4rger]\r\ngr\xD6\xDF"
                         "e=5\r\n",
                         {Read("\xE4rger",
                               "gr\xF6\xDF"
                               "e",
                               1),
                          Read("\xC4rger",
                               "GR\xD6\xDF"
                               "E",
                               2),
                          Read("\xC4RGER",
                               "gr\xD6\xDF"
                               "e",
                               3)}));
    cases.push_back(Case("read: no-break space",
                         "[S]\r\nk=\xA0"
                         "5\r\n\xA0j\xA0=6\r\n",
                         {Read("S", "k", 1), Read("S", "j", 1)}));
    cases.push_back(Case("read: utf-8 names",
                         "\xEF\xBB\xBF[\xC3\x84rger]\r\ngr\xC3\xB6\xC3\x9F"
                         "e=5\r\nk=\xC2\xA0"
                         "6\r\n",
                         {Read("\xC4rger",
                               "gr\xF6\xDF"
                               "e",
                               1),
                          Read("\xE4rger",
                               "GR\xD6\xDF"
                               "E",
                               2),
                          Read("\xC4rger", "k", 3)}));
    cases.push_back(Case("read: utf-8 quoted long value",
                         Join({"\xEF\xBB\xBF[S]\r\na=\"5", Repeat("\xC3\xA4", 20), "\"\r\nb=\"6",
                               Repeat("\xC3\xA4", 26), "\"\r\nc=\"7", Repeat("\xC3\xA4", 27), "\"\r\n"}),
                         {Read("S", "a", 1), Read("S", "b", 1), Read("S", "c", 1)}));
    IniCase missing = Case("read: folder missing", std::nullopt, {Read("S", "k", 41)});
    missing.missingDirectory = true;
    cases.push_back(missing);
}

void AddWrites(std::vector<IniCase>& cases) {
    const std::string mixed = "; top\n\n[A]\n; about a\na = 1\n\n[S]\nk  =  1\nz=2\n\n[B]\nb=3\n";
    cases.push_back(Case("write: no file", std::nullopt, {Write("S", "k", "1")}));
    cases.push_back(Case("write: empty file", "", {Write("S", "k", "1")}));
    cases.push_back(Case("write: only blanks", "  \t\n\n", {Write("S", "k", "5")}));
    cases.push_back(Case("write: replace CRLF", "[S]\r\nk=1\r\nj=2\r\n", {Write("S", "k", "2")}));
    cases.push_back(Case("write: replace LF", "[S]\nk=1\nj=2\n", {Write("S", "k", "2")}));
    cases.push_back(Case("write: replace, no final newline", "[S]\nk=1", {Write("S", "k", "2")}));
    cases.push_back(Case("write: same value keeps file", "[S]\n k = 1 \n\n", {Write("S", "k", "1")}));
    cases.push_back(Case("write: same value other case", "[S]\nk=abc\n", {Write("S", "k", "ABC")}));
    cases.push_back(Case("write: other names case", "[s]\nKEY=1\n", {Write("S", "key", "2")}));
    cases.push_back(Case("write: keeps comments and order", mixed, {Write("S", "k", "5")}));
    cases.push_back(Case("write: new key in section", mixed, {Write("A", "n", "7")}));
    cases.push_back(Case("write: new section", mixed, {Write("C", "n", "7")}));
    cases.push_back(Case("write: duplicate sections", "[S]\nk=1\n[S]\nj=2\n", {Write("S", "j", "5")}));
    cases.push_back(Case("write: duplicate keys", "[S]\nk=1\nk=2\n", {Write("S", "k", "5")}));
    cases.push_back(Case("write: key without =", "[S]\nk\n", {Write("S", "k", "5")}));
    cases.push_back(Case("write: empty value", "[S]\nk=\n", {Write("S", "k", "5")}));
    cases.push_back(Case("write: to empty value", "[S]\nk=1\n", {Write("S", "k", "")}));
    cases.push_back(Case("write: value blanks", "[S]\nk=1\n", {Write("S", "k", " \t 5  ")}));
    cases.push_back(Case("write: asked names with blanks", "[S]\nk=1\n", {Write(" S ", " k ", "5")}));
    cases.push_back(
        Case("write: new names with blanks", "[S]\nk=1\n", {Write(" T ", " j ", "5"), Write("S", " i ", "6")}));
    cases.push_back(Case("write: header without bracket", "[S\nk=1\n", {Write("S", "k", "5")}));
    cases.push_back(Case("write: utf-8 marker kept", "\xEF\xBB\xBF[S]\nk=8\n", {Write("S", "k", "5")}));
    cases.push_back(Case("write: ^Z line end", "[S]\nk=8\x1a\n", {Write("S", "k", "5")}));
    cases.push_back(Case("write: empty keys", "[S]\n=5\n==\n\n", {Write("S", "k", "5")}));
    cases.push_back(Case("write: empty header", "[]\nk=1\n", {Write("S", "k", "5")}));
    cases.push_back(Case("write: keys before any header", "x=1\n[S]\n", {Write("", "x", "2"), Write("S", "k", "5")}));
    cases.push_back(
        Case("write: nameless section in new file", std::nullopt, {Write("", "x", "2"), Write("S", "k", "5")}));
    cases.push_back(Case("write: empty key", "[S]\nk=1\n", {Write("S", "", "5")}));
    cases.push_back(Case("write: NUL inside a key", std::string("[S]\nk\0x=1\n", 10), {Write("S", "j", "5")}));
    cases.push_back(
        Case("write: long value", "[S]\nk=1\n", {Write("S", "k", Repeat("9876543210", 30)), Read("S", "k", 77)}));
    cases.push_back(Case("write then read", std::nullopt,
                         {Write("S", "k", "-42"), Read("S", "k", 0), Write("s", "K", "43"), Read("S", "k", 0)}));
    cases.push_back(Case("write: settings in order", std::nullopt,
                         {Write("PARAMETER", "SampleMode", "2"), Write("PARAMETER", "Attenuator", "0"),
                          Write("PARAMETER", "Dittering", "1"), Write("PARAMETER", "NoisBlanker", "3"),
                          Write("PARAMETER", "dBOffset", "-174"), Write("POSITION", "WindowTop", "-20"),
                          Write("POSITION", "WindowLeft", "-1300"), Read("POSITION", "WindowTop", 0),
                          Read("POSITION", "WindowLeft", 0), Read("PARAMETER", "dBOffset", 0)}));
    cases.push_back(Case("write: settings over a user's file",
                         "; edited by hand\n[POSITION]\nWindowTop = 10 ; top\n[PARAMETER]\nsamplemode=4\n",
                         {Write("PARAMETER", "SampleMode", "1"), Write("POSITION", "WindowTop", "11"),
                          Write("POSITION", "WindowLeft", "12")}));
    cases.push_back(
        Case("write: bytes above 0x7F", "[S]\r\nk=1\r\n", {Write("S", "k", "\x80\x81\x8D\x8F\x90\x9D\xA0\xFF")}));
    cases.push_back(Case("write: utf-8 marker, bytes above 0x7F", "\xEF\xBB\xBF[S]\r\nk=1\r\n",
                         {Write("S", "k", "\x80\x81\x8D\x8F\x90\x9D\xA0\xFF"), Write("\xC4", "\xE4", "x")}));
    cases.push_back(
        Case("write: utf-8 marker, broken sequences",
             "\xEF\xBB\xBF[S]\r\na=\xC3\r\nb=\xE2\x82\r\nc=\xE2\x82x\r\nd=\xC0\xAF\r\ne=\xED\xA0\x80\r\n"
             "f=\xF4\x90\x80\x80\r\ng=\xF0\x9F\x98\x80\r\nh=\x80\xBF\r\ni=\xF0\x9F\x98\r\nj=\xFE\xFF\xC1\x81\r\n"
             "k=\xEF\xBF\xBF\xF5\x80\r\nl=\xE0\x80\x80\xED\x9F\xBF\xEE\x80\x80\xF0\x8F\xBF\xBF\r\n",
             {Write("S", "z", "1")}));
    for (const char* tail : {"\xC3", "\xE2\x82", "\xF0\x9F\x98", "\xF0\x41", "\xE2\x41\x82"}) {
        cases.push_back(Case(Join({"write: utf-8 marker, file ends in ", Escape(tail)}),
                             Join({"\xEF\xBB\xBF[S]\r\nz=1\r\ny=", tail}), {Write("S", "z", "2")}));
    }
    IniCase missing = Case("write: folder missing", std::nullopt, {Write("S", "k", "1"), Read("S", "k", 41)});
    missing.missingDirectory = true;
    cases.push_back(missing);
}

// SplitMix64: tiny, seeded, and the same on every compiler and library.
class CaseRandom {
public:
    explicit CaseRandom(std::uint64_t seed) : state_(seed) {}

    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
    bool Percent(int p) { return Below(100) < p; }
    template <typename T, std::size_t N>
    const T& Pick(const T (&items)[N]) {
        return items[Below(static_cast<int>(N))];
    }

private:
    std::uint64_t state_;
};

const char* const kSections[] = {"PARAMETER", "POSITION", "S", "Two Words", "a", "[x]", "\xC4rger"};
const char* const kKeys[] = {"SampleMode",
                             "WindowTop",
                             "dBOffset",
                             "k",
                             "Key With Space",
                             "x",
                             ";k",
                             "gr\xF6\xDF"
                             "e"};
const char* const kBlanks[] = {"", "", "", " ", "\t", "  \t "};
const char* const kLineEnds[] = {"\r\n", "\r\n", "\n", "\n", "\r", "\n\r", "\r\n\r\n"};

std::string RandomCase(CaseRandom& random, std::string_view name) {
    std::string out(name);
    if (random.Percent(50)) return out;
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (c >= 'a' && c <= 'z' && random.Percent(40))
            c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z' && random.Percent(40))
            c = static_cast<char>(c - 'A' + 'a');
        else if (byte >= 0xC0 && byte != 0xD7 && byte != 0xDF && byte != 0xF7 && byte != 0xFF && random.Percent(40))
            c = static_cast<char>(byte ^ 0x20);
    }
    return out;
}

const char kOddBytes[] = {'\0', '\t', '\v', '\f', '\x1A', '\x7F', '\x80', '\x85', '\xA0', '\xC4', '\xE4', '\xFF'};

// Mostly printable ASCII; now and then a control byte or one above 0x7F.
std::string RandomPrintable(CaseRandom& random, int length) {
    const bool odd = random.Percent(15);
    std::string out;
    for (int i = 0; i < length; ++i) {
        if (odd && random.Percent(10))
            out += random.Below(2) == 0 ? random.Pick(kOddBytes) : static_cast<char>(0x80 + random.Below(128));
        else
            out += static_cast<char>(' ' + random.Below(95));
    }
    return out;
}

std::string RandomNumberText(CaseRandom& random) {
    char text[64];
    const std::int64_t wide = static_cast<std::int64_t>(random.Next());
    switch (random.Below(12)) {
        case 0: std::snprintf(text, sizeof text, "%d", random.Below(10)); break;
        case 1: std::snprintf(text, sizeof text, "%d", static_cast<int>(random.Next())); break;
        case 2: std::snprintf(text, sizeof text, "%+d", random.Below(500) - 250); break;
        case 3: std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(random.Next())); break;
        case 4:
            std::snprintf(text, sizeof text, "0%c%u", "box"[random.Below(3)],
                          static_cast<unsigned>(random.Below(1000)));
            break;
        case 5: std::snprintf(text, sizeof text, "%lld", static_cast<long long>(wide)); break;
        case 6: std::snprintf(text, sizeof text, "%d%s", random.Below(100), random.Percent(50) ? "abc" : " 7"); break;
        case 7:
            std::snprintf(text, sizeof text, "%c%d%c", "\"'"[random.Below(2)], random.Below(100),
                          "\"'"[random.Below(2)]);
            break;
        case 8: std::snprintf(text, sizeof text, "%s", random.Percent(50) ? "" : "-"); break;
        case 9: return RandomPrintable(random, random.Below(8));
        case 10: {
            std::string digits;
            for (int i = 0, n = 20 + random.Below(20); i < n; ++i) digits += static_cast<char>('0' + random.Below(10));
            return digits;
        }
        default: std::snprintf(text, sizeof text, "%d", random.Below(400) - 200); break;
    }
    return text;
}

std::string RandomLine(CaseRandom& random) {
    switch (random.Below(10)) {
        case 0:
        case 1: {
            std::string header = std::string(random.Pick(kBlanks)) + "[" + random.Pick(kBlanks) +
                                 RandomCase(random, random.Pick(kSections)) + random.Pick(kBlanks);
            if (!random.Percent(8)) header += "]";
            if (random.Percent(8)) header += RandomPrintable(random, random.Below(6));
            return header + random.Pick(kBlanks);
        }
        case 2:
            return std::string(random.Pick(kBlanks)) + (random.Percent(50) ? ";" : "#") +
                   RandomPrintable(random, random.Below(30));
        case 3: return random.Pick(kBlanks);
        case 4: return RandomPrintable(random, random.Below(40));
        case 5:
            if (random.Percent(30))
                return std::string(random.Pick(kKeys)) + "=" + RandomPrintable(random, 300 + random.Below(3000));
            return std::string(random.Pick(kBlanks)) + RandomCase(random, random.Pick(kKeys)) + random.Pick(kBlanks);
        default:
            return std::string(random.Pick(kBlanks)) + RandomCase(random, random.Pick(kKeys)) + random.Pick(kBlanks) +
                   "=" + random.Pick(kBlanks) + RandomNumberText(random) + random.Pick(kBlanks);
    }
}

std::optional<std::string> RandomFile(CaseRandom& random) {
    if (random.Percent(8)) return std::nullopt;
    if (random.Percent(4)) return std::string();
    std::string file = random.Percent(3) ? "\xEF\xBB\xBF" : "";
    const char* lineEnd = random.Pick(kLineEnds);
    for (int i = 0, lines = random.Below(16); i < lines; ++i) {
        file += RandomLine(random);
        if (i + 1 < lines || !random.Percent(20)) file += random.Percent(85) ? lineEnd : random.Pick(kLineEnds);
    }
    return file;
}

IniOperation RandomOperation(CaseRandom& random) {
    std::string section = RandomCase(random, random.Pick(kSections));
    std::string key = RandomCase(random, random.Pick(kKeys));
    if (random.Percent(10)) section = random.Pick(kBlanks) + section + random.Pick(kBlanks);
    if (random.Percent(10)) key = random.Pick(kBlanks) + key + random.Pick(kBlanks);
    if (random.Percent(60)) {
        const int defaultValue = random.Percent(70) ? random.Below(400) - 200 : static_cast<int>(random.Next());
        return Read(std::move(section), std::move(key), defaultValue);
    }
    std::string value = random.Percent(75) ? RandomNumberText(random) : RandomPrintable(random, random.Below(50));
    if (random.Percent(10)) value = random.Pick(kBlanks) + value;
    return Write(std::move(section), std::move(key), std::move(value));
}

void AddGenerated(std::vector<IniCase>& cases, int count) {
    CaseRandom random(0x7e57'1c0f'fee5'eedull);
    for (int i = 0; i < count; ++i) {
        IniCase generated{"generated " + std::to_string(i), RandomFile(random), false, {}};
        for (int n = 1 + random.Below(4); n > 0; --n) generated.operations.push_back(RandomOperation(random));
        cases.push_back(std::move(generated));
    }
}

void HashBytes(std::uint64_t& hash, std::string_view bytes) {
    for (const unsigned char c : bytes) hash = (hash ^ c) * 0x100000001B3ull;
    hash = (hash ^ 0xFF) * 0x100000001B3ull;  // ends every field
}

}  // namespace

std::vector<IniCase> IniCases(IniCaseSet set) {
    std::vector<IniCase> cases;
    AddNumberForms(cases);
    AddReadShapes(cases);
    AddWrites(cases);
    AddGenerated(cases, set == IniCaseSet::All ? kAllGeneratedCases : kSliceGeneratedCases);
    return cases;
}

bool ParseIniCaseSet(const std::string& name, IniCaseSet& set) {
    if (name == "slice")
        set = IniCaseSet::Slice;
    else if (name == "all")
        set = IniCaseSet::All;
    else
        return false;
    return true;
}

std::uint64_t Fingerprint(const std::vector<IniCase>& cases) {
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (const IniCase& c : cases) {
        HashBytes(hash, c.name);
        HashBytes(hash, c.file ? "+" + *c.file : "-");
        HashBytes(hash, c.missingDirectory ? "m" : "");
        for (const IniOperation& op : c.operations) {
            HashBytes(hash, op.kind == Kind::ReadInt ? "r" : "w");
            HashBytes(hash, op.section);
            HashBytes(hash, op.key);
            HashBytes(hash, std::to_string(op.defaultValue));
            HashBytes(hash, op.value);
        }
    }
    return hash;
}

std::string Escape(const std::string& bytes) {
    std::string out;
    for (const unsigned char c : bytes) {
        switch (c) {
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\\': out += "\\\\"; break;
            default:
                if (c < 0x20 || c > 0x7E) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02X", c);
                    out += hex;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out;
}

std::string Describe(const IniCase& iniCase) {
    std::string text = "case \"" + iniCase.name + "\"\n  file: ";
    text += iniCase.file ? Join({"\"", Escape(*iniCase.file), "\""}) : std::string("(none)");
    if (iniCase.missingDirectory) text += " in a missing folder";
    for (const IniOperation& op : iniCase.operations) {
        if (op.kind == Kind::ReadInt) {
            text += Join({"\n  read [", Escape(op.section), "] \"", Escape(op.key), "\" default ",
                          std::to_string(op.defaultValue)});
        } else {
            text +=
                Join({"\n  write [", Escape(op.section), "] \"", Escape(op.key), "\" = \"", Escape(op.value), "\""});
        }
    }
    return text;
}

}  // namespace inicases
