#include "support/DibFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

// A bitmap file to build: the header fields as written, and how much of the file to keep.
struct BmpLayout {
    std::int32_t width = 3;
    std::int32_t height = 2;
    std::uint16_t bitCount = 24;
    std::uint32_t headerSize = 40;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::uint32_t clrUsed = 0;
    // Entries written into the colour table; -1: as many as the reader expects.
    int colorEntries = -1;
    // Pixel bytes written; -1: the padded rows of width x height.
    long pixelBytes = -1;
    // Bytes left out between the colour table and the pixels (the offset field skips them).
    std::uint32_t gap = 0;
    // When set, the offset field gets this value instead of the real start of the pixels.
    bool offsetGiven = false;
    std::uint32_t offset = 0;
    std::uint16_t type = kDibFileType;
};

void PutU16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// The rows of a bottom-up picture, and as many for a top-down one (negative height).
long long PaddedRows(const BmpLayout& bmp) {
    const long long rows = bmp.height < 0 ? -static_cast<long long>(bmp.height) : bmp.height;
    const long long width = bmp.width < 0 ? 0 : bmp.width;
    return std::min((width * bmp.bitCount + 31) / 32 * 4 * rows, 1LL << 26);
}

int ExpectedColors(const BmpLayout& bmp) {
    if (bmp.clrUsed != 0) {
        return static_cast<int>(bmp.clrUsed);
    }
    return bmp.bitCount == 1 ? 2 : bmp.bitCount == 4 ? 16 : bmp.bitCount == 8 ? 256 : 0;
}

// Colour entry i is (blue i, green 255 - i, red 3i, reserved 0); pixel byte j is 7j + 1.
std::uint8_t ColorByte(int entry, int channel) {
    const int values[4] = {entry, 255 - entry, 3 * entry, 0};
    return static_cast<std::uint8_t>(values[channel]);
}

std::uint8_t PixelByte(long long j) {
    return static_cast<std::uint8_t>(7 * j + 1);
}

std::vector<std::uint8_t> MakeBmp(const BmpLayout& bmp) {
    const int colors = bmp.colorEntries >= 0 ? bmp.colorEntries : ExpectedColors(bmp);
    const long long pixels = bmp.pixelBytes >= 0 ? bmp.pixelBytes : PaddedRows(bmp);
    // An absurd header size is written as a 40-byte header (the reader must refuse it unread).
    const std::size_t written = bmp.headerSize <= 256 ? bmp.headerSize : 40;
    const std::size_t tableAt = 14 + written;
    const std::size_t pixelsAt = tableAt + 4 * colors + bmp.gap;
    std::vector<std::uint8_t> out(pixelsAt + pixels, 0);
    PutU16(out, 0, bmp.type);
    PutU32(out, 2, static_cast<std::uint32_t>(out.size()));
    PutU32(out, 10, bmp.offsetGiven ? bmp.offset : static_cast<std::uint32_t>(pixelsAt));
    PutU32(out, 14, bmp.headerSize);
    if (bmp.headerSize >= 40) {
        PutU32(out, 18, static_cast<std::uint32_t>(bmp.width));
        PutU32(out, 22, static_cast<std::uint32_t>(bmp.height));
        PutU16(out, 26, 1);
        PutU16(out, 28, bmp.bitCount);
        PutU32(out, 30, bmp.compression);
        PutU32(out, 34, bmp.sizeImage);
        PutU32(out, 46, bmp.clrUsed);
    } else if (bmp.headerSize == 12) {
        PutU16(out, 18, static_cast<std::uint32_t>(bmp.width));
        PutU16(out, 20, static_cast<std::uint32_t>(bmp.height));
        PutU16(out, 22, 1);
        PutU16(out, 24, bmp.bitCount);
    }
    for (int i = 0; i < colors; ++i) {
        for (int c = 0; c < 4; ++c) {
            out[tableAt + 4 * i + c] = ColorByte(i, c);
        }
    }
    for (long long j = 0; j < pixels; ++j) {
        out[pixelsAt + j] = PixelByte(j);
    }
    return out;
}

std::optional<CDibBlock> Read(const std::vector<std::uint8_t>& file) {
    CMemoryDibSource source(file.data(), file.size());
    return ReadDib(source);
}

BmpLayout Layout(std::int32_t width, std::int32_t height, std::uint16_t bitCount) {
    BmpLayout bmp;
    bmp.width = width;
    bmp.height = height;
    bmp.bitCount = bitCount;
    return bmp;
}

struct LayoutCase {
    const char* name;
    BmpLayout bmp;
    std::uint32_t colors;
    std::uint32_t imageSize;
};

BmpLayout WithField(BmpLayout bmp, std::uint32_t BmpLayout::*field, std::uint32_t value) {
    bmp.*field = value;
    return bmp;
}

class DibLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(DibLayout, BlockHoldsHeaderColorTableAndRows) {
    const LayoutCase& c = GetParam();
    std::optional<CDibBlock> block = Read(MakeBmp(c.bmp));
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(block->ColorCount(), c.colors);
    EXPECT_EQ(block->ImageSize(), c.imageSize);
    EXPECT_EQ(block->Size(), 40u + 4 * c.colors + c.imageSize);
    EXPECT_EQ(block->Width(), c.bmp.width);
    EXPECT_EQ(block->Height(), c.bmp.height);
    EXPECT_EQ(block->BitCount(), c.bmp.bitCount);
    // The header in the block is the 40-byte form, whatever the file had.
    EXPECT_EQ(block->Data()[0], 40);
    EXPECT_EQ(block->Bits() - block->Data(), static_cast<std::ptrdiff_t>(40 + 4 * c.colors));
}

const LayoutCase kLayouts[] = {
    {"EightBitsColorsUsedZeroGets256", Layout(4, 2, 8), 256, 8},
    {"EightBitsColorsUsedGiven", WithField(Layout(4, 2, 8), &BmpLayout::clrUsed, 16), 16, 8},
    {"TwentyFourBitsGetsNoColorTable", Layout(3, 2, 24), 0, 24},
    {"ImageSizeZeroIsComputed", Layout(3, 2, 24), 0, 24},
    {"UnpaddedImageSizeGetsPaddedRows", WithField(Layout(3, 2, 24), &BmpLayout::sizeImage, 18), 0,
     24},
    {"LargerImageSizeGetsPaddedRows", WithField(Layout(3, 2, 24), &BmpLayout::sizeImage, 30), 0,
     24},
    {"FourBits", Layout(5, 3, 4), 16, 12},
    {"OneBitRowsPadToFourBytes", Layout(33, 2, 1), 2, 16},
    {"SixteenBits", Layout(3, 1, 16), 0, 8},
    {"ThirtyTwoBits", Layout(2, 2, 32), 0, 16},
    {"TwentyFourBitsWithColorsUsed", WithField(Layout(1, 1, 24), &BmpLayout::clrUsed, 3), 3, 4},
    {"LongerInfoHeaderIsCutTo40Bytes", WithField(Layout(4, 2, 8), &BmpLayout::headerSize, 124), 256,
     8},
};

INSTANTIATE_TEST_SUITE_P(Table, DibLayout, ::testing::ValuesIn(kLayouts),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(DibFile, CopiesColorTableAndPixelsFromTheFile) {
    BmpLayout bmp = Layout(5, 3, 4);
    bmp.headerSize = 108;
    std::optional<CDibBlock> block = Read(MakeBmp(bmp));
    ASSERT_TRUE(block.has_value());
    for (int i = 0; i < 16; ++i) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(block->ColorTable()[4 * i + c], ColorByte(i, c)) << i << "/" << c;
        }
    }
    for (long j = 0; j < 12; ++j) {
        EXPECT_EQ(block->Bits()[j], PixelByte(j)) << j;
    }
}

TEST(DibFile, PixelOffsetSkipsBytesAfterTheColorTable) {
    BmpLayout bmp = Layout(2, 2, 24);
    bmp.gap = 10;
    std::optional<CDibBlock> block = Read(MakeBmp(bmp));
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(block->Bits()[0], PixelByte(0));
    EXPECT_EQ(block->Bits()[15], PixelByte(15));
}

TEST(DibFile, RunLengthCodedPixelsKeepTheirGivenSize) {
    BmpLayout bmp = Layout(4, 4, 8);
    bmp.compression = kDibRle8;
    bmp.sizeImage = 10;
    bmp.pixelBytes = 10;
    std::optional<CDibBlock> block = Read(MakeBmp(bmp));
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(block->ImageSize(), 10u);
    EXPECT_EQ(block->Compression(), kDibRle8);
}

struct RefusedCase {
    const char* name;
    BmpLayout bmp;
    // Bytes cut off the end of the built file.
    std::size_t cut = 0;
};

BmpLayout Refuse(BmpLayout bmp, void (*change)(BmpLayout&)) {
    change(bmp);
    return bmp;
}

class DibRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(DibRefused, GivesNoBlock) {
    const RefusedCase& c = GetParam();
    std::vector<std::uint8_t> file = MakeBmp(c.bmp);
    ASSERT_LE(c.cut, file.size());
    file.resize(file.size() - c.cut);
    EXPECT_FALSE(Read(file).has_value());
}

const BmpLayout kGood = Layout(4, 2, 8);

const RefusedCase kRefused[] = {
    {"NotBm", Refuse(kGood, [](BmpLayout& s) { s.type = 0x4142; })},
    {"CoreHeader", Refuse(kGood, [](BmpLayout& s) { s.headerSize = 12; })},
    {"HeaderShorterThanInfoHeader", Refuse(kGood, [](BmpLayout& s) { s.headerSize = 39; })},
    {"HeaderHuge", Refuse(kGood, [](BmpLayout& s) { s.headerSize = 0x7FFFFFFF; }), 0},
    {"WidthZero", Refuse(kGood, [](BmpLayout& s) { s.width = 0; })},
    {"WidthNegative", Refuse(kGood, [](BmpLayout& s) { s.width = -4; })},
    {"WidthOverLimit", Refuse(kGood, [](BmpLayout& s) { s.width = 8193; })},
    {"HeightZero", Refuse(kGood, [](BmpLayout& s) { s.height = 0; })},
    {"HeightNegative", Refuse(kGood, [](BmpLayout& s) { s.height = -2; })},
    {"HeightMostNegative", Refuse(kGood, [](BmpLayout& s) { s.height = INT32_MIN; })},
    {"BitCountZero", Refuse(kGood, [](BmpLayout& s) { s.bitCount = 0; })},
    {"BitCountTwo", Refuse(kGood, [](BmpLayout& s) { s.bitCount = 2; })},
    {"BitCountHuge", Refuse(kGood, [](BmpLayout& s) { s.bitCount = 0xFFFF; })},
    {"BitFields", Refuse(Layout(2, 2, 32), [](BmpLayout& s) { s.compression = 3; })},
    {"RunLength8AtFourBits", Refuse(Layout(2, 2, 4),
                                    [](BmpLayout& s) {
                                        s.compression = kDibRle8;
                                        s.sizeImage = 4;
                                    })},
    {"RunLengthWithoutSize", Refuse(kGood, [](BmpLayout& s) { s.compression = kDibRle8; })},
    {"RunLengthSizeOverLimit", Refuse(kGood,
                                      [](BmpLayout& s) {
                                          s.compression = kDibRle8;
                                          s.sizeImage = 0xFFFFFFFF;
                                          s.pixelBytes = 8;
                                      })},
    {"ColorsUsedOver256", Refuse(kGood,
                                 [](BmpLayout& s) {
                                     s.clrUsed = 257;
                                     s.colorEntries = 257;
                                 })},
    {"ColorsUsedHuge", Refuse(kGood,
                              [](BmpLayout& s) {
                                  s.clrUsed = 0x40000000;
                                  s.colorEntries = 0;
                              })},
    {"PixelDataOverLimit", Refuse(Layout(8192, 8192, 24), [](BmpLayout& s) { s.pixelBytes = 4; })},
    {"PixelOffsetPastTheEnd", Refuse(kGood,
                                     [](BmpLayout& s) {
                                         s.offsetGiven = true;
                                         s.offset = 0x7FFFFFF0;
                                     })},
    {"PixelOffsetLeavesTooFewPixels", Refuse(kGood,
                                             [](BmpLayout& s) {
                                                 s.offsetGiven = true;
                                                 s.offset = 14 + 40 + 1024 + 1;
                                             })},
    {"PixelOffsetInsideTheColorTable", Refuse(kGood,
                                              [](BmpLayout& s) {
                                                  s.offsetGiven = true;
                                                  s.offset = 14 + 40 + 1020;
                                              })},
    {"PixelOffsetInsideTheHeader", Refuse(kGood,
                                          [](BmpLayout& s) {
                                              s.offsetGiven = true;
                                              s.offset = 20;
                                          })},
    {"CutInsidePixels", kGood, 1},
    {"CutInsideColorTable", kGood, 8 + 5},
    {"CutInsideInfoHeader", kGood, 8 + 1024 + 20},
    {"CutInsideFileHeader", kGood, 8 + 1024 + 40 + 4},
};

INSTANTIATE_TEST_SUITE_P(Table, DibRefused, ::testing::ValuesIn(kRefused),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(DibFile, EmptyFileGivesNoBlock) {
    CMemoryDibSource source(nullptr, 0);
    EXPECT_FALSE(ReadDib(source).has_value());
}

TEST(DibFile, LargestPictureWithinTheLimitsIsRead) {
    // 4096 x 2048 at 32 bits is exactly 32 MiB of pixels.
    std::optional<CDibBlock> block = Read(MakeBmp(Layout(4096, 2048, 32)));
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(block->ImageSize(), kDibMaxImageBytes);
}

// An info header of 40 bytes with the given size, bit count at both places and colours used.
std::vector<std::uint8_t> Header(std::uint32_t size, std::uint16_t coreBits, std::uint16_t infoBits,
                                 std::uint32_t used) {
    std::vector<std::uint8_t> header(40, 0);
    PutU32(header, DibField::kSize, size);
    PutU16(header, DibField::kCoreBitCount, coreBits);
    PutU16(header, DibField::kBitCount, infoBits);
    PutU32(header, DibField::kClrUsed, used);
    return header;
}

TEST(DibColorCount, InfoHeaderByColorsUsedThenBitCount) {
    EXPECT_EQ(DibColorCount(Header(40, 0, 8, 0).data()), 256u);
    EXPECT_EQ(DibColorCount(Header(40, 0, 8, 12).data()), 12u);
    EXPECT_EQ(DibColorCount(Header(40, 0, 4, 0).data()), 16u);
    EXPECT_EQ(DibColorCount(Header(40, 0, 1, 0).data()), 2u);
    EXPECT_EQ(DibColorCount(Header(40, 0, 24, 0).data()), 0u);
    EXPECT_EQ(DibColorCount(Header(40, 0, 16, 0).data()), 0u);
}

TEST(DibColorCount, CoreHeaderByItsOwnBitCountOnly) {
    // In a core header offset 14 is past its end and offset 32 does not exist.
    EXPECT_EQ(DibColorCount(Header(12, 8, 24, 7).data()), 256u);
    EXPECT_EQ(DibColorCount(Header(12, 4, 8, 0).data()), 16u);
    EXPECT_EQ(DibColorCount(Header(12, 24, 8, 0).data()), 0u);
}

TEST(DibErrorText, TableByIndexAndUndefinedOutside) {
    EXPECT_STREQ(DibErrorText(0), "Not a Windows DIB file!");
    EXPECT_STREQ(DibErrorText(7), "Error creating Device Dependent Bitmap");
    EXPECT_STREQ(DibErrorText(12), "Printing: GetModuleHandle() couldn't find GDI!");
    EXPECT_STREQ(DibErrorText(19), "File Not Found!");
    EXPECT_STREQ(DibErrorText(21), "General Error on call to DIB function");
    EXPECT_STREQ(DibErrorText(22), "Undefined Error!");
    EXPECT_STREQ(DibErrorText(-1), "Undefined Error!");
    EXPECT_STREQ(DibErrorText(1000), "Undefined Error!");
}

} // namespace
