#include "platform/headless/IniDocument.h"

#include <algorithm>
#include <utility>

#include "platform/headless/ProfileText.h"

namespace headless {

namespace {

constexpr std::string_view kUtf8Marker = "\xEF\xBB\xBF";

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsProfileBlank(text.front())) text.remove_prefix(1);
    return text;
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && IsProfileBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

// Names and values end at a NUL byte, as the C strings that carry them do.
std::string UpToNul(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool IsLineBreak(char c) { return c == '\n' || c == '\r'; }

}  // namespace

bool IsProfileBlank(char c) { return (c >= '\t' && c <= '\r') || c == ' ' || c == '\x1a'; }

IniDocument IniDocument::Parse(std::string_view bytes) {
    IniDocument document;
    if (bytes.empty()) return document;
    std::string repaired;
    if (bytes.substr(0, kUtf8Marker.size()) == kUtf8Marker) {
        document.utf8Marker_ = true;
        repaired = RepairUtf8(bytes.substr(kUtf8Marker.size()));
        bytes = repaired;
    }
    // Keys before the first header belong to a section without a name.
    document.sections_.push_back({});
    Section* section = &document.sections_.back();

    std::size_t next = 0;
    while (next < bytes.size()) {
        const std::size_t start = next;
        while (next < bytes.size() && !IsLineBreak(bytes[next])) ++next;
        while (next < bytes.size() && IsLineBreak(bytes[next])) ++next;
        const std::string_view line = Trim(bytes.substr(start, next - start));
        if (line.empty()) continue;

        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close != std::string_view::npos) {
                document.sections_.push_back({UpToNul(Trim(line.substr(1, close - 1))), {}});
                section = &document.sections_.back();
                continue;
            }
            // A header without its bracket is an ordinary line.
        }

        std::string_view key = line;
        std::optional<std::string> value;
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos) {
            key = TrimRight(line.substr(0, equals));
            value = UpToNul(TrimLeft(line.substr(equals + 1)));
        }
        // Of several lines in a row with an empty key only the first is kept.
        const bool emptyAfterEmpty = key.empty() && !section->entries.empty() && section->entries.back().key.empty();
        if (emptyAfterEmpty) continue;
        section->entries.push_back({UpToNul(key), std::move(value)});
    }
    return document;
}

std::string IniDocument::Serialize() const {
    std::string text;
    if (utf8Marker_) text += kUtf8Marker;
    for (const Section& section : sections_) {
        if (!section.name.empty()) {
            text += '[';
            text += section.name;
            text += "]\r\n";
        }
        for (const Entry& entry : section.entries) {
            text += entry.key;
            if (entry.value) {
                text += '=';
                text += *entry.value;
            }
            text += "\r\n";
        }
    }
    return text;
}

const IniDocument::Section* IniDocument::FindSection(std::string_view trimmedName) const {
    const auto found = std::find_if(sections_.begin(), sections_.end(),
                                    [&](const Section& s) { return EqualNoCase(s.name, trimmedName); });
    return found == sections_.end() ? nullptr : &*found;
}

IniDocument::Section* IniDocument::FindSection(std::string_view trimmedName) {
    return const_cast<Section*>(std::as_const(*this).FindSection(trimmedName));
}

std::string IniDocument::InFileText(std::string_view ansi) const {
    return utf8Marker_ ? AnsiToUtf8(ansi) : std::string(ansi);
}

const std::string* IniDocument::FindValue(std::string_view ansiSection, std::string_view ansiKey) const {
    const std::string section = InFileText(ansiSection);
    const std::string key = InFileText(ansiKey);
    const Section* found = FindSection(Trim(section));
    if (!found) return nullptr;
    const std::string_view wanted = Trim(key);
    for (const Entry& entry : found->entries) {
        if (EqualNoCase(entry.key, wanted)) return entry.value ? &*entry.value : nullptr;
    }
    return nullptr;
}

bool IniDocument::SetValue(std::string_view ansiSection, std::string_view ansiKey, std::string_view ansiValue) {
    const std::string section = InFileText(ansiSection);
    const std::string key = InFileText(ansiKey);
    const std::string value = InFileText(ansiValue);
    // A created name keeps its trailing blanks; only matching ignores them.
    const std::string_view sectionName = TrimLeft(section);
    const std::string_view keyName = TrimLeft(key);

    Section* target = FindSection(TrimRight(sectionName));
    if (!target) {
        sections_.push_back({UpToNul(sectionName), {}});
        target = &sections_.back();
    }
    const std::string_view wanted = TrimRight(keyName);
    auto entry = std::find_if(target->entries.begin(), target->entries.end(),
                              [&](const Entry& e) { return EqualNoCase(e.key, wanted); });
    if (entry == target->entries.end()) {
        target->entries.push_back({UpToNul(keyName), std::nullopt});
        entry = std::prev(target->entries.end());
    }
    const std::string stored = UpToNul(TrimLeft(value));
    if (entry->value && *entry->value == stored) return false;
    entry->value = stored;
    return true;
}

}  // namespace headless
