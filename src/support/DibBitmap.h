// Showing a bitmap file on the screen (Windows): reading the file into a packed DIB block,
// turning the block into a device-dependent bitmap, drawing that bitmap, and the message box
// of the DIB error texts.
//
// A picture with a colour table gets a logical palette of its own colours (CreateDibPalette);
// converting and drawing with it selected makes the picture keep its colours on a palette
// display (256 colours), where the default palette would map them to the 20 system colours.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "support/DibFile.h"
#include "support/Handle.h"

// Shows DIB error `index` (DibErrorText) in a message box without owner, with the system's
// default caption and the error icon.
void ShowDibError(int index);

// Reads the bitmap file `fileName` into a packed DIB block (ReadDib), with the wait cursor
// shown meanwhile. A file that cannot be opened is reported with ShowDibError(19) ("File Not
// Found!") unless reportOpenFailure is false (an unattended run, where nobody would answer
// the box); every other failure gives none without a message.
std::optional<CDibBlock> ReadDibFile(const std::string& fileName, bool reportOpenFailure = true);

// A device-dependent bitmap for the screen made from the block, with `palette` (may be null)
// selected and realized in the screen's device context meanwhile. nullptr when there is no
// block, no screen context or the bitmap cannot be made. The caller owns the bitmap.
HBITMAP DibToBitmap(const CDibBlock* block, HPALETTE palette);

// A logical palette holding the block's colour table; nullptr when it has none. The caller
// owns the palette.
HPALETTE CreateDibPalette(const CDibBlock& block);

struct CGdiBitmapTraits {
    using Type = HBITMAP;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};

// A device-dependent bitmap (owned) that draws itself onto a device context.
class CDibBitmap {
public:
    // Takes ownership of `bitmap` (deleting the one held before).
    void Attach(HBITMAP bitmap) noexcept { m_bitmap.Attach(bitmap); }
    HBITMAP Get() const noexcept { return m_bitmap.Get(); }
    bool IsValid() const noexcept { return m_bitmap.IsValid(); }
    explicit operator bool() const noexcept { return IsValid(); }

    // Copies the source rectangle at sourceX, sourceY of the bitmap to x, y of `device` with
    // the raster operation; a width or height of 0 means the bitmap's. With a palette it is
    // selected and realized in both contexts first. False when nothing could be drawn.
    bool Draw(HDC device, HPALETTE palette, int x, int y, int width, int height, int sourceX,
              int sourceY, DWORD rasterOperation) const;

    // The bitmap's size in pixels (0 without a bitmap).
    int GetWidth() const;
    int GetHeight() const;

private:
    CUniqueHandle<CGdiBitmapTraits> m_bitmap;
};
