#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "tests/unit/widgets/GalleryMemoryRender.h"

namespace gallery {
namespace {

class Gallery : public ::testing::Test {
protected:
    void SetUp() override { UseGalleryTheme(); }
};

TEST_F(Gallery, EntriesAreDistinctAndStable)
{
    const std::vector<Entry> entries = Entries();
    std::set<std::string> names;
    for (const Entry& entry : entries) {
        EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
    }
    EXPECT_EQ(entries.front().name, "80x24-3d");
    EXPECT_EQ(Entries().back().name, entries.back().name);
}

TEST_F(Gallery, DumpReadsBackAsWritten)
{
    const std::vector<Rendering> renderings = RenderOnMemorySurface();
    const std::string path = "button_gallery_roundtrip.bin";
    ASSERT_TRUE(WriteDump(path, renderings));
    EXPECT_EQ(Compare(renderings, ReadDump(path)), "");
    std::remove(path.c_str());
    EXPECT_TRUE(ReadDump(path).empty());

    std::vector<Rendering> changed = renderings;
    changed[5].pixels[17] ^= 1;
    EXPECT_NE(Compare(renderings, changed), "");
}

#ifdef EXCALIBUR_GDI_GALLERY
// The same buttons as GDI drew them under Wine (widgets_gallery_gdi_test).
TEST_F(Gallery, MemorySurfaceMatchesGdi)
{
    const std::vector<Rendering> gdi = ReadDump(EXCALIBUR_GDI_GALLERY);
    ASSERT_FALSE(gdi.empty()) << "cannot read " << EXCALIBUR_GDI_GALLERY;
    EXPECT_EQ(Compare(gdi, RenderOnMemorySurface()), "");
}
#endif

}  // namespace
}  // namespace gallery
