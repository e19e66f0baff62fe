#include "support/DibFile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace {

// The platform reads DIB files in pieces that a 16-bit count can hold.
constexpr std::size_t kReadPiece = 32767;

std::uint16_t ReadU16(const std::uint8_t* at) noexcept {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

std::uint32_t ReadU32(const std::uint8_t* at) noexcept {
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

std::int32_t ReadI32(const std::uint8_t* at) noexcept {
    const std::uint32_t value = ReadU32(at);
    std::int32_t result;
    std::memcpy(&result, &value, sizeof(result));
    return result;
}

void WriteU32(std::uint8_t* at, std::uint32_t value) noexcept {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t ColorsForBitCount(std::uint16_t bitCount) noexcept {
    switch (bitCount) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

bool IsKnownBitCount(std::uint16_t bitCount) noexcept {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
           bitCount == 32;
}

bool IsKnownCompression(std::uint32_t compression, std::uint16_t bitCount) noexcept {
    return compression == kDibUncompressed || (compression == kDibRle8 && bitCount == 8) ||
           (compression == kDibRle4 && bitCount == 4);
}

bool ReadExactly(CDibSource& file, std::uint8_t* buffer, std::size_t count) {
    return file.Read(buffer, count) == count;
}

constexpr const char* kDibErrorTexts[] = {
    "Not a Windows DIB file!",
    "Couldn't allocate memory!",
    "Error reading file!",
    "Error locking memory!",
    "Error opening file!",
    "Error creating palette!",
    "Error getting a DC!",
    "Error creating Device Dependent Bitmap",
    "StretchBlt() failed!",
    "StretchDIBits() failed!",
    "SetDIBitsToDevice() failed!",
    "Printer: StartDoc failed!",
    "Printing: GetModuleHandle() couldn't find GDI!",
    "Printer: SetAbortProc failed!",
    "Printer: StartPage failed!",
    "Printer: NEWFRAME failed!",
    "Printer: EndPage failed!",
    "Printer: EndDoc failed!",
    "SetDIBits() failed!",
    "File Not Found!",
    "Invalid Handle",
    "General Error on call to DIB function",
};

} // namespace

const char* DibErrorText(int index) {
    constexpr int count = static_cast<int>(sizeof(kDibErrorTexts) / sizeof(kDibErrorTexts[0]));
    return index >= 0 && index < count ? kDibErrorTexts[index] : "Undefined Error!";
}

std::uint32_t DibColorCount(const std::uint8_t* header) {
    if (ReadU32(header + DibField::kSize) == kDibCoreHeaderSize) {
        return ColorsForBitCount(ReadU16(header + DibField::kCoreBitCount));
    }
    const std::uint32_t used = ReadU32(header + DibField::kClrUsed);
    return used != 0 ? used : ColorsForBitCount(ReadU16(header + DibField::kBitCount));
}

std::int32_t CDibBlock::Width() const noexcept {
    return ReadI32(Data() + DibField::kWidth);
}

std::int32_t CDibBlock::Height() const noexcept {
    return ReadI32(Data() + DibField::kHeight);
}

std::uint16_t CDibBlock::BitCount() const noexcept {
    return ReadU16(Data() + DibField::kBitCount);
}

std::uint32_t CDibBlock::Compression() const noexcept {
    return ReadU32(Data() + DibField::kCompression);
}

std::uint32_t CDibBlock::ImageSize() const noexcept {
    return ReadU32(Data() + DibField::kSizeImage);
}

std::size_t CMemoryDibSource::Read(void* buffer, std::size_t count) {
    const std::size_t n = std::min(count, m_size - m_position);
    if (n != 0) {
        std::memcpy(buffer, m_data + m_position, n);
    }
    m_position += n;
    return n;
}

bool CMemoryDibSource::Seek(std::uint64_t offset) {
    if (offset > m_size) {
        return false;
    }
    m_position = static_cast<std::size_t>(offset);
    return true;
}

// The steps of reading one file; every check happens before the bytes it guards are
// allocated or read.
class CDibReader {
public:
    explicit CDibReader(CDibSource& file) : m_file(file) {}

    std::optional<CDibBlock> Read() {
        if (!ReadHeaders() || !CheckHeader() || !PlanLayout()) {
            return std::nullopt;
        }
        try {
            return ReadBlock();
        } catch (const std::bad_alloc&) {
            return std::nullopt;
        }
    }

private:
    bool ReadHeaders() {
        if (!ReadExactly(m_file, m_fileHeader.data(), m_fileHeader.size()) ||
            ReadU16(m_fileHeader.data()) != kDibFileType) {
            return false;
        }
        m_pixelOffset = ReadU32(m_fileHeader.data() + 10);
        return ReadExactly(m_file, m_info.data(), m_info.size());
    }

    bool CheckHeader() {
        m_headerSize = ReadU32(m_info.data() + DibField::kSize);
        m_width = ReadI32(m_info.data() + DibField::kWidth);
        m_height = ReadI32(m_info.data() + DibField::kHeight);
        m_bitCount = ReadU16(m_info.data() + DibField::kBitCount);
        m_compression = ReadU32(m_info.data() + DibField::kCompression);
        m_imageSize = ReadU32(m_info.data() + DibField::kSizeImage);
        m_colors = DibColorCount(m_info.data());
        // A core header (12 bytes) and anything shorter than the info header is refused.
        return m_headerSize >= kDibInfoHeaderSize && m_headerSize <= kDibMaxHeaderSize &&
               m_width > 0 && m_width <= kDibMaxDimension && m_height > 0 &&
               m_height <= kDibMaxDimension && IsKnownBitCount(m_bitCount) &&
               IsKnownCompression(m_compression, m_bitCount) && m_colors <= kDibMaxColors;
    }

    // Works out the pixel-data size and checks that the file holds the colour table and the
    // pixels before anything is allocated.
    bool PlanLayout() {
        if (m_compression == kDibUncompressed) {
            const std::uint64_t rowBytes =
                (static_cast<std::uint64_t>(m_width) * m_bitCount + 31) / 32 * 4;
            const std::uint64_t bytes = rowBytes * static_cast<std::uint64_t>(m_height);
            if (bytes > kDibMaxImageBytes) {
                return false;
            }
            m_imageSize = static_cast<std::uint32_t>(bytes);
        } else if (m_imageSize == 0 || m_imageSize > kDibMaxImageBytes) {
            // Run-length coded rows have no size of their own: the header must give it.
            return false;
        }
        m_colorTableOffset = kDibFileHeaderSize + static_cast<std::uint64_t>(m_headerSize);
        const std::uint64_t colorTableEnd = m_colorTableOffset + 4ull * m_colors;
        const std::uint64_t pixelStart = m_pixelOffset != 0 ? m_pixelOffset : colorTableEnd;
        // Pixels that would start inside the headers or the colour table: a damaged file.
        return pixelStart >= colorTableEnd && pixelStart <= m_file.Length() &&
               m_imageSize <= m_file.Length() - pixelStart;
    }

    std::optional<CDibBlock> ReadBlock() {
        std::vector<std::uint8_t> bytes(m_info.begin(), m_info.end());
        bytes.resize(kDibInfoHeaderSize + 4 * std::size_t{m_colors} + m_imageSize);
        WriteU32(bytes.data() + DibField::kSize, kDibInfoHeaderSize);
        WriteU32(bytes.data() + DibField::kSizeImage, m_imageSize);
        WriteU32(bytes.data() + DibField::kClrUsed, m_colors);
        std::uint8_t* colorTable = bytes.data() + kDibInfoHeaderSize;
        // Length() promised these bytes; a file that changes meanwhile still fails here.
        if (!m_file.Seek(m_colorTableOffset) || !ReadExactly(m_file, colorTable, 4 * m_colors) ||
            (m_pixelOffset != 0 && !m_file.Seek(m_pixelOffset)) ||
            !ReadPixels(colorTable + 4 * m_colors)) {
            return std::nullopt;
        }
        return CDibBlock(std::move(bytes));
    }

    bool ReadPixels(std::uint8_t* pixels) {
        for (std::size_t done = 0; done < m_imageSize;) {
            const std::size_t piece = std::min<std::size_t>(kReadPiece, m_imageSize - done);
            if (!ReadExactly(m_file, pixels + done, piece)) {
                return false;
            }
            done += piece;
        }
        return true;
    }

private:
    CDibSource& m_file;
    std::array<std::uint8_t, kDibFileHeaderSize> m_fileHeader{};
    std::array<std::uint8_t, kDibInfoHeaderSize> m_info{};
    std::uint32_t m_pixelOffset = 0;
    std::uint32_t m_headerSize = 0;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    std::uint16_t m_bitCount = 0;
    std::uint32_t m_compression = 0;
    std::uint32_t m_imageSize = 0;
    std::uint32_t m_colors = 0;
    std::uint64_t m_colorTableOffset = 0;
};

std::optional<CDibBlock> ReadDib(CDibSource& file) {
    return CDibReader(file).Read();
}
