#pragma once

#include <cstdint>
#include <vector>

namespace headless {

// What a button's image list is natively: one image of packed colours
// (COLORREF layout), rows top to bottom, in which magenta is transparent.
struct MemoryImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // width * height
};

inline constexpr std::uint32_t kImageTransparentColor = 0x00FF00FFu;

}  // namespace headless
