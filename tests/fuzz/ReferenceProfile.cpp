#include "tests/fuzz/ReferenceProfile.h"

#include <algorithm>
#include <cstdint>

#include "platform/headless/ProfileText.h"

namespace reference {

namespace {

std::string_view CutAtNul(std::string_view text) { return text.substr(0, text.find('\0')); }

constexpr std::string_view kUtf8Marker = "\xEF\xBB\xBF";

char AsciiLower(char c) { return ('A' <= c && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

}  // namespace

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == 0x1A; }

std::string_view TrimBlanks(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

bool SameName(std::string_view asked, std::string_view other) {
    asked = TrimBlanks(asked);
    if (asked.size() != other.size()) return false;
    for (std::size_t i = 0; i < asked.size(); ++i) {
        if (AsciiLower(asked[i]) != AsciiLower(other[i])) return false;
    }
    return true;
}

std::vector<std::optional<std::string>> FindValues(std::string_view file, const std::vector<Lookup>& lookups) {
    // Per lookup: not yet in its section, in the first section of its name,
    // or past it (later sections of the same name do not count).
    enum class Place { Before, Inside, Past };
    std::vector<std::optional<std::string>> values(lookups.size());
    std::vector<bool> settled(lookups.size(), false);
    std::vector<Place> places(lookups.size(), Place::Before);

    // Whatever precedes the first header belongs to a section without a name.
    std::vector<Lookup> asked;
    for (std::size_t i = 0; i < lookups.size(); ++i) {
        asked.push_back(
            {AsStoredIn(file, TrimBlanks(lookups[i].section)), AsStoredIn(file, TrimBlanks(lookups[i].key))});
        if (asked[i].section.empty()) places[i] = Place::Inside;
    }
    std::string repaired;
    if (file.substr(0, 3) == kUtf8Marker) {
        repaired = headless::RepairUtf8(file.substr(3));
        file = repaired;
    }

    std::size_t position = 0;
    while (position < file.size()) {
        std::size_t end = file.find_first_of("\r\n", position);
        if (end == std::string_view::npos) end = file.size();
        const std::string_view line = TrimBlanks(file.substr(position, end - position));
        position = std::min(file.size(), file.find_first_not_of("\r\n", end));
        if (line.empty()) continue;

        const std::size_t close = line.find_last_of(']');
        if (line[0] == '[' && close != std::string_view::npos) {
            const std::string_view name = CutAtNul(TrimBlanks(line.substr(1, close - 1)));
            for (std::size_t i = 0; i < lookups.size(); ++i) {
                if (places[i] == Place::Inside) {
                    places[i] = Place::Past;
                } else if (places[i] == Place::Before && SameName(asked[i].section, name)) {
                    places[i] = Place::Inside;
                }
            }
            continue;
        }

        const std::size_t equals = line.find('=');
        const std::string_view key =
            CutAtNul(equals == std::string_view::npos ? line : TrimBlanks(line.substr(0, equals)));
        for (std::size_t i = 0; i < lookups.size(); ++i) {
            if (places[i] != Place::Inside || settled[i] || !SameName(asked[i].key, key)) continue;
            // The first key of the name decides, even when it has no '='.
            settled[i] = true;
            if (equals != std::string_view::npos)
                values[i] = std::string(CutAtNul(TrimBlanks(line.substr(equals + 1))));
        }
    }
    return values;
}

std::string AsStoredIn(std::string_view file, std::string_view text) {
    return file.substr(0, 3) == kUtf8Marker ? headless::AnsiToUtf8(text) : std::string(text);
}

bool RewriteMayChangeMeaning(std::string_view file) {
    if (file.find('\0') != std::string_view::npos) return true;
    if (file.substr(0, 3) == kUtf8Marker) {
        file.remove_prefix(3);
    } else {
        std::size_t first = 0;
        while (first < file.size() && IsBlank(file[first])) ++first;
        if (file.substr(first, 3) == kUtf8Marker) return true;
    }
    std::size_t position = 0;
    while (position < file.size()) {
        std::size_t end = file.find_first_of("\r\n", position);
        if (end == std::string_view::npos) end = file.size();
        const std::string_view line = TrimBlanks(file.substr(position, end - position));
        position = end + 1;
        const std::size_t close = line.find_last_of(']');
        if (!line.empty() && line[0] == '[' && close != std::string_view::npos &&
            TrimBlanks(line.substr(1, close - 1)).empty()) {
            return true;
        }
    }
    return false;
}

int ProfileInt(std::string_view value, int defaultValue) {
    // GetPrivateProfileString into 30 characters: a value with the same quote
    // at both ends loses the opening one, at most 29 characters come back,
    // and when the rest fitted its last character (the closing quote) goes.
    constexpr std::size_t kBufferChars = 30;
    const bool quoted =
        value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    const std::string_view afterQuote = quoted ? value.substr(1) : value;
    std::string text(afterQuote.substr(0, kBufferChars - 1));
    if (quoted && afterQuote.size() <= kBufferChars) text.pop_back();
    if (text.empty()) return defaultValue;

    // RtlUnicodeStringToInteger, base 0.
    std::size_t at = 0;
    while (at < text.size() && static_cast<unsigned char>(text[at]) <= 0x20) ++at;
    bool minus = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) minus = text[at++] == '-';
    std::uint64_t base = 10;
    if (text.size() - at >= 2 && text[at] == '0') {
        const std::string_view prefixes = "box";
        const std::uint64_t bases[] = {2, 8, 16};
        const std::size_t which = prefixes.find(text[at + 1]);
        if (which != std::string_view::npos) {
            base = bases[which];
            at += 2;
        }
    }
    constexpr std::string_view kDigits = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::uint64_t total = 0;
    for (; at < text.size(); ++at) {
        const std::size_t digit = kDigits.find(AsciiLower(text[at]));
        if (digit == std::string_view::npos || digit >= base) break;
        total = (total * base + digit) % 0x100000000ull;
    }
    if (minus) total = (0x100000000ull - total) % 0x100000000ull;
    return static_cast<int>(static_cast<std::uint32_t>(total));
}

}  // namespace reference
