#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "resources/ResourceIds.h"

// Checks the resources as a module carries them: the plug-in itself when it
// is built, otherwise the resource-only DLL made from the same script.
namespace {

std::string ModulePath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    folder.resize(folder.find_last_of("\\/") + 1);
    return folder + EXCALIBUR_RESOURCE_MODULE;
}

class ResourceModule : public ::testing::Test {
protected:
    static void SetUpTestSuite() { module = LoadLibraryExA(ModulePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE); }
    static void TearDownTestSuite() {
        if (module) FreeLibrary(module);
        module = nullptr;
    }
    void SetUp() override { ASSERT_NE(module, nullptr) << "cannot load " << ModulePath(); }

    static std::vector<unsigned char> Bytes(int id, LPCSTR type) {
        const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
        if (!found) return {};
        const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(module, found)));
        return {data, data + SizeofResource(module, found)};
    }

    static HMODULE module;
};
HMODULE ResourceModule::module = nullptr;

// Reads a DLGTEMPLATE (not the extended form) field by field.
class TemplateReader {
public:
    explicit TemplateReader(const std::vector<unsigned char>& bytes) : m_bytes(bytes) {}

    std::uint16_t Word() {
        std::uint16_t value = 0;
        if (m_offset + 2 <= m_bytes.size()) std::memcpy(&value, &m_bytes[m_offset], 2);
        m_offset += 2;
        return value;
    }
    std::uint32_t Dword() {
        const std::uint32_t low = Word();
        return low | static_cast<std::uint32_t>(Word()) << 16;
    }
    std::string String() {
        std::string text;
        for (std::uint16_t ch = Word(); ch != 0 && m_offset <= m_bytes.size(); ch = Word()) {
            text.push_back(static_cast<char>(ch));
        }
        return text;
    }
    // A name or an ordinal: ordinals come back as "#n".
    std::string NameOrOrdinal() {
        const std::uint16_t first = Word();
        if (first == 0) return {};
        if (first == 0xFFFF) return std::to_string(Word()).insert(0, 1, '#');
        m_offset -= 2;
        return String();
    }
    void AlignToDword() { m_offset = (m_offset + 3) & ~static_cast<std::size_t>(3); }
    bool AtEnd() const { return m_offset >= m_bytes.size(); }

private:
    const std::vector<unsigned char>& m_bytes;
    std::size_t m_offset = 0;
};

struct Control {
    int id;
    std::string windowClass;
    std::string text;
    std::uint32_t style;
    int x, y, width, height;
};

std::string Lower(std::string text) {
    for (auto& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

TEST_F(ResourceModule, PanelTemplateIsExactlyTheDialogThePanelIsMadeFrom) {
    const auto bytes = Bytes(IDD_RECEIVER_PANEL, MAKEINTRESOURCEA(5));  // RT_DIALOG
    ASSERT_FALSE(bytes.empty());
    TemplateReader reader(bytes);
    EXPECT_EQ(reader.Dword(), 0x80C80AC2u) << "style";
    EXPECT_EQ(reader.Dword(), 0u) << "extended style";
    const int count = reader.Word();
    ASSERT_EQ(count, 9);
    EXPECT_EQ(static_cast<short>(reader.Word()), 0);
    EXPECT_EQ(static_cast<short>(reader.Word()), 0);
    EXPECT_EQ(reader.Word(), 159);
    EXPECT_EQ(reader.Word(), 148);
    EXPECT_EQ(reader.NameOrOrdinal(), "") << "no menu";
    EXPECT_EQ(reader.NameOrOrdinal(), "") << "the standard dialog class";
    EXPECT_EQ(reader.String(), "Excalibur as Orvanta Panorama");
    EXPECT_EQ(reader.Word(), 8) << "points";
    EXPECT_EQ(reader.String(), "MS Sans Serif");

    // Button is ordinal 0x80, static 0x82; other classes go by name, which
    // window classes do without regard to case.
    const Control expected[] = {
        {IDC_PICTURE_BUTTON, "#128", "", 0x50010000, 3, 4, 152, 110},
        {IDC_ATTENUATOR_BUTTON, "#128", "21 dB ATT", 0x50010000, 3, 117, 48, 13},
        {IDC_SAMPLE_BUTTON, "#128", "select Samples", 0x50010000, 52, 117, 90, 13},
        {IDC_HELP_BUTTON, "#128", "?", 0x50010000, 145, 118, 10, 11},
        {IDC_DITHER_BUTTON, "#128", "Ditter", 0x50010000, 3, 131, 24, 13},
        {IDC_NOISE_BLANKER_BUTTON, "#128", "NB", 0x50010000, 28, 131, 18, 13},
        {IDC_LEVEL_SPIN, "msctls_updown32", "Spin1", 0x50000062, 92, 131, 33, 14},
        {IDC_LEVEL_LABEL, "#130", "-174 dB", 0x50020201, 126, 131, 30, 14},
        {0xFFFF, "#130", "Level Offset :", 0x50020202, 46, 131, 46, 12},
    };
    for (const Control& want : expected) {
        SCOPED_TRACE(want.text);
        reader.AlignToDword();
        EXPECT_EQ(reader.Dword(), want.style);
        EXPECT_EQ(reader.Dword(), 0u) << "extended style";
        EXPECT_EQ(static_cast<short>(reader.Word()), want.x);
        EXPECT_EQ(static_cast<short>(reader.Word()), want.y);
        EXPECT_EQ(static_cast<short>(reader.Word()), want.width);
        EXPECT_EQ(static_cast<short>(reader.Word()), want.height);
        EXPECT_EQ(reader.Word(), want.id);
        EXPECT_EQ(Lower(reader.NameOrOrdinal()), want.windowClass);
        EXPECT_EQ(reader.NameOrOrdinal(), want.text);
        EXPECT_EQ(reader.Word(), 0) << "no creation data";
    }
    EXPECT_TRUE(reader.AtEnd());
}

TEST_F(ResourceModule, SampleMenuOffersFiveRatesAndGreysThreeLargerOnes) {
    const HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(IDR_SAMPLE_MENU));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 1);
    char text[64] = {};
    GetMenuStringA(menu, 0, text, sizeof(text), MF_BYPOSITION);
    EXPECT_STREQ(text, "Samples");
    const HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);

    struct Item {
        UINT id;
        const char* text;
        bool greyed;
    };
    const Item expected[] = {
        {ID_SAMPLES_50KHZ, "  50 kHz", false}, {ID_SAMPLES_100KHZ, "100 kHz", false},
        {ID_SAMPLES_200KHZ, "200 kHz", false}, {ID_SAMPLES_500KHZ, "500 kHz", false},
        {ID_SAMPLES_1MHZ, "1.0 MHz", false},   {ID_SAMPLES_1_6MHZ, "1.6 MHz", true},
        {ID_SAMPLES_2MHZ, "2.0 MHz", true},    {ID_SAMPLES_2_5MHZ, "2.5 MHz", true},
    };
    ASSERT_EQ(GetMenuItemCount(popup), 8);
    for (int position = 0; position < 8; ++position) {
        const Item& want = expected[position];
        SCOPED_TRACE(want.text);
        EXPECT_EQ(GetMenuItemID(popup, position), want.id);
        GetMenuStringA(popup, position, text, sizeof(text), MF_BYPOSITION);
        EXPECT_STREQ(text, want.text);
        const UINT state = GetMenuState(popup, position, MF_BYPOSITION);
        EXPECT_EQ((state & MF_GRAYED) != 0, want.greyed);
        EXPECT_EQ(state & MF_CHECKED, 0u);
    }
    DestroyMenu(menu);
}

TEST_F(ResourceModule, ReceiverPictureIs200By152With256ColoursAndATransparentSurround) {
    const auto bytes = Bytes(IDB_RECEIVER_PICTURE, MAKEINTRESOURCEA(2));  // RT_BITMAP
    ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header{};
    std::memcpy(&header, bytes.data(), sizeof(header));
    EXPECT_EQ(header.biWidth, 200);
    EXPECT_EQ(header.biHeight, 152) << "bottom-up";
    EXPECT_EQ(header.biBitCount, 8);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_TRUE(header.biClrUsed == 0 || header.biClrUsed == 256);
    ASSERT_EQ(bytes.size(), sizeof(header) + 256 * 4 + 200 * 152);

    // The top-left pixel is the last row of the bits; magenta lets the
    // button's face show around the receiver.
    const unsigned char* palette = bytes.data() + sizeof(header);
    const unsigned char topLeft = bytes[sizeof(header) + 256 * 4 + 151 * 200];
    EXPECT_EQ(palette[topLeft * 4 + 2], 255);
    EXPECT_EQ(palette[topLeft * 4 + 1], 0);
    EXPECT_EQ(palette[topLeft * 4 + 0], 255);

    const HANDLE loaded = LoadImageA(module, MAKEINTRESOURCEA(IDB_RECEIVER_PICTURE), IMAGE_BITMAP, 0, 0,
                                     LR_CREATEDIBSECTION | LR_LOADMAP3DCOLORS);
    ASSERT_NE(loaded, nullptr);
    BITMAP bitmap{};
    ASSERT_NE(GetObjectA(loaded, sizeof(bitmap), &bitmap), 0);
    EXPECT_EQ(bitmap.bmWidth, 200);
    EXPECT_EQ(bitmap.bmHeight, 152);
    EXPECT_EQ(bitmap.bmBitsPixel, 8);
    DeleteObject(loaded);
}

TEST_F(ResourceModule, PanelIconsAre16By16With16Colours) {
    for (const int id : {IDI_PANEL_ICON, IDI_PANEL_ICON_CLASSIC}) {
        SCOPED_TRACE(id);
        const auto group = Bytes(id, MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
        ASSERT_EQ(group.size(), 6u + 14u) << "one image";
        EXPECT_EQ(group[6], 16) << "width";
        EXPECT_EQ(group[7], 16) << "height";
        EXPECT_EQ(group[8], 16) << "colours";
        EXPECT_EQ(group[12] | group[13] << 8, 4) << "bits per pixel";
        const int imageId = group[18] | group[19] << 8;
        const auto image = Bytes(imageId, MAKEINTRESOURCEA(3));  // RT_ICON
        ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER header{};
        std::memcpy(&header, image.data(), sizeof(header));
        EXPECT_EQ(header.biWidth, 16);
        EXPECT_EQ(header.biHeight, 32) << "colour and mask";
        EXPECT_EQ(header.biBitCount, 4);

        const HICON icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, 0, 0, 0));
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        EXPECT_TRUE(info.fIcon);
        BITMAP mask{};
        GetObjectA(info.hbmMask, sizeof(mask), &mask);
        EXPECT_EQ(mask.bmWidth, 16);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

TEST_F(ResourceModule, HandCursorIsAMonochrome32By32PointerWithItsHotSpotAtTheFingerTip) {
    const auto group = Bytes(IDCUR_HAND, MAKEINTRESOURCEA(12));  // RT_GROUP_CURSOR
    ASSERT_EQ(group.size(), 6u + 14u);
    EXPECT_EQ(group[6] | group[7] << 8, 32) << "width";
    EXPECT_EQ(group[8] | group[9] << 8, 64) << "height of colour and mask";
    EXPECT_EQ(group[12] | group[13] << 8, 1) << "bits per pixel";

    const HCURSOR cursor =
        static_cast<HCURSOR>(LoadImageA(module, MAKEINTRESOURCEA(IDCUR_HAND), IMAGE_CURSOR, 0, 0, 0));
    ASSERT_NE(cursor, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 6u);
    EXPECT_EQ(info.yHotspot, 0u);
    EXPECT_EQ(info.hbmColor, nullptr) << "monochrome: the mask holds both halves";
    BITMAP mask{};
    GetObjectA(info.hbmMask, sizeof(mask), &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    EXPECT_EQ(mask.bmHeight, 64);
    EXPECT_EQ(mask.bmBitsPixel, 1);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyCursor(cursor);
}

TEST_F(ResourceModule, VersionRecordNamesTheProductAndTheProjectVersion) {
    const std::string path = ModulePath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    constexpr DWORD kVersionMS = (EXCALIBUR_PROJECT_VERSION_MAJOR << 16) | EXCALIBUR_PROJECT_VERSION_MINOR;
    constexpr DWORD kVersionLS = EXCALIBUR_PROJECT_VERSION_PATCH << 16;
    EXPECT_EQ(fixed->dwFileVersionMS, kVersionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, kVersionLS);
    EXPECT_EQ(fixed->dwProductVersionMS, kVersionMS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    const auto value = [&](const char* name) {
        char* text = nullptr;
        UINT textLength = 0;
        const std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
        if (!VerQueryValueA(data.data(), key.c_str(), reinterpret_cast<void**>(&text), &textLength))
            return std::string();
        return std::string(text);
    };
    EXPECT_EQ(value("ProductName"), "Excalibur");
    EXPECT_EQ(value("FileDescription"), "Excalibur ExtIO plug-in");
    EXPECT_EQ(value("ProductVersion"), EXCALIBUR_PROJECT_VERSION);
    EXPECT_EQ(value("FileVersion"), EXCALIBUR_PROJECT_VERSION);
}

}  // namespace
