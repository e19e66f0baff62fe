// CFatImage: a read-only view of a FAT12 or FAT16 file system held in memory (a diskette
// image, 360 KB to 2.88 MB, or any small FAT12/FAT16 volume).
//
// Layout: the boot sector's parameter block gives the geometry (bytes per sector, sectors per
// cluster, reserved sectors, number and size of the FATs, root directory entries, total
// sectors); after the reserved sectors come the FATs, then the fixed-size root directory, then
// the data area of clusters numbered from 2. The number of data clusters decides the FAT type:
// fewer than 4085 is FAT12 (12-bit entries, two per three bytes), fewer than 65525 FAT16. A
// directory is a list of 32-byte entries: an 8.3 name (blank-padded), attributes, the time and
// date of the last write, the first cluster and the size.
//
// Every failure is a CFatImageException with a message that says what is wrong: a parameter
// block that describes no usable volume, an image shorter than the volume it describes, a
// cluster number outside the volume, a chain that loops or is shorter than its file, two
// files sharing a cluster, a directory tree deeper than kMaxDepth. The reader never reads
// outside the image and never follows a chain longer than the volume has clusters.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class CFatImageException : public std::runtime_error {
public:
    explicit CFatImageException(const std::string& what) : std::runtime_error(what) {}
};

enum class FatType { fat12, fat16 };

// One directory entry (long-name parts, deleted entries, "." and ".." are never returned).
struct FatDirEntry {
    static constexpr std::uint8_t kReadOnly = 0x01;
    static constexpr std::uint8_t kHidden = 0x02;
    static constexpr std::uint8_t kSystem = 0x04;
    static constexpr std::uint8_t kVolumeLabel = 0x08;
    static constexpr std::uint8_t kDirectory = 0x10;
    static constexpr std::uint8_t kArchive = 0x20;

    std::string name; // "NAME.EXT", trailing blanks removed; "NAME" without extension
    std::string path; // from the root, '/'-separated: "SUB/NAME.EXT"
    std::uint8_t attributes = 0;
    std::uint16_t time = 0; // DOS time: hours << 11 | minutes << 5 | seconds / 2
    std::uint16_t date = 0; // DOS date: (year - 1980) << 9 | month << 5 | day
    std::uint32_t firstCluster = 0;
    std::uint32_t size = 0;

    bool IsDirectory() const { return (attributes & kDirectory) != 0; }
};

// Geometry from the boot sector's parameter block.
struct FatGeometry {
    std::uint32_t bytesPerSector = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t reservedSectors = 0;
    std::uint32_t fatCount = 0;
    std::uint32_t rootEntries = 0;
    std::uint32_t totalSectors = 0;
    std::uint32_t sectorsPerFat = 0;
    std::uint8_t media = 0;
    std::string bootLabel; // the extended block's volume label, blanks removed; may be empty

    std::uint32_t ClusterBytes() const { return bytesPerSector * sectorsPerCluster; }
    std::uint32_t FatOffset() const { return reservedSectors * bytesPerSector; }
    std::uint32_t RootOffset() const {
        return FatOffset() + fatCount * sectorsPerFat * bytesPerSector;
    }
    std::uint32_t RootBytes() const { return rootEntries * 32; }
    std::uint32_t DataOffset() const;
    std::uint32_t ClusterCount() const;
    std::uint64_t VolumeBytes() const { return std::uint64_t{totalSectors} * bytesPerSector; }
};

// Checks and decodes a boot sector (at least 512 bytes of the image). Throws
// CFatImageException when the parameter block describes no usable FAT12/FAT16 volume.
FatGeometry ReadFatGeometry(const std::uint8_t* image, std::size_t size);

class CFatImage {
public:
    // Subdirectories deeper than this are refused (a diskette needs a handful).
    static constexpr int kMaxDepth = 32;

    // Takes the image's bytes and checks its boot sector and FAT. Throws CFatImageException.
    explicit CFatImage(std::vector<std::uint8_t> bytes);
    // Reads the image file at path. Throws CFatImageException (also when it cannot be read).
    static CFatImage Load(const std::string& path);

    FatType Type() const { return m_type; }
    const FatGeometry& Geometry() const { return m_geometry; }
    // The root directory's volume label entry, else the boot sector's label ("NO NAME" and
    // blanks count as none); blanks at the end removed. Empty when there is none.
    std::string VolumeLabel() const;

    // Entries of the root directory, in directory order.
    std::vector<FatDirEntry> RootDirectory() const;
    // Entries of a subdirectory. Throws for a broken chain or a non-directory.
    std::vector<FatDirEntry> ReadDirectory(const FatDirEntry& directory) const;
    // Every file and directory of the volume, parents before children, after checking that
    // no cluster belongs to two of them and that no chain is broken. This is the full check.
    std::vector<FatDirEntry> ListAll() const;
    // The entry at path ("SUB/NAME.EXT", case-insensitive); throws when there is none.
    FatDirEntry Find(const std::string& path) const;
    // The file's contents. Throws when its chain is broken or shorter than its size.
    std::vector<std::uint8_t> ReadFile(const FatDirEntry& file) const;

private:
    std::uint32_t NextCluster(std::uint32_t cluster) const;
    bool IsEndOfChain(std::uint32_t value) const;
    // The clusters of the chain starting at first, at most maxClusters of them (enough for
    // the caller); checks every link.
    std::vector<std::uint32_t> Chain(std::uint32_t first, std::uint32_t maxClusters,
                                     const std::string& owner) const;
    std::vector<std::uint32_t> FileClusters(const FatDirEntry& file) const;
    std::vector<std::uint32_t> DirectoryClusters(const FatDirEntry& directory) const;
    // Appends the entries of one stretch of a directory; true when its end mark was met.
    bool ParseEntries(const std::uint8_t* data, std::size_t size, const std::string& parentPath,
                      std::vector<FatDirEntry>& entries) const;
    const std::uint8_t* ClusterData(std::uint32_t cluster) const;

    std::vector<std::uint8_t> m_bytes;
    FatGeometry m_geometry;
    FatType m_type = FatType::fat12;
    std::uint32_t m_clusterCount = 0;
};
