#include "tests/win32/widgets/GdiCanvas.h"

#include <commctrl.h>

#include <cstring>

#include "platform/win32/GdiSurface_win.h"
#include "platform/win32/ScopedGdi_win.h"
#include "tests/unit/widgets/PaintCanvas.h"

namespace gditest {

std::vector<std::uint32_t> ReadBitmap(HDC compatible, HBITMAP bitmap, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> bgrx(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    if (GetDIBits(compatible, bitmap, 0, static_cast<UINT>(height), bgrx.data(), &info, DIB_RGB_COLORS) != height) {
        return {};
    }
    for (std::uint32_t& pixel : bgrx) {
        pixel = (pixel & 0xFFu) << 16 | (pixel & 0xFF00u) | (pixel >> 16 & 0xFFu);
    }
    return bgrx;
}

HBITMAP MakeBitmap(int width, int height, const std::vector<std::uint32_t>& pixels) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) {
        return nullptr;
    }
    const int stride = (width * 3 + 3) & ~3;
    auto* bytes = static_cast<unsigned char*>(bits);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t color = pixels[static_cast<std::size_t>(y * width + x)];
            unsigned char* p = bytes + y * stride + x * 3;
            p[0] = static_cast<unsigned char>(color >> 16);
            p[1] = static_cast<unsigned char>(color >> 8);
            p[2] = static_cast<unsigned char>(color);
        }
    }
    GdiFlush();
    return bitmap;
}

}  // namespace gditest

namespace painttest {

// Drawn as the paint handler draws: a memory context and a bitmap compatible
// with the screen.
Canvas Paint(int width, int height, std::uint32_t background, const DrawFunction& draw) {
    HDC screen = GetDC(nullptr);
    platform::ScopedMemoryDC memory(screen);
    platform::ScopedBitmap bitmap(CreateCompatibleBitmap(screen, width, height));
    ReleaseDC(nullptr, screen);
    if (!memory || !bitmap) {
        return Canvas{};
    }
    {
        platform::ScopedSelection selection(memory.Get(), bitmap.Get());
        platform::GdiSurface surface(memory.Get());
        surface.FillRect(platform::Rect{0, 0, width, height}, background);
        draw(surface);
    }
    return Canvas{width, height, gditest::ReadBitmap(memory.Get(), bitmap.Get(), width, height)};
}

struct TestImage::Impl {
    HIMAGELIST list = nullptr;
};

// Built as the button builds its list: a mask, magenta transparent.
TestImage::TestImage(int width, int height, const std::vector<std::uint32_t>& pixels)
    : m_impl(std::make_unique<Impl>()) {
    HBITMAP bitmap = gditest::MakeBitmap(width, height, pixels);
    m_impl->list = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 0, 0);
    if (bitmap != nullptr && m_impl->list != nullptr) {
        ImageList_AddMasked(m_impl->list, bitmap, RGB(255, 0, 255));
    }
    if (bitmap != nullptr) {
        DeleteObject(bitmap);
    }
}

TestImage::~TestImage() {
    if (m_impl->list != nullptr) {
        ImageList_Destroy(m_impl->list);
    }
}

const void* TestImage::Handle() const { return m_impl->list; }

}  // namespace painttest
