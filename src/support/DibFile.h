// Reading a Windows bitmap file (device-independent bitmap) into one packed DIB block.
//
// File layout (little-endian): a 14-byte file header ("BM", file size, reserved, offset of
// the pixel data), an info header (40 bytes, or one of its longer successors), the colour
// table (4 bytes per entry) and the pixel rows, bottom row first, each padded to 4 bytes.
//
// The packed block holds a 40-byte info header, the colour table and the pixel rows, as the
// platform's DIB functions take them. The file comes from the distribution medium, so it is
// untrusted: ReadDib checks every size before it allocates or reads and refuses what no real
// picture has (limits below). It reads through CDibSource, so the same code reads a file on
// Windows and a memory buffer in the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

// Sizes of the two header forms.
constexpr std::uint32_t kDibInfoHeaderSize = 40;
constexpr std::uint32_t kDibCoreHeaderSize = 12;
constexpr std::uint32_t kDibFileHeaderSize = 14;
// "BM" read as a little-endian 16-bit number.
constexpr std::uint16_t kDibFileType = 0x4D42;

// Limits no splash picture reaches: at most 8192 pixels each way, at most 32 MiB of pixel
// data, at most 256 colour entries, an info header of at most 256 bytes.
constexpr std::int32_t kDibMaxDimension = 8192;
constexpr std::uint32_t kDibMaxImageBytes = 32u << 20;
constexpr std::uint32_t kDibMaxColors = 256;
constexpr std::uint32_t kDibMaxHeaderSize = 256;

// Compression codes of the info header that the reader takes.
constexpr std::uint32_t kDibUncompressed = 0; // BI_RGB
constexpr std::uint32_t kDibRle8 = 1;         // BI_RLE8, 8 bits per pixel only
constexpr std::uint32_t kDibRle4 = 2;         // BI_RLE4, 4 bits per pixel only

// Offsets of the info-header fields.
namespace DibField {
constexpr std::size_t kSize = 0;
constexpr std::size_t kWidth = 4;
constexpr std::size_t kHeight = 8;
constexpr std::size_t kPlanes = 12;
constexpr std::size_t kBitCount = 14;
constexpr std::size_t kCompression = 16;
constexpr std::size_t kSizeImage = 20;
constexpr std::size_t kClrUsed = 32;
// In the core header (12 bytes) the bit count sits at offset 10.
constexpr std::size_t kCoreBitCount = 10;
} // namespace DibField

// The number of colour-table entries of a DIB, from its info header (at least 12 readable
// bytes; 40 when the size field says 40): the colours-used field when not 0, otherwise by bits
// per pixel: 1 gives 2, 4 gives 16, 8 gives 256, anything else 0. For a core header (size 12)
// the bits per pixel at offset 10 decide, and colours used does not exist.
std::uint32_t DibColorCount(const std::uint8_t* header);

// One packed DIB: 40-byte info header, colour table (ColorCount() entries of 4 bytes: blue,
// green, red, reserved), then ImageSize() bytes of pixel rows. Made only by ReadDib, so its
// header always agrees with its size.
class CDibBlock {
public:
    const std::uint8_t* Data() const noexcept { return m_bytes.data(); }
    std::size_t Size() const noexcept { return m_bytes.size(); }

    std::int32_t Width() const noexcept;
    std::int32_t Height() const noexcept;
    std::uint16_t BitCount() const noexcept;
    std::uint32_t Compression() const noexcept;
    std::uint32_t ImageSize() const noexcept;
    std::uint32_t ColorCount() const noexcept { return DibColorCount(Data()); }

    const std::uint8_t* ColorTable() const noexcept { return Data() + kDibInfoHeaderSize; }
    const std::uint8_t* Bits() const noexcept { return ColorTable() + 4 * ColorCount(); }

private:
    friend class CDibReader;
    explicit CDibBlock(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    std::vector<std::uint8_t> m_bytes;
};

// The bytes of a bitmap file, read front to back with seeks.
class CDibSource {
public:
    virtual ~CDibSource() = default;
    // Reads up to `count` bytes into `buffer`; returns how many were read (0 at the end).
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    // Moves to `offset` from the start. False when that is past the end.
    virtual bool Seek(std::uint64_t offset) = 0;
    // The total number of bytes.
    virtual std::uint64_t Length() const = 0;
};

// A bitmap file held in memory (the buffer must outlive the source).
class CMemoryDibSource : public CDibSource {
public:
    CMemoryDibSource(const void* data, std::size_t size) noexcept
        : m_data(static_cast<const std::uint8_t*>(data)), m_size(size) {}
    std::size_t Read(void* buffer, std::size_t count) override;
    bool Seek(std::uint64_t offset) override;
    std::uint64_t Length() const override { return m_size; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_position = 0;
};

// Reads a bitmap file from its first byte into a packed DIB block. Returns none (and shows
// nothing) when the file is not a bitmap the program can draw: no "BM" type, a core or
// unknown header, width or height not in 1..8192, bits per pixel other than 1, 4, 8, 16, 24
// or 32, a compression other than none (or run-length coding at 8 and 4 bits with its size
// given), more than 256 colours, pixel data over 32 MiB, a pixel-data offset that points into
// the headers or the colour table, or a file that ends before the colour table or the pixel
// data are complete. Uncompressed pixel data always gets exactly
// the size of its padded rows, whatever the header's image-size field says, so the block
// holds every byte the platform reads from it. A longer info header is kept as its first 40
// bytes.
std::optional<CDibBlock> ReadDib(CDibSource& file);

// The text of DIB error `index` (0 to 21), shown by ShowDibError; "Undefined Error!" for any
// other index.
const char* DibErrorText(int index);
