#include "tests/unit/widgets/ButtonGallery.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "widgets/Theme.h"

namespace gallery {

namespace {

constexpr char kMagic[8] = {'B', 'T', 'N', 'G', 'A', 'L', '0', '1'};
constexpr std::uint32_t kMagenta = 0x00FF00FFu;

ImageSpec MakeImage(int width, int height, unsigned tint) {
    ImageSpec image{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool cut = (x + y) % 7 == 0 || ((x < 2 || x >= width - 2) && (y < 2 || y >= height - 2));
            image.pixels.push_back(cut ? kMagenta
                                       : (static_cast<unsigned>(x * 9) & 0xFFu) |
                                             (static_cast<unsigned>(y * 13) & 0xFFu) << 8 | tint << 16);
        }
    }
    return image;
}

std::string StateName(const excalibur::ButtonLook& look) {
    std::ostringstream name;
    name << (look.flat ? "flat" : "3d") << (look.enabled ? "" : "-disabled") << (look.menuId ? "-menu" : "")
         << (look.check ? "-check" : "") << (look.hover ? "-hover" : "") << (look.pressed ? "-pressed" : "");
    return name.str();
}

void Put32(std::ostream& out, std::uint32_t value) {
    const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 24)};
    out.write(bytes, 4);
}

bool Get32(std::istream& in, std::uint32_t& value) {
    unsigned char bytes[4];
    if (!in.read(reinterpret_cast<char*>(bytes), 4)) {
        return false;
    }
    value = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return true;
}

}  // namespace

const std::vector<ImageSpec>& Images() {
    static const std::vector<ImageSpec> images = {
        MakeImage(16, 12, 40),
        MakeImage(24, 20, 90),
        MakeImage(16, 30, 140),
        MakeImage(100, 12, 190),
    };
    return images;
}

std::vector<Entry> Entries() {
    std::vector<Entry> entries;
    const int sizes[][2] = {{80, 24}, {61, 35}, {33, 17}, {120, 50}};
    for (const auto& size : sizes) {
        for (int flat : {0, 1}) {
            for (bool enabled : {true, false}) {
                for (unsigned menu : {0u, 1020u}) {
                    for (int state = 0; state < 8; ++state) {
                        Entry entry;
                        entry.width = size[0];
                        entry.height = size[1];
                        entry.look.flat = flat;
                        entry.look.enabled = enabled;
                        entry.look.menuId = menu;
                        entry.look.check = state & 1;
                        entry.look.hover = state >> 1 & 1;
                        entry.look.pressed = state >> 2 & 1;
                        entry.name =
                            std::to_string(size[0]) + "x" + std::to_string(size[1]) + "-" + StateName(entry.look);
                        entries.push_back(entry);
                    }
                }
            }
        }
    }
    for (int imageIndex = 0; imageIndex < static_cast<int>(Images().size()); ++imageIndex) {
        for (int align : {0, 1, 3}) {
            for (const char* label : {"", "   "}) {
                for (unsigned menu : {0u, 1020u}) {
                    for (int flat : {0, 1}) {
                        Entry entry;
                        entry.width = 80;
                        entry.height = 24;
                        entry.look.flat = flat;
                        entry.look.menuId = menu;
                        entry.look.label = label;
                        entry.look.imageAlign = align;
                        entry.look.imageWidth = Images()[static_cast<std::size_t>(imageIndex)].width;
                        entry.look.imageHeight = Images()[static_cast<std::size_t>(imageIndex)].height;
                        entry.imageIndex = imageIndex;
                        entry.name = "image" + std::to_string(imageIndex) + "-align" + std::to_string(align) +
                                     (*label ? "-spaces-" : "-") + StateName(entry.look);
                        entries.push_back(entry);
                    }
                }
            }
        }
    }
    return entries;
}

void UseGalleryTheme() {
    using excalibur::PackRgb;
    using excalibur::theme;
    theme.FaceColor = PackRgb(240, 240, 240);
    theme.LightColor = PackRgb(227, 227, 227);
    theme.ShadowColor = PackRgb(160, 160, 160);
    theme.DarkShadowColor = PackRgb(105, 105, 105);
    theme.ButtonTextColor = PackRgb(0, 0, 0);
    theme.HighlightColor = excalibur::LightenColor(theme.LightColor, 0.1);
    theme.NormalFont.Attach(nullptr);
    theme.BoldFont.Attach(nullptr);
    theme.LargeFont.Attach(nullptr);
}

bool WriteDump(const std::string& path, const std::vector<Rendering>& renderings) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(kMagic, sizeof(kMagic));
    Put32(out, static_cast<std::uint32_t>(renderings.size()));
    for (const Rendering& rendering : renderings) {
        Put32(out, static_cast<std::uint32_t>(rendering.name.size()));
        out.write(rendering.name.data(), static_cast<std::streamsize>(rendering.name.size()));
        Put32(out, static_cast<std::uint32_t>(rendering.width));
        Put32(out, static_cast<std::uint32_t>(rendering.height));
        for (std::uint32_t pixel : rendering.pixels) {
            Put32(out, pixel);
        }
    }
    return static_cast<bool>(out.flush());
}

std::vector<Rendering> ReadDump(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[sizeof(kMagic)] = {};
    std::uint32_t count = 0;
    if (!in.read(magic, sizeof(magic)) || !std::equal(magic, magic + sizeof(magic), kMagic) || !Get32(in, count)) {
        return {};
    }
    std::vector<Rendering> renderings;
    for (std::uint32_t i = 0; i < count; ++i) {
        Rendering rendering;
        std::uint32_t nameLength = 0;
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        if (!Get32(in, nameLength) || nameLength > 256) {
            return {};
        }
        rendering.name.resize(nameLength);
        if (!in.read(rendering.name.data(), nameLength) || !Get32(in, width) || !Get32(in, height) || width > 4096 ||
            height > 4096) {
            return {};
        }
        rendering.width = static_cast<int>(width);
        rendering.height = static_cast<int>(height);
        rendering.pixels.resize(static_cast<std::size_t>(width) * height);
        for (std::uint32_t& pixel : rendering.pixels) {
            if (!Get32(in, pixel)) {
                return {};
            }
        }
        renderings.push_back(std::move(rendering));
    }
    return renderings;
}

std::string Compare(const std::vector<Rendering>& expected, const std::vector<Rendering>& actual) {
    std::ostringstream report;
    if (expected.size() != actual.size()) {
        report << expected.size() << " buttons against " << actual.size();
        return report.str();
    }
    int differing = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Rendering& a = expected[i];
        const Rendering& b = actual[i];
        if (a.name != b.name || a.width != b.width || a.height != b.height) {
            report << "button " << i << ": " << a.name << " " << a.width << "x" << a.height << " against " << b.name
                   << " " << b.width << "x" << b.height << "\n";
            return report.str();
        }
        for (int y = 0; y < a.height; ++y) {
            for (int x = 0; x < a.width; ++x) {
                const std::size_t at = static_cast<std::size_t>(y * a.width + x);
                if (a.pixels[at] != b.pixels[at]) {
                    if (++differing <= 10) {
                        report << a.name << " at " << x << "," << y << ": " << std::hex << a.pixels[at] << " against "
                               << b.pixels[at] << std::dec << "\n";
                    }
                }
            }
        }
    }
    if (differing > 0) {
        report << differing << " pixels differ";
    }
    return report.str();
}

}  // namespace gallery
