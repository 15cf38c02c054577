#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What one fuzz input asks for: a settings file to start from and a few
// profile calls to make on it.
//
// Input layout: FILE, or FILE "\n#ops#\n" SCRIPT (split at the last mark).
// Without a mark the file gets a fixed script of reads and writes.
// SCRIPT: a flags byte (bit 0: start with no file at all), then operations:
//   opcode byte  bit 0: 0 read, 1 write
//                bits 1-2 and 3-4: spelling of section and key
//                  (0 as named, 1 upper case, 2 lower case, 3 blanks around)
//                bits 5-7: value form of a write (see ValueForm)
//   section byte, key byte: an index into the name pool, or 0xFF followed
//                by a length byte and that many bytes: a new name
//   read: 4 bytes default (little endian); write: the value's bytes
// Missing bytes read as zero.
namespace fuzzscript {

inline constexpr std::string_view kScriptMark = "\n#ops#\n";

struct Operation {
    enum class Kind { Read, Write };
    Kind kind = Kind::Read;
    std::string section;  // exactly what the call gets (no NUL inside)
    std::string key;
    int defaultValue = 0;  // Read
    std::string value;     // Write
};

struct Script {
    std::optional<std::string> file;  // none: no file before the first call
    // Names found in the file, fixed ones and new ones from the script: every
    // section with every key is checked after each call.
    std::vector<std::string> sections;
    std::vector<std::string> keys;
    std::vector<Operation> operations;
};

Script Decode(const std::uint8_t* data, std::size_t size);

}  // namespace fuzzscript
