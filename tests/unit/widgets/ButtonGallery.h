#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "widgets/ButtonLook.h"

// A fixed list of buttons drawn on both surfaces and compared pixel by pixel.
// Labels are empty or spaces only, so no text pixels take part, while a label
// of spaces still moves an image beside it.
namespace gallery {

struct ImageSpec {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // packed colours, magenta transparent
};

struct Entry {
    std::string name;
    int width = 0;
    int height = 0;
    excalibur::ButtonLook look;  // image left null; see imageIndex
    int imageIndex = -1;         // into Images(), -1 for none
};

const std::vector<ImageSpec>& Images();

// Always the same entries in the same order.
std::vector<Entry> Entries();

// The theme the gallery is drawn with: fixed colours and no fonts.
void UseGalleryTheme();

// The backdrop each button is drawn over.
inline constexpr std::uint32_t kBackdrop = 0x00345678u;

struct Rendering {
    std::string name;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

bool WriteDump(const std::string& path, const std::vector<Rendering>& renderings);
// Empty when the file is missing or malformed.
std::vector<Rendering> ReadDump(const std::string& path);

// The first difference as text, or empty when the two lists agree.
std::string Compare(const std::vector<Rendering>& expected, const std::vector<Rendering>& actual);

}  // namespace gallery
