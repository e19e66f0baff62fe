// File versions: the four-part version number of a file's version resource, and
// CFileVersion, which loads that resource and compares two files by it.
//
// A version is four unsigned 16-bit parts, most significant first (4.0.1.120). They come from
// the fixed file information record at the root of the version resource: the high and low
// word of its most significant file-version double word (byte offset 8), then the high and
// low word of its least significant one (byte offset 12). Parts compare as numbers from the
// first; the first part that differs decides.
//
// The portable part (CVersionNumber, IsVersionNewer, ReadFixedFileVersion) works on plain
// values and bytes; CFileVersion reads the resource through the platform's version API and
// exists on Windows only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

struct CVersionNumber {
    std::array<std::uint16_t, 4> parts{}; // most significant first

    bool operator==(const CVersionNumber& other) const { return parts == other.parts; }
    bool operator!=(const CVersionNumber& other) const { return parts != other.parts; }
};

// True when a is strictly greater than b; equal versions give false.
bool IsVersionNewer(const CVersionNumber& a, const CVersionNumber& b);

// "4.0.1.120", for messages and test output.
std::string FormatVersion(const CVersionNumber& version);

// Size of the fixed file information record: 13 little-endian unsigned 32-bit fields.
constexpr std::size_t kFixedFileInfoSize = 52;
// The record's first field; anything else is not a fixed file information record.
constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BDu;

// Takes the file version out of a fixed file information record of length bytes. False (and
// version untouched) when the record is shorter than kFixedFileInfoSize or its signature is
// wrong, since its version fields would then be whatever bytes follow or happen to be there.
bool ReadFixedFileVersion(const void* record, std::size_t length, CVersionNumber& version);

#ifdef _WIN32
// One file's version resource. Load it once; the accessors then read its fixed block.
// A version resource whose root holds no complete fixed block (no value, a short one, a wrong
// signature) loads, but GetFixedInfo and GetFileVersion fail for it, and IsNewerThan gives
// false whenever either file's version cannot be read: nothing is known to be newer.
class CFileVersion {
public:
    CFileVersion() = default;
    virtual ~CFileVersion() = default;

    // Reads the whole version resource of fileName. True when the file has one and it was
    // read; otherwise the object holds no block. A second call replaces the first's block.
    bool Load(const std::string& fileName);
    // The root fixed block, copied into out. False when no block is loaded or its root holds
    // no complete fixed block (out is then untouched).
    bool GetFixedInfo(VS_FIXEDFILEINFO& out) const;
    // The version's parts; part3 and part4 only when asked for. False when GetFixedInfo fails;
    // the outputs are then not written.
    bool GetFileVersion(std::uint16_t& part1, std::uint16_t& part2, std::uint16_t* part3 = nullptr,
                        std::uint16_t* part4 = nullptr) const;
    bool GetFileVersion(CVersionNumber& version) const;
    // True when this file's version is strictly greater than other's; false when either
    // version cannot be read.
    bool IsNewerThan(const CFileVersion& other) const;

private:
    // The version resource as GetFileVersionInfoA returns it; empty when none is loaded.
    std::vector<unsigned char> m_block;
};
#endif
