#pragma once

#include <array>
#include <cstdint>

namespace host {

// A 5x7 bitmap font for axis labels: digits, signs and the few letters the
// plot writes. Each row is 5 bits, the highest bit the leftmost pixel.
constexpr int glyphWidth = 5;
constexpr int glyphHeight = 7;
constexpr int glyphAdvance = 6;

// The rows of a character; a character without a glyph draws as blank.
const std::array<std::uint8_t, glyphHeight>& GlyphRows(char c);

}  // namespace host
