#pragma once

#include <windows.h>

namespace platform {

// Deletes a pen, brush, bitmap or font it holds.
template <typename Handle>
class ScopedGdiObject {
public:
    explicit ScopedGdiObject(Handle handle) : m_handle(handle) {}
    ~ScopedGdiObject() {
        if (m_handle != nullptr) {
            DeleteObject(m_handle);
        }
    }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;

    Handle Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    Handle m_handle;
};

using ScopedBrush = ScopedGdiObject<HBRUSH>;
using ScopedPen = ScopedGdiObject<HPEN>;
using ScopedBitmap = ScopedGdiObject<HBITMAP>;

// Selects an object into a context and puts back the one it replaced.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ object)
        : m_dc(dc), m_previous(object != nullptr ? SelectObject(dc, object) : nullptr) {}
    ~ScopedSelection() {
        if (m_previous != nullptr && m_previous != HGDI_ERROR) {
            SelectObject(m_dc, m_previous);
        }
    }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

    bool Selected() const { return m_previous != nullptr && m_previous != HGDI_ERROR; }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// A memory device context, deleted with DeleteDC.
class ScopedMemoryDC {
public:
    explicit ScopedMemoryDC(HDC compatibleWith) : m_dc(CreateCompatibleDC(compatibleWith)) {}
    ~ScopedMemoryDC() {
        if (m_dc != nullptr) {
            DeleteDC(m_dc);
        }
    }
    ScopedMemoryDC(const ScopedMemoryDC&) = delete;
    ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;

    HDC Get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    HDC m_dc;
};

// BeginPaint and the EndPaint that must follow it.
class ScopedPaint {
public:
    explicit ScopedPaint(HWND window) : m_window(window), m_paint{}, m_dc(BeginPaint(window, &m_paint)) {}
    ~ScopedPaint() {
        if (m_dc != nullptr) {
            EndPaint(m_window, &m_paint);
        }
    }
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;

    HDC Get() const { return m_dc; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint;
    HDC m_dc;
};

}  // namespace platform
