#include "host/PngWriter.h"

#include <cstdint>
#include <fstream>
#include <vector>

// The one translation unit with stb_image_write's code. Its structures are
// zero-initialised with "{0}", which -Wextra reports for every field.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace host {
namespace {

void Append(void* context, void* data, int size) {
    auto& out = *static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

}  // namespace

bool WritePng(const std::string& path, const RgbImage& image, std::string& error) {
    // Every row unfiltered, as the host has always written them: the check
    // scripts read the rows straight out of the inflated data.
    stbi_write_force_png_filter = 0;
    std::vector<std::uint8_t> png;
    if (!stbi_write_png_to_func(Append, &png, image.Width(), image.Height(), 3, image.Pixels(), image.Width() * 3)) {
        error = "cannot encode a PNG of " + std::to_string(image.Width()) + " x " + std::to_string(image.Height()) +
                " pixels";
        return false;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        error = "cannot create '" + path + "'";
        return false;
    }
    file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    file.close();
    if (!file) {
        error = "cannot write '" + path + "'";
        return false;
    }
    return true;
}

}  // namespace host
