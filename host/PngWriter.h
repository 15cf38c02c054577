#pragma once

#include <string>

#include "host/RgbImage.h"

namespace host {

// Writes the image as an 8-bit RGB PNG file (stb_image_write). Shared by the
// spectrum plot and screenshots. False, with the reason, when the file
// cannot be made.
bool WritePng(const std::string& path, const RgbImage& image, std::string& error);

}  // namespace host
