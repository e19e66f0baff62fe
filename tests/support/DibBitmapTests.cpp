// Converting a packed DIB into a bitmap and drawing it (into a 32-bit DIB section, so that
// every pixel can be read back), its palette, and the DIB error message boxes.
#include "support/DibBitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "GuiHarness.h"

namespace {

constexpr DWORD kTimeoutMs = 10000;
constexpr COLORREF kUntouched = RGB(1, 2, 3);

struct CPaletteTraits {
    using Type = HPALETTE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};
using CPaletteHandleForTest = CUniqueHandle<CPaletteTraits>;

void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// Palette entry i of the 8-bit test picture, and the index of its pixel x,y (top row 0).
COLORREF EntryColour(int i) {
    return RGB(i, 255 - i, (i * 40) % 256);
}
int IndexAt(int x, int y) {
    return (x + 10 * y) % 256;
}

// An 8-bit file of width x height whose colour table has 256 entries.
std::vector<std::uint8_t> EightBitFile(int width, int height) {
    const int rowBytes = (width + 3) / 4 * 4;
    std::vector<std::uint8_t> file = {'B', 'M'};
    Put(file, 0, 4);
    Put(file, 0, 4);
    Put(file, 14 + 40 + 1024, 4);
    for (std::uint32_t v :
         {40u, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)}) {
        Put(file, v, 4);
    }
    Put(file, 1, 2);
    Put(file, 8, 2);
    for (int i = 0; i < 6; ++i) {
        Put(file, 0, 4);
    }
    for (int i = 0; i < 256; ++i) {
        const COLORREF c = EntryColour(i);
        file.insert(file.end(), {GetBValue(c), GetGValue(c), GetRValue(c), 0});
    }
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < rowBytes; ++x) {
            file.push_back(static_cast<std::uint8_t>(x < width ? IndexAt(x, y) : 0));
        }
    }
    return file;
}

CDibBlock ReadBlock(const std::vector<std::uint8_t>& file) {
    CMemoryDibSource source(file.data(), file.size());
    std::optional<CDibBlock> block = ReadDib(source);
    EXPECT_TRUE(block.has_value());
    return std::move(*block);
}

// A memory device context with a 32-bit top-down DIB section of width x height, filled with
// kUntouched.
class CCanvas {
public:
    CCanvas(int width, int height) : m_width(width) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        m_dc = ::CreateCompatibleDC(nullptr);
        m_bitmap = ::CreateDIBSection(m_dc, &info, DIB_RGB_COLORS,
                                      reinterpret_cast<void**>(&m_bits), nullptr, 0);
        m_old = ::SelectObject(m_dc, m_bitmap);
        for (int i = 0; i < width * height; ++i) {
            m_bits[i] = 0x010203;
        }
    }
    ~CCanvas() {
        ::SelectObject(m_dc, m_old);
        ::DeleteObject(m_bitmap);
        ::DeleteDC(m_dc);
    }
    CCanvas(const CCanvas&) = delete;
    CCanvas& operator=(const CCanvas&) = delete;

    HDC Dc() const { return m_dc; }
    COLORREF Pixel(int x, int y) const {
        ::GdiFlush();
        const std::uint32_t v = m_bits[y * m_width + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }

private:
    int m_width;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    std::uint32_t* m_bits = nullptr;
};

// Runs `show` on a thread of its own and returns the text and caption of the message box it
// opens, pressing OK.
template <typename Show> std::pair<std::string, std::string> MessageOf(Show show) {
    std::thread thread(show);
    HWND box = gui::WaitForMessageBox(0, kTimeoutMs);
    std::pair<std::string, std::string> seen;
    if (box != nullptr) {
        seen.first = gui::MessageBoxText(box);
        seen.second = gui::WindowText(box);
        gui::PressButton(box, IDOK);
    }
    thread.join();
    return seen;
}

TEST(DibToBitmap, NoBlockGivesNoBitmap) {
    EXPECT_EQ(DibToBitmap(nullptr, nullptr), nullptr);
}

TEST(DibBitmap, EightBitPictureDrawsWithItsColourTable) {
    const CDibBlock block = ReadBlock(EightBitFile(7, 5));
    CPaletteHandleForTest palette(CreateDibPalette(block));
    ASSERT_NE(palette.Get(), nullptr);
    for (HPALETTE used : {static_cast<HPALETTE>(nullptr), palette.Get()}) {
        SCOPED_TRACE(used == nullptr ? "no palette" : "own palette");
        CDibBitmap bitmap;
        bitmap.Attach(DibToBitmap(&block, used));
        ASSERT_TRUE(bitmap.IsValid());
        EXPECT_EQ(bitmap.GetWidth(), 7);
        EXPECT_EQ(bitmap.GetHeight(), 5);
        CCanvas canvas(10, 8);
        // Width and height 0: the whole bitmap.
        ASSERT_TRUE(bitmap.Draw(canvas.Dc(), used, 2, 1, 0, 0, 0, 0, SRCCOPY));
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 10; ++x) {
                const bool inside = x >= 2 && x < 9 && y >= 1 && y < 6;
                const COLORREF expected = inside ? EntryColour(IndexAt(x - 2, y - 1)) : kUntouched;
                ASSERT_EQ(canvas.Pixel(x, y), expected) << x << "," << y;
            }
        }
    }
}

TEST(DibBitmap, DrawCopiesTheSourceRectangleGiven) {
    const CDibBlock block = ReadBlock(EightBitFile(7, 5));
    CDibBitmap bitmap;
    bitmap.Attach(DibToBitmap(&block, nullptr));
    CCanvas canvas(4, 4);
    ASSERT_TRUE(bitmap.Draw(canvas.Dc(), nullptr, 0, 0, 2, 3, 4, 1, SRCCOPY));
    EXPECT_EQ(canvas.Pixel(0, 0), EntryColour(IndexAt(4, 1)));
    EXPECT_EQ(canvas.Pixel(1, 2), EntryColour(IndexAt(5, 3)));
    EXPECT_EQ(canvas.Pixel(2, 0), kUntouched);
    EXPECT_EQ(canvas.Pixel(0, 3), kUntouched);
}

TEST(DibBitmap, WithoutBitmapDrawsNothing) {
    CDibBitmap empty;
    CCanvas canvas(2, 2);
    EXPECT_FALSE(empty.Draw(canvas.Dc(), nullptr, 0, 0, 0, 0, 0, 0, SRCCOPY));
    EXPECT_EQ(empty.GetWidth(), 0);
    EXPECT_EQ(canvas.Pixel(0, 0), kUntouched);
}

TEST(CreateDibPalette, HoldsTheColourTable) {
    const CDibBlock block = ReadBlock(EightBitFile(2, 2));
    CPaletteHandleForTest palette(CreateDibPalette(block));
    ASSERT_NE(palette.Get(), nullptr);
    PALETTEENTRY entries[256] = {};
    ASSERT_EQ(::GetPaletteEntries(palette.Get(), 0, 256, entries), 256u);
    for (int i : {0, 1, 100, 255}) {
        EXPECT_EQ(RGB(entries[i].peRed, entries[i].peGreen, entries[i].peBlue), EntryColour(i));
    }
}

TEST(ShowDibError, ShowsTheTextOfTheIndex) {
    auto undefined = MessageOf([] { ShowDibError(22); });
    EXPECT_EQ(undefined.first, "Undefined Error!");
    EXPECT_EQ(undefined.second, "Error");
    EXPECT_EQ(MessageOf([] { ShowDibError(5); }).first, "Error creating palette!");
}

TEST(ReadDibFile, ReadsAFileAndReportsOneThatCannotBeOpened) {
    const std::string dir = gui::MakeTempDirectory("dib");
    ASSERT_FALSE(dir.empty());
    const std::string path = dir + "\\PIC.BMP";
    const std::vector<std::uint8_t> file = EightBitFile(3, 2);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    std::optional<CDibBlock> block = ReadDibFile(path);
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(block->ColorCount(), 256u);
    EXPECT_EQ(block->ImageSize(), 8u);

    std::optional<CDibBlock> missing;
    auto seen = MessageOf([&] { missing = ReadDibFile(dir + "\\NONE.BMP"); });
    EXPECT_EQ(seen.first, "File Not Found!");
    EXPECT_FALSE(missing.has_value());
    ::DeleteFileA(path.c_str());
    ::RemoveDirectoryA(dir.c_str());
}

} // namespace
