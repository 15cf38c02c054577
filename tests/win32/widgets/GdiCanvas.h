#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace gditest {

// The pixels of a bitmap as packed colours (COLORREF layout), rows top to bottom.
std::vector<std::uint32_t> ReadBitmap(HDC compatible, HBITMAP bitmap, int width, int height);

// A 24-bit section holding the packed colours; the caller deletes it.
HBITMAP MakeBitmap(int width, int height, const std::vector<std::uint32_t>& pixels);

}  // namespace gditest
