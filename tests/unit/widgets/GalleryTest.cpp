#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/unit/widgets/GalleryMemoryRender.h"

namespace gallery {
namespace {

// The same buttons as GDI drew them under Wine (widgets_gallery_gdi_test).
TEST(Gallery, MemorySurfaceMatchesGdi) {
    // A dump is only evidence of the code both sides were built from if it
    // was written after both executables were last linked: a rebuild of
    // either (the painting code or the gallery changed) makes it stale until
    // the Windows test runs again, as ./run test does before the native tests.
    namespace fs = std::filesystem;
    const fs::path dump = EXCALIBUR_GDI_GALLERY;
    const fs::path writer = EXCALIBUR_GDI_GALLERY_WRITER;
    ASSERT_TRUE(fs::exists(dump)) << dump << " is missing: run widgets_gallery_gdi_test under Wine";
    ASSERT_TRUE(fs::exists(writer)) << writer << " is missing: build the win32 preset";
    const auto written = fs::last_write_time(dump);
    ASSERT_TRUE(written >= fs::last_write_time(writer)) << dump << " is older than " << writer << ": run it again";
    ASSERT_TRUE(written >= fs::last_write_time(fs::read_symlink("/proc/self/exe")))
        << dump << " is older than this test: run widgets_gallery_gdi_test under Wine again";

    UseGalleryTheme();
    const std::vector<Rendering> gdi = ReadDump(dump.string());
    ASSERT_FALSE(gdi.empty()) << "cannot read " << dump;
    const std::vector<Rendering> memory = RenderOnMemorySurface();
    EXPECT_EQ(Compare(gdi, memory), "");

    // The agreement means something: every button is compared under a name
    // of its own, draws something over the backdrop, and one pixel off shows.
    std::set<std::string> names;
    for (const Rendering& rendering : memory) {
        EXPECT_TRUE(names.insert(rendering.name).second) << rendering.name;
        bool drawn = false;
        for (const std::uint32_t pixel : rendering.pixels) drawn = drawn || pixel != kBackdrop;
        EXPECT_TRUE(drawn) << rendering.name;
    }
    std::vector<Rendering> changed = memory;
    changed.back().pixels.at(0) ^= 1;
    EXPECT_NE(Compare(gdi, changed), "");
}

}  // namespace
}  // namespace gallery
