#include "platform/headless/ProfileNumber.h"

#include <cstdint>

namespace headless {

namespace {

constexpr std::size_t kReturnBufferChars = 30;

// The text GetPrivateProfileString copies into a buffer of 30 characters.
std::string_view ReturnedText(std::string_view stored) {
    bool quoted = false;
    if (stored.size() > 1 && (stored.front() == '"' || stored.front() == '\'') && stored.back() == stored.front()) {
        quoted = true;
        stored.remove_prefix(1);
    }
    std::string_view copied = stored.substr(0, kReturnBufferChars - 1);
    // Windows drops the last copied character, not the closing quote itself,
    // so a long quoted value loses a character instead.
    if (quoted && kReturnBufferChars >= stored.size()) copied.remove_suffix(1);
    return copied;
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    return -1;
}

}  // namespace

int ProfileNumber(std::string_view stored, int defaultValue) {
    std::string_view text = ReturnedText(stored);
    if (text.empty()) return defaultValue;

    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() >= 2 && text[0] == '0') {
        switch (text[1]) {
            case 'b': base = 2; break;
            case 'o': base = 8; break;
            case 'x': base = 16; break;
            default: break;
        }
        if (base != 10) text.remove_prefix(2);
    }
    std::uint32_t total = 0;
    for (const char c : text) {
        const int digit = DigitValue(c);
        if (digit < 0 || digit >= base) break;
        total = total * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
    }
    if (negative) total = 0u - total;
    return static_cast<int>(total);
}

}  // namespace headless
