// Writing 1.44 MB diskette images: a FAT12 volume (512-byte sectors, one sector per cluster,
// two FATs of 9 sectors, 224 root entries, 2880 sectors, media byte F0) holding the files of
// one diskette in its root directory, with a volume label in the boot sector and as the
// first root entry. Files are laid out contiguously in the order given; the image is the
// same for the same input (the serial number is derived from the label and the files).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FatImageFile {
    std::string name; // an 8.3 name; lower case is stored in upper case
    std::vector<std::uint8_t> contents;
    std::int64_t modifyTime = 0;    // seconds since 1970-01-01 UTC, stored as UTC
    std::uint8_t attributes = 0x20; // archive
};

// Bytes of a 1.44 MB image.
constexpr std::size_t kDisketteImageBytes = 1474560;
// Bytes available for files on it (2847 clusters of 512 bytes).
constexpr std::size_t kDisketteDataBytes = 2847 * 512;

// A volume label made from any text: upper case, at most 11 characters, characters that a
// label cannot hold replaced by '_'. Empty text gives an empty label (the image has none).
std::string ToVolumeLabel(const std::string& text);

// The name as the directory stores it (upper case), or an empty string when it is not a
// valid 8.3 name (1 to 8 characters, optionally a dot and 1 to 3 more, no blanks or
// characters that FAT names cannot hold).
std::string ToShortFileName(const std::string& name);

// DOS date and time (UTC) of a time in seconds since 1970; clamped to 1980-01-01 ... 2107.
void ToDosDateTime(std::int64_t seconds, std::uint16_t& date, std::uint16_t& time);
// The inverse: seconds since 1970 of a DOS date and time read as UTC (diskettes carry no
// time zone). Out-of-range fields (month 0 or 13, day 0) are taken as they count.
std::int64_t FromDosDateTime(std::uint16_t date, std::uint16_t time);

// The image of one diskette. Throws CFatImageException (FatImage.h) when a name is not a
// valid 8.3 name, two names are the same, there are more files than the root directory
// holds (223 beside the label), or the files do not fit.
std::vector<std::uint8_t> BuildDisketteImage(const std::string& volumeLabel,
                                             const std::vector<FatImageFile>& files);

// Builds the image and writes it to path. Throws CFatImageException, also when the file
// cannot be written.
void WriteDisketteImage(const std::string& path, const std::string& volumeLabel,
                        const std::vector<FatImageFile>& files);
