#include "tests/fuzz/FuzzScript.h"

#include <algorithm>
#include <cstdio>

namespace fuzzscript {

namespace {

constexpr std::size_t kMaxSections = 10;
constexpr std::size_t kMaxKeys = 14;
constexpr std::size_t kMaxNameLength = 64;
constexpr std::size_t kMaxOperations = 16;
constexpr std::uint8_t kNewName = 0xFF;

const char* const kFixedSections[] = {"PARAMETER", "POSITION", "S", ""};
const char* const kFixedKeys[] = {"SampleMode", "dBOffset", "WindowTop", "k", ""};

// The calls take C strings: a name or value ends at its first NUL.
std::string CString(std::string_view bytes) { return std::string(bytes.substr(0, bytes.find('\0'))); }

class ByteReader {
public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}
    bool Done() const { return at_ >= bytes_.size(); }
    std::uint8_t Byte() { return at_ < bytes_.size() ? static_cast<std::uint8_t>(bytes_[at_++]) : 0; }
    std::uint32_t Word() {
        std::uint32_t word = 0;
        for (int shift = 0; shift < 32; shift += 8) word |= static_cast<std::uint32_t>(Byte()) << shift;
        return word;
    }
    std::uint64_t Long() { return Word() | (static_cast<std::uint64_t>(Word()) << 32); }
    std::string Bytes(std::size_t count) {
        const std::string_view taken = bytes_.substr(std::min(at_, bytes_.size()), count);
        at_ += count;
        return std::string(taken);
    }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

void AddName(std::vector<std::string>& pool, std::size_t limit, std::string name) {
    if (name.size() > kMaxNameLength || pool.size() >= limit) return;
    if (std::find(pool.begin(), pool.end(), name) == pool.end()) pool.push_back(std::move(name));
}

// Section names between brackets and key names before '=' in the file, so
// that the script mostly asks for names that are there.
void HarvestNames(std::string_view file, Script& script) {
    std::size_t position = 0;
    while (position < file.size()) {
        std::size_t end = file.find_first_of("\r\n", position);
        if (end == std::string_view::npos) end = file.size();
        std::string_view line = file.substr(position, end - position);
        position = end + 1;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        if (line.empty()) continue;
        const std::size_t close = line.find(']');
        if (line.front() == '[' && close != std::string_view::npos) {
            AddName(script.sections, kMaxSections, CString(line.substr(1, close - 1)));
        } else {
            AddName(script.keys, kMaxKeys, CString(line.substr(0, line.find('='))));
        }
    }
}

std::string Spelled(const std::string& name, unsigned spelling) {
    std::string out = name;
    switch (spelling & 3) {
        case 1:
            for (char& c : out) c = ('a' <= c && c <= 'z') ? static_cast<char>(c - 32) : c;
            break;
        case 2:
            for (char& c : out) c = ('A' <= c && c <= 'Z') ? static_cast<char>(c + 32) : c;
            break;
        case 3: out = " \t" + out + " "; break;
        default: break;
    }
    return out;
}

std::string PickName(ByteReader& reader, std::vector<std::string>& pool, std::size_t limit) {
    const std::uint8_t selector = reader.Byte();
    if (selector == kNewName) {
        std::string name = CString(reader.Bytes(reader.Byte() % kMaxNameLength));
        AddName(pool, limit, name);
        return name;
    }
    return pool[selector % pool.size()];
}

// The forms a written value takes: plain decimals most often, since their
// read-back is exactly known, then the odd ones.
std::string Value(ByteReader& reader, unsigned form) {
    char text[64];
    switch (form) {
        case 3: std::snprintf(text, sizeof text, "%d", static_cast<std::int8_t>(reader.Byte())); break;
        case 4: return CString(reader.Bytes(reader.Byte() % 48));
        case 5: std::snprintf(text, sizeof text, "0x%X", reader.Word()); break;
        case 6: std::snprintf(text, sizeof text, " \t%d", static_cast<std::int32_t>(reader.Word())); break;
        case 7: std::snprintf(text, sizeof text, "%lld", static_cast<long long>(reader.Long())); break;
        default: std::snprintf(text, sizeof text, "%d", static_cast<std::int32_t>(reader.Word())); break;
    }
    return text;
}

void DecodeOperations(std::string_view bytes, Script& script) {
    ByteReader reader(bytes);
    if (reader.Byte() & 1) script.file.reset();
    while (!reader.Done() && script.operations.size() < kMaxOperations) {
        const std::uint8_t opcode = reader.Byte();
        Operation op;
        op.kind = (opcode & 1) ? Operation::Kind::Write : Operation::Kind::Read;
        op.section = Spelled(PickName(reader, script.sections, kMaxSections), opcode >> 1);
        op.key = Spelled(PickName(reader, script.keys, kMaxKeys), opcode >> 3);
        if (op.kind == Operation::Kind::Read) {
            op.defaultValue = static_cast<std::int32_t>(reader.Word());
        } else {
            op.value = Value(reader, opcode >> 5);
        }
        script.operations.push_back(std::move(op));
    }
}

Operation Read(std::string section, std::string key, int defaultValue) {
    return {Operation::Kind::Read, std::move(section), std::move(key), defaultValue, {}};
}

Operation Write(std::string section, std::string key, std::string value) {
    return {Operation::Kind::Write, std::move(section), std::move(key), 0, std::move(value)};
}

// What the plug-in does with a file, plus a write to the first names found.
void DefaultOperations(Script& script) {
    const std::size_t fixedSections = std::size(kFixedSections);
    const std::size_t fixedKeys = std::size(kFixedKeys);
    const std::string section = script.sections.size() > fixedSections ? script.sections[fixedSections] : "S";
    const std::string key = script.keys.size() > fixedKeys ? script.keys[fixedKeys] : "k";
    script.operations = {
        Read("PARAMETER", "SampleMode", 2),
        Read(section, key, 77),
        Write("PARAMETER", "dBOffset", "-150"),
        Write(section, key, "42"),
        Write("POSITION", "WindowLeft", "-1300"),
        Read("parameter", "DBOFFSET", -174),
        Read(section, key, 77),
    };
}

}  // namespace

Script Decode(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t mark = input.rfind(kScriptMark);
    Script script;
    script.file = std::string(input.substr(0, mark));
    for (const char* name : kFixedSections) script.sections.emplace_back(name);
    for (const char* name : kFixedKeys) script.keys.emplace_back(name);
    HarvestNames(*script.file, script);
    if (mark == std::string_view::npos) {
        DefaultOperations(script);
    } else {
        DecodeOperations(input.substr(mark + kScriptMark.size()), script);
    }
    return script;
}

}  // namespace fuzzscript
