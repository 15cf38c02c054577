// The painting tests measure text drawn in the panel's own font. Without it
// Wine substitutes another face, and a hundred pixel differences would hide
// the one fact that matters: the font is missing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string FaceDrawnFor(const char* face) {
    LOGFONTA request{};
    request.lfHeight = -12;
    request.lfWeight = FW_NORMAL;
    request.lfPitchAndFamily = FF_SWISS;
    lstrcpynA(request.lfFaceName, face, LF_FACESIZE);
    HFONT font = CreateFontIndirectA(&request);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, font);
    char drawn[LF_FACESIZE] = {};
    GetTextFaceA(dc, LF_FACESIZE, drawn);
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(font);
    return drawn;
}

class ExpectedFonts : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_EQ(FaceDrawnFor("MS Sans Serif"), "MS Sans Serif")
            << "the font \"MS Sans Serif\" is missing: Wine's own fonts (Debian package fonts-wine) belong in "
               "the prefix's C:\\windows\\Fonts, which ./run sets up";
    }
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new ExpectedFonts);

}  // namespace
