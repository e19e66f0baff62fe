// Owning handles for the window-system objects the program creates: windows, GDI objects
// (fonts, brushes, pens, bitmaps, palettes), icons and device contexts from GetDC.
//
// They use the one handle template of the support library (CUniqueHandle): move-only, closed
// when they go, with Attach and Detach where ownership changes hands.
#pragma once

#include <windows.h>

#include "support/Handle.h"

// Windows destroyed with DestroyWindow (child windows the program creates and owns).
struct CWindowHandleTraits {
    using Type = HWND;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyWindow(h); }
};

// Any GDI object released with DeleteObject, typed so that a font handle stays a font.
template <typename T> struct CGdiObjectTraits {
    using Type = T;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};

// Icons made with CreateIcon*/CopyIcon/LoadImage (not shared icons from LoadIcon).
struct CIconHandleTraits {
    using Type = HICON;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyIcon(h); }
};

// Memory device contexts made with CreateCompatibleDC.
struct CMemoryDcTraits {
    using Type = HDC;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteDC(h); }
};

using CWindowHandle = CUniqueHandle<CWindowHandleTraits>;
using CGdiObjectHandle = CUniqueHandle<CGdiObjectTraits<HGDIOBJ>>;
using CFontHandle = CUniqueHandle<CGdiObjectTraits<HFONT>>;
using CBrushHandle = CUniqueHandle<CGdiObjectTraits<HBRUSH>>;
using CPenHandle = CUniqueHandle<CGdiObjectTraits<HPEN>>;
using CBitmapHandle = CUniqueHandle<CGdiObjectTraits<HBITMAP>>;
using CPaletteHandle = CUniqueHandle<CGdiObjectTraits<HPALETTE>>;
using CIconHandle = CUniqueHandle<CIconHandleTraits>;
using CMemoryDcHandle = CUniqueHandle<CMemoryDcTraits>;

// A device context borrowed from a window with GetDC and given back with ReleaseDC.
class CWindowDc {
public:
    explicit CWindowDc(HWND window) noexcept : m_window(window), m_dc(::GetDC(window)) {}
    ~CWindowDc() {
        if (m_dc != nullptr) {
            ::ReleaseDC(m_window, m_dc);
        }
    }
    CWindowDc(const CWindowDc&) = delete;
    CWindowDc& operator=(const CWindowDc&) = delete;

    HDC Get() const noexcept { return m_dc; }
    explicit operator bool() const noexcept { return m_dc != nullptr; }

private:
    HWND m_window;
    HDC m_dc;
};

// Selects a GDI object into a device context and puts the previous one back when it goes.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) noexcept
        : m_dc(dc), m_old(object != nullptr ? ::SelectObject(dc, object) : nullptr) {}
    ~CSelectObject() {
        if (m_old != nullptr) {
            ::SelectObject(m_dc, m_old);
        }
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};
