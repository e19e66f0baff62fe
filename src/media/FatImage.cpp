#include "media/FatImage.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <set>

namespace {

constexpr std::size_t kBootSectorSize = 512;
constexpr std::size_t kEntrySize = 32;
constexpr std::uint32_t kFat12Limit = 4085;  // fewer data clusters than this: FAT12
constexpr std::uint32_t kFat16Limit = 65525; // fewer than this: FAT16, else FAT32
constexpr std::uint64_t kMaxImageBytes = 256ull * 1024 * 1024;
constexpr std::uint8_t kLongNameAttributes = 0x0F;
constexpr std::uint8_t kDeletedMark = 0xE5;
constexpr std::uint8_t kEscapedE5 = 0x05; // a name starting with the byte E5 is stored as 05

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool IsPowerOfTwo(std::uint32_t n) {
    return n != 0 && (n & (n - 1)) == 0;
}

[[noreturn]] void Fail(const std::string& what) {
    throw CFatImageException(what);
}

std::string TrimBlanks(std::string text) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The "NAME.EXT" form of an entry's 11 name bytes.
std::string ShortName(const std::uint8_t* entry) {
    std::string base(reinterpret_cast<const char*>(entry), 8);
    if (static_cast<std::uint8_t>(base[0]) == kEscapedE5)
        base[0] = static_cast<char>(kDeletedMark);
    const std::string ext = TrimBlanks(std::string(reinterpret_cast<const char*>(entry + 8), 3));
    base = TrimBlanks(base);
    return ext.empty() ? base : base + "." + ext;
}

// Names that no FAT driver writes and that would be dangerous to hand on as file names.
bool IsAcceptableName(const std::string& name) {
    if (name.empty() || name[0] == '.' || name.back() == '.')
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' ||
               c == '<' || c == '>' || c == '|';
    });
}

std::uint32_t ClusterCountOf(const FatGeometry& g) {
    const std::uint64_t dataSectors = g.totalSectors - g.DataOffset() / g.bytesPerSector;
    return static_cast<std::uint32_t>(dataSectors / g.sectorsPerCluster);
}

void CheckFatSize(const FatGeometry& g, std::uint32_t clusters) {
    const std::uint64_t entries = std::uint64_t{clusters} + 2;
    const std::uint64_t needed = clusters < kFat12Limit ? (entries * 3 + 1) / 2 : entries * 2;
    if (std::uint64_t{g.sectorsPerFat} * g.bytesPerSector < needed)
        Fail("the FAT (" + std::to_string(g.sectorsPerFat) + " sectors) is too small for " +
             std::to_string(clusters) + " clusters");
}

// Two entries of one directory with the same name (FAT names ignore case) would make the
// directory ambiguous: which one a lookup or an unpacked copy gets would be an accident.
void CheckUniqueNames(const std::vector<FatDirEntry>& entries) {
    std::set<std::string> seen;
    for (const FatDirEntry& entry : entries)
        if (!seen.insert(Upper(entry.name)).second)
            Fail(entry.path + ": two entries of one directory have this name");
}

} // namespace

std::uint32_t FatGeometry::DataOffset() const {
    const std::uint32_t rootSectors = (RootBytes() + bytesPerSector - 1) / bytesPerSector;
    return RootOffset() + rootSectors * bytesPerSector;
}

std::uint32_t FatGeometry::ClusterCount() const {
    return ClusterCountOf(*this);
}

FatGeometry ReadFatGeometry(const std::uint8_t* image, std::size_t size) {
    if (size < kBootSectorSize)
        Fail("too short for a boot sector (" + std::to_string(size) + " bytes)");
    FatGeometry g;
    g.bytesPerSector = Le16(image + 11);
    g.sectorsPerCluster = image[13];
    g.reservedSectors = Le16(image + 14);
    g.fatCount = image[16];
    g.rootEntries = Le16(image + 17);
    g.totalSectors = Le16(image + 19) != 0 ? Le16(image + 19) : Le32(image + 32);
    g.media = image[21];
    g.sectorsPerFat = Le16(image + 22);
    if (image[38] == 0x29)
        g.bootLabel = TrimBlanks(std::string(reinterpret_cast<const char*>(image + 43), 11));

    if (!IsPowerOfTwo(g.bytesPerSector) || g.bytesPerSector < 128 || g.bytesPerSector > 4096)
        Fail("not a FAT boot sector (bytes per sector " + std::to_string(g.bytesPerSector) + ")");
    if (!IsPowerOfTwo(g.sectorsPerCluster))
        Fail("not a FAT boot sector (sectors per cluster " + std::to_string(g.sectorsPerCluster) +
             ")");
    if (g.reservedSectors == 0 || g.fatCount == 0 || g.rootEntries == 0)
        Fail("not a FAT boot sector (no reserved sectors, FATs or root directory)");
    if (g.sectorsPerFat == 0)
        Fail("not a FAT12 or FAT16 volume (FAT32 or no FAT size)");
    const std::uint64_t metaSectors =
        g.reservedSectors + std::uint64_t{g.fatCount} * g.sectorsPerFat +
        (std::uint64_t{g.rootEntries} * kEntrySize + g.bytesPerSector - 1) / g.bytesPerSector;
    if (metaSectors + g.sectorsPerCluster > g.totalSectors)
        Fail("the boot sector describes no data area (" + std::to_string(g.totalSectors) +
             " sectors in all)");
    if (g.VolumeBytes() > kMaxImageBytes)
        Fail("the boot sector describes a volume larger than FAT12/FAT16 images");
    const std::uint32_t clusters = ClusterCountOf(g);
    if (clusters >= kFat16Limit)
        Fail("a FAT32 volume (" + std::to_string(clusters) +
             " clusters); only FAT12 and FAT16 "
             "are read");
    CheckFatSize(g, clusters);
    return g;
}

CFatImage::CFatImage(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {
    m_geometry = ReadFatGeometry(m_bytes.data(), m_bytes.size());
    if (m_bytes.size() < m_geometry.VolumeBytes())
        Fail("the image is truncated: " + std::to_string(m_bytes.size()) +
             " bytes, its boot sector describes " + std::to_string(m_geometry.VolumeBytes()));
    m_clusterCount = m_geometry.ClusterCount();
    m_type = m_clusterCount < kFat12Limit ? FatType::fat12 : FatType::fat16;
}

CFatImage CFatImage::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        Fail("cannot be opened");
    in.seekg(0, std::ios::end);
    const auto length = static_cast<std::uint64_t>(in.tellg());
    if (length > kMaxImageBytes)
        Fail("is larger than a FAT12/FAT16 image can be");
    in.seekg(0, std::ios::beg);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    if (!bytes.empty() &&
        !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length)))
        Fail("cannot be read");
    return CFatImage(std::move(bytes));
}

std::string CFatImage::VolumeLabel() const {
    const std::uint8_t* root = m_bytes.data() + m_geometry.RootOffset();
    for (std::uint32_t i = 0; i < m_geometry.rootEntries; ++i) {
        const std::uint8_t* entry = root + i * kEntrySize;
        if (entry[0] == 0)
            break;
        const std::uint8_t attributes = entry[11];
        if (entry[0] != kDeletedMark && attributes != kLongNameAttributes &&
            (attributes & FatDirEntry::kVolumeLabel) != 0)
            return TrimBlanks(std::string(reinterpret_cast<const char*>(entry), 11));
    }
    return m_geometry.bootLabel == "NO NAME" ? std::string() : m_geometry.bootLabel;
}

bool CFatImage::IsEndOfChain(std::uint32_t value) const {
    return value >= (m_type == FatType::fat12 ? 0xFF8u : 0xFFF8u);
}

std::uint32_t CFatImage::NextCluster(std::uint32_t cluster) const {
    const std::uint8_t* fat = m_bytes.data() + m_geometry.FatOffset();
    if (m_type == FatType::fat16)
        return Le16(fat + std::size_t{cluster} * 2);
    const std::uint16_t pair = Le16(fat + cluster + cluster / 2);
    return (cluster & 1) != 0 ? pair >> 4 : pair & 0xFFFu;
}

std::vector<std::uint32_t> CFatImage::Chain(std::uint32_t first, std::uint32_t maxClusters,
                                            const std::string& owner) const {
    std::vector<std::uint32_t> chain;
    std::vector<bool> seen(std::size_t{m_clusterCount} + 2, false);
    const std::uint32_t badMark = m_type == FatType::fat12 ? 0xFF7u : 0xFFF7u;
    std::uint32_t cluster = first;
    while (chain.size() < maxClusters) {
        if (cluster < 2 || cluster >= m_clusterCount + 2)
            Fail(owner + ": cluster " + std::to_string(cluster) + " is outside the volume");
        if (seen[cluster])
            Fail(owner + ": its cluster chain loops at cluster " + std::to_string(cluster));
        seen[cluster] = true;
        chain.push_back(cluster);
        const std::uint32_t next = NextCluster(cluster);
        if (IsEndOfChain(next))
            break;
        if (next == badMark)
            Fail(owner + ": its cluster chain runs into a bad cluster");
        if (next == 0)
            Fail(owner + ": its cluster chain runs into a free cluster");
        cluster = next;
    }
    return chain;
}

std::vector<std::uint32_t> CFatImage::FileClusters(const FatDirEntry& file) const {
    const std::uint32_t clusterBytes = m_geometry.ClusterBytes();
    const std::uint64_t needed = (std::uint64_t{file.size} + clusterBytes - 1) / clusterBytes;
    if (needed == 0)
        return {};
    if (needed > m_clusterCount)
        Fail(file.path + ": its size (" + std::to_string(file.size) +
             " bytes) is larger than the volume");
    std::vector<std::uint32_t> chain =
        Chain(file.firstCluster, static_cast<std::uint32_t>(needed), file.path);
    if (chain.size() < needed)
        Fail(file.path + ": its cluster chain is shorter than its size (" +
             std::to_string(file.size) + " bytes)");
    return chain;
}

std::vector<std::uint32_t> CFatImage::DirectoryClusters(const FatDirEntry& directory) const {
    if (!directory.IsDirectory())
        Fail(directory.path + ": not a directory");
    return Chain(directory.firstCluster, m_clusterCount, directory.path);
}

const std::uint8_t* CFatImage::ClusterData(std::uint32_t cluster) const {
    return m_bytes.data() + m_geometry.DataOffset() +
           std::size_t{cluster - 2} * m_geometry.ClusterBytes();
}

bool CFatImage::ParseEntries(const std::uint8_t* data, std::size_t size,
                             const std::string& parentPath,
                             std::vector<FatDirEntry>& entries) const {
    for (std::size_t offset = 0; offset + kEntrySize <= size; offset += kEntrySize) {
        const std::uint8_t* raw = data + offset;
        if (raw[0] == 0)
            return true;
        const std::uint8_t attributes = raw[11];
        if (raw[0] == kDeletedMark || attributes == kLongNameAttributes ||
            (attributes & FatDirEntry::kVolumeLabel) != 0)
            continue;
        FatDirEntry entry;
        entry.name = ShortName(raw);
        if (entry.name == "." || entry.name == "..")
            continue;
        entry.path = parentPath.empty() ? entry.name : parentPath + "/" + entry.name;
        if (!IsAcceptableName(entry.name))
            Fail(entry.path + ": a directory entry with an invalid name");
        entry.attributes = attributes;
        entry.time = Le16(raw + 22);
        entry.date = Le16(raw + 24);
        entry.firstCluster = Le16(raw + 26);
        entry.size = Le32(raw + 28);
        entries.push_back(entry);
    }
    return false;
}

std::vector<FatDirEntry> CFatImage::RootDirectory() const {
    std::vector<FatDirEntry> entries;
    ParseEntries(m_bytes.data() + m_geometry.RootOffset(), m_geometry.RootBytes(), "", entries);
    CheckUniqueNames(entries);
    return entries;
}

std::vector<FatDirEntry> CFatImage::ReadDirectory(const FatDirEntry& directory) const {
    std::vector<FatDirEntry> entries;
    for (std::uint32_t cluster : DirectoryClusters(directory))
        if (ParseEntries(ClusterData(cluster), m_geometry.ClusterBytes(), directory.path, entries))
            break; // an entry starting with 0 ends the directory
    CheckUniqueNames(entries);
    return entries;
}

std::vector<FatDirEntry> CFatImage::ListAll() const {
    // owner[c] = 1 + index of the entry whose chain holds cluster c, 0 = none yet.
    std::vector<std::size_t> owner(std::size_t{m_clusterCount} + 2, 0);
    std::vector<FatDirEntry> all;
    std::vector<std::pair<std::size_t, int>> pending; // directories to read, with their depth
    auto claim = [&](std::size_t index) {
        const FatDirEntry& entry = all[index];
        const std::vector<std::uint32_t> clusters =
            entry.IsDirectory() ? DirectoryClusters(entry) : FileClusters(entry);
        for (std::uint32_t c : clusters) {
            if (owner[c] != 0)
                Fail(entry.path + " and " + all[owner[c] - 1].path + " share cluster " +
                     std::to_string(c));
            owner[c] = index + 1;
        }
    };
    auto add = [&](const std::vector<FatDirEntry>& entries, int depth) {
        for (const FatDirEntry& entry : entries) {
            all.push_back(entry);
            claim(all.size() - 1);
            if (entry.IsDirectory())
                pending.emplace_back(all.size() - 1, depth + 1);
        }
    };
    add(RootDirectory(), 0);
    for (std::size_t next = 0; next < pending.size(); ++next) {
        const auto [index, depth] = pending[next];
        if (depth > kMaxDepth)
            Fail(all[index].path + ": directories nested deeper than " + std::to_string(kMaxDepth));
        add(ReadDirectory(all[index]), depth);
    }
    return all;
}

FatDirEntry CFatImage::Find(const std::string& path) const {
    std::vector<FatDirEntry> entries = RootDirectory();
    std::size_t start = 0;
    for (int depth = 0; depth <= kMaxDepth; ++depth) {
        const std::size_t slash = path.find('/', start);
        const std::string part = Upper(path.substr(start, slash - start));
        auto it = std::find_if(entries.begin(), entries.end(),
                               [&](const FatDirEntry& e) { return Upper(e.name) == part; });
        if (it == entries.end())
            break;
        if (slash == std::string::npos)
            return *it;
        if (!it->IsDirectory())
            break;
        entries = ReadDirectory(*it);
        start = slash + 1;
    }
    Fail(path + ": no such file on the image");
}

std::vector<std::uint8_t> CFatImage::ReadFile(const FatDirEntry& file) const {
    if (file.IsDirectory())
        Fail(file.path + ": a directory, not a file");
    std::vector<std::uint8_t> contents;
    contents.reserve(file.size);
    const std::uint32_t clusterBytes = m_geometry.ClusterBytes();
    for (std::uint32_t cluster : FileClusters(file)) {
        const std::size_t n = std::min<std::size_t>(clusterBytes, file.size - contents.size());
        const std::uint8_t* data = ClusterData(cluster);
        contents.insert(contents.end(), data, data + n);
    }
    return contents;
}
