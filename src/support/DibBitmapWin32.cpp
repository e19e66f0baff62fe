#include "support/DibBitmap.h"

#include <vector>

namespace {

// Index of "File Not Found!" in the DIB error texts.
constexpr int kFileNotFound = 19;

// A bitmap file opened for reading.
class CWin32DibSource : public CDibSource {
public:
    explicit CWin32DibSource(const std::string& fileName)
        : m_file(::CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}

    bool IsOpen() const noexcept { return m_file.IsValid(); }

    std::size_t Read(void* buffer, std::size_t count) override {
        DWORD done = 0;
        if (!::ReadFile(m_file.Get(), buffer, static_cast<DWORD>(count), &done, nullptr)) {
            return 0;
        }
        return done;
    }

    bool Seek(std::uint64_t offset) override {
        if (offset > Length()) {
            return false;
        }
        return ::SetFilePointer(m_file.Get(), static_cast<LONG>(offset), nullptr, FILE_BEGIN) !=
               INVALID_SET_FILE_POINTER;
    }

    // Files of 4 GiB and more are reported as empty: no bitmap is that large.
    std::uint64_t Length() const override {
        DWORD high = 0;
        const DWORD low = ::GetFileSize(m_file.Get(), &high);
        return low == INVALID_FILE_SIZE || high != 0 ? 0 : low;
    }

private:
    CFileHandle m_file;
};

// Shows the wait cursor while it lives, then the normal arrow.
class CWaitCursor {
public:
    CWaitCursor() noexcept {
        ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
    }
    ~CWaitCursor() { ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW))); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

// Selects and realizes a palette (when there is one) and puts the previous one back.
class CRealizedPalette {
public:
    CRealizedPalette(HDC dc, HPALETTE palette) noexcept : m_dc(dc) {
        if (palette != nullptr) {
            m_old = ::SelectPalette(dc, palette, FALSE);
            ::RealizePalette(dc);
        }
    }
    ~CRealizedPalette() {
        if (m_old != nullptr) {
            ::SelectPalette(m_dc, m_old, FALSE);
        }
    }
    CRealizedPalette(const CRealizedPalette&) = delete;
    CRealizedPalette& operator=(const CRealizedPalette&) = delete;

private:
    HDC m_dc;
    HPALETTE m_old = nullptr;
};

struct CDrawDcTraits {
    using Type = HDC;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteDC(h); }
};

BITMAP Describe(HBITMAP bitmap) {
    BITMAP info{};
    if (bitmap != nullptr) {
        ::GetObjectA(bitmap, sizeof(info), &info);
    }
    return info;
}

} // namespace

void ShowDibError(int index) {
    ::MessageBoxA(nullptr, DibErrorText(index), nullptr, MB_OK | MB_ICONERROR);
}

std::optional<CDibBlock> ReadDibFile(const std::string& fileName, bool reportOpenFailure) {
    CWaitCursor wait;
    CWin32DibSource file(fileName);
    if (!file.IsOpen()) {
        if (reportOpenFailure) {
            ShowDibError(kFileNotFound);
        }
        return std::nullopt;
    }
    return ReadDib(file);
}

HBITMAP DibToBitmap(const CDibBlock* block, HPALETTE palette) {
    if (block == nullptr) {
        return nullptr;
    }
    HDC screen = ::GetDC(nullptr);
    if (screen == nullptr) {
        return nullptr;
    }
    HBITMAP bitmap = nullptr;
    {
        CRealizedPalette realized(screen, palette);
        const auto* info = reinterpret_cast<const BITMAPINFO*>(block->Data());
        bitmap = ::CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, block->Bits(), info,
                                  DIB_RGB_COLORS);
    }
    ::ReleaseDC(nullptr, screen);
    return bitmap;
}

HPALETTE CreateDibPalette(const CDibBlock& block) {
    const std::uint32_t colors = block.ColorCount();
    if (colors == 0) {
        return nullptr;
    }
    std::vector<unsigned char> buffer(sizeof(LOGPALETTE) + colors * sizeof(PALETTEENTRY));
    auto* palette = reinterpret_cast<LOGPALETTE*>(buffer.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(colors);
    const std::uint8_t* entry = block.ColorTable();
    for (std::uint32_t i = 0; i < colors; ++i, entry += 4) {
        // Colour-table entries are blue, green, red, reserved.
        palette->palPalEntry[i] = {entry[2], entry[1], entry[0], 0};
    }
    return ::CreatePalette(palette);
}

bool CDibBitmap::Draw(HDC device, HPALETTE palette, int x, int y, int width, int height,
                      int sourceX, int sourceY, DWORD rasterOperation) const {
    if (!m_bitmap) {
        return false;
    }
    CUniqueHandle<CDrawDcTraits> memory(::CreateCompatibleDC(device));
    if (!memory) {
        return false;
    }
    HGDIOBJ oldBitmap = ::SelectObject(memory.Get(), m_bitmap.Get());
    BOOL drawn = FALSE;
    {
        CRealizedPalette memoryPalette(memory.Get(), palette);
        CRealizedPalette devicePalette(device, palette);
        drawn = ::BitBlt(device, x, y, width != 0 ? width : GetWidth(),
                         height != 0 ? height : GetHeight(), memory.Get(), sourceX, sourceY,
                         rasterOperation);
    }
    ::SelectObject(memory.Get(), oldBitmap);
    return drawn != FALSE;
}

int CDibBitmap::GetWidth() const {
    return Describe(m_bitmap.Get()).bmWidth;
}

int CDibBitmap::GetHeight() const {
    return Describe(m_bitmap.Get()).bmHeight;
}
