#include "platform/headless/ProfileText.h"

#include <cstdint>

namespace headless {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Windows-1252 0x80..0x9F; the five bytes it leaves undefined stand for
// the control characters of the same number.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char16_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Bytes after a lead byte: 1 for C2..DF, 2 for E0..EF, 3 for F0..F4; 0 for
// the bytes that cannot lead.
int FollowingBytes(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 1;
    if (lead >= 0xE0 && lead <= 0xEF) return 2;
    if (lead >= 0xF0 && lead <= 0xF4) return 3;
    return 0;
}

// The length of the valid sequence at text[at], or 0 when it is broken; then
// *broken is how many bytes the replacement character stands for.
std::size_t ValidSequence(std::string_view text, std::size_t at, std::size_t* broken) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const int following = FollowingBytes(lead);
    *broken = 1;
    if (following == 0) return 0;
    if (text.size() - at - 1 < static_cast<std::size_t>(following)) {
        *broken = text.size() - at;
        return 0;
    }
    // The bits so far, checked as soon as they show an overlong form, a
    // surrogate or a value past U+10FFFF; a byte is taken into the broken
    // sequence once it has passed as a continuation.
    std::uint32_t value = lead & (0x7Fu >> (following + 1));
    for (int i = 1; i <= following; ++i) {
        const auto c = static_cast<unsigned char>(text[at + i]);
        if (!IsContinuation(c)) return 0;
        value = (value << 6) | (c & 0x3Fu);
        const int left = following - i;
        if (left == 1 && value >= (0x110000u >> 6)) return 0;
        *broken = static_cast<std::size_t>(i) + 1;
        if (left == 2 && value < (0x10000u >> 12)) return 0;
        if (left == 1 && following == 2 &&
            (value < (0x800u >> 6) || (value >= (0xD800u >> 6) && value <= (0xDFFFu >> 6)))) {
            return 0;
        }
    }
    return static_cast<std::size_t>(following) + 1;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (const char byte : ansi) {
        const auto c = static_cast<unsigned char>(byte);
        AppendUtf8(out, (c >= 0x80 && c < 0xA0) ? kHighControls[c - 0x80] : static_cast<char16_t>(c));
    }
    return out;
}

std::string RepairUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            out += text[at++];
            continue;
        }
        std::size_t broken = 0;
        const std::size_t valid = ValidSequence(text, at, &broken);
        if (valid != 0) {
            out.append(text.substr(at, valid));
            at += valid;
        } else {
            out += kReplacement;
            at += broken;
        }
    }
    return out;
}

}  // namespace headless
