#pragma once

#include <cstdint>
#include <string>

namespace excalibur {

// Everything the painting of one button reads: the button's state members,
// its window's label, enabled state and style, and its image.
struct ButtonLook {
    int check = 0;                          // m_bCheck
    int fontChoice = 0;                     // m_nFontChoice: 0 normal, 1 bold, 2 large
    unsigned menuId = 0;                    // m_nMenuId: non-zero draws the drop-down arrow
    std::uint32_t textColor = 0xFFFFFFFFu;  // m_crText; all ones = ButtonTextColor
    int pressed = 0;                        // m_bPressed
    int hover = 0;                          // m_bHover
    int imageAlign = 0;                     // m_nImageAlign: 0 left, 3 centred, other right
    int flat = 0;                           // m_bFlat
    const void* image = nullptr;            // the platform's image list holding image 0, or null
    int imageWidth = 0;                     // m_nImageWidth
    int imageHeight = 0;                    // m_nImageHeight
    std::string label;                      // the window text
    bool enabled = true;
    bool multiline = false;  // BS_MULTILINE in the window style
};

}  // namespace excalibur
