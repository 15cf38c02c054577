#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace headless {

// An INI file the way the Windows profile functions hold it: a list of
// sections, each a list of entries (key, and a value when the line had '=').
// Comments and other odd lines stay as entries without a value. A change
// rewrites the whole file the way Wine does: "[name]" and "key=value" lines
// ending in CR LF, blank lines and blanks around '=' gone, order kept.
// Names and values are passed in the ANSI code page; a file with a UTF-8
// marker holds them as UTF-8 (see ProfileText.h).
class IniDocument {
public:
    static IniDocument Parse(std::string_view bytes);

    std::string Serialize() const;

    // The value stored under key in the first section called section (both
    // matched without regard to case or surrounding blanks); null when the
    // section, the key or the key's '=' is missing. Later sections of the
    // same name are not searched.
    // The value is the file's text: UTF-8 in a file with the marker.
    const std::string* FindValue(std::string_view section, std::string_view key) const;

    // Stores value (leading blanks dropped), creating the section at the end
    // and the key at the end of its section when they are missing. Returns
    // false when the stored value was already exactly that.
    bool SetValue(std::string_view section, std::string_view key, std::string_view value);

private:
    struct Entry {
        std::string key;
        std::optional<std::string> value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    std::string InFileText(std::string_view ansi) const;
    Section* FindSection(std::string_view trimmedName);
    const Section* FindSection(std::string_view trimmedName) const;

    bool utf8Marker_ = false;
    std::vector<Section> sections_;
};

// The profile functions' blanks: tab to carriage return, space, and ^Z.
bool IsProfileBlank(char c);

}  // namespace headless
