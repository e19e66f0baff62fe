#include "archive/ArchiveWriter.h"

#include "archive/CompressingCodecs.h"
#include "errors/Exceptions.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::int64_t kHeader = static_cast<std::int64_t>(EntryHeader::kSize);
constexpr std::int64_t kMaxU32 = 0xFFFFFFFFLL;
constexpr std::size_t kCopyBuffer = 64 * 1024;
constexpr std::int32_t kStoredMethod = 2;

// A counted file that reports its read count at every block boundary.
class CProgressFile : public CVolumeFile {
public:
    explicit CProgressFile(std::function<void(std::int64_t)> report) : m_report(std::move(report)) {
        SetBlockSize(64 * 1024);
    }
    void OnBlockBoundary() override {
        if (m_report)
            m_report(GetCount(dirRead));
    }

private:
    std::function<void(std::int64_t)> m_report;
};

// Characters that no file name may carry on the systems that read the volumes.
bool UsableInFileName(unsigned char c) {
    return c >= 0x20 && c < 0x7F && std::strchr("<>:\"/\\|?*", c) == nullptr;
}

bool FileExists(const std::string& path) {
    std::FILE* probe = std::fopen(path.c_str(), "rb");
    if (probe == nullptr)
        return false;
    std::fclose(probe);
    return true;
}

// A spool name beside the archive that names no existing file (which the writer would
// otherwise truncate and then remove).
std::string UnusedSpoolPath(const std::string& archivePath) {
    std::string candidate = archivePath + ".spool";
    for (int n = 1; FileExists(candidate); ++n)
        candidate = archivePath + ".spool" + std::to_string(n);
    return candidate;
}

} // namespace

CArchiveWriter::CArchiveWriter(std::string firstVolumePath, std::int64_t volumeSize)
    : m_firstVolumePath(std::move(firstVolumePath)), m_volumeSize(volumeSize) {
    if (volumeSize != 0)
        CheckVolumeSize(volumeSize);
    if (volumeSize < 0)
        throw CArchiveWriterError("volume size must not be negative");
    if (CMultiFile::NextVolumeName(m_firstVolumePath).empty() && volumeSize != 0)
        throw CArchiveWriterError("'" + m_firstVolumePath + "' cannot name a volume series");
    OpenSpool();
}

CArchiveWriter::CArchiveWriter(std::string firstVolumePath, VolumeSizeFunction volumeSize)
    : m_firstVolumePath(std::move(firstVolumePath)), m_volumeSize(-1),
      m_volumeSizeOf(std::move(volumeSize)) {
    if (!m_volumeSizeOf)
        throw CArchiveWriterError("no volume sizes given");
    OpenSpool();
}

void CArchiveWriter::OpenSpool() {
    m_spoolPath = UnusedSpoolPath(m_firstVolumePath);
    try {
        m_spool.OpenForWriting(m_spoolPath);
    } catch (const CFileException& e) {
        // The spool is the writer's own business: the user gave the archive's name.
        throw CFileException(e.GetCause(), e.GetOsError(), m_firstVolumePath);
    }
}

void CArchiveWriter::CheckVolumeSize(std::int64_t volumeSize) const {
    if (volumeSize < kMinVolumeSize)
        throw CArchiveWriterError("volume size " + std::to_string(volumeSize) +
                                  " is too small: a volume must hold at least " +
                                  std::to_string(kMinVolumeSize) +
                                  " bytes (archive header, one entry header and one byte)");
}

// The room for members in volume index (without its archive header).
std::int64_t CArchiveWriter::VolumeCapacity(std::size_t index) const {
    std::int64_t size = m_volumeSizeOf ? m_volumeSizeOf(index) : m_volumeSize;
    CheckVolumeSize(size);
    return size - static_cast<std::int64_t>(MultiFileHeader::kSize);
}

CArchiveWriter::~CArchiveWriter() {
    m_spool.Abort();
    std::remove(m_spoolPath.c_str());
}

std::unique_ptr<CCodec> CArchiveWriter::CreateCodec(std::int32_t method) {
    return CreateCompressingCodecForMethod(method);
}

void CArchiveWriter::AddFile(const std::string& sourcePath, const ArchiveMemberOptions& options) {
    if (m_finished)
        throw CArchiveWriterError("the archive is already written");
    std::unique_ptr<CCodec> codec = CreateCodec(options.method);
    if (!codec)
        throw CArchiveWriterError("unknown compression method " + std::to_string(options.method));
    std::string storedName = options.storedName.empty() ? sourcePath : options.storedName;
    if (storedName.size() > EntryHeader::kNameSize - 1)
        throw CArchiveWriterError("stored name longer than " +
                                  std::to_string(EntryHeader::kNameSize - 1) +
                                  " characters: " + storedName);

    CMultiFileEntry entry;
    EntryHeader& header = entry.Header();
    header.SetName(sourcePath);
    entry.FillFromFile();
    header.SetName(storedName);
    header.method = options.method;
    header.methodParameter = options.methodParameter;
    header.destinationId = options.destinationId;

    const std::int64_t spoolBefore = m_spool.GetCount(CVolumeFile::dirWrite);
    CodeMember(sourcePath, *codec, header);
    if (options.storeWhenNotSmaller && header.method != kStoredMethod &&
        header.compressedSize >= header.expandedSize) {
        // Coding did not pay: write the member again over its own coded bytes, stored.
        m_spool.Seek(spoolBefore, CXFile::SeekFrom::begin);
        m_spool.SetCount(CVolumeFile::dirWrite, spoolBefore);
        header.method = kStoredMethod;
        header.methodParameter = 0;
        CodeMember(sourcePath, *CreateCodec(kStoredMethod), header);
    }
    m_members.push_back(header);
}

void CArchiveWriter::CodeMember(const std::string& sourcePath, CCodec& codec, EntryHeader& header) {
    std::uint64_t total = header.expandedSize;
    CProgressFile source([this, total](std::int64_t done) {
        if (m_progress)
            m_progress(static_cast<std::uint64_t>(done), total);
    });
    source.OpenForReading(sourcePath);
    std::int64_t spoolBefore = m_spool.GetCount(CVolumeFile::dirWrite);
    codec.Compress(source, m_spool);
    std::int64_t expanded = source.GetCount(CVolumeFile::dirRead);
    std::int64_t compressed = m_spool.GetCount(CVolumeFile::dirWrite) - spoolBefore;
    if (expanded > kMaxU32 || compressed > kMaxU32)
        throw CArchiveWriterError("'" + sourcePath + "' is too large for an archive member");
    // The sizes and checksum are of the bytes actually read, even if the file changed
    // since its status was taken.
    header.expandedSize = static_cast<std::uint32_t>(expanded);
    header.compressedSize = static_cast<std::uint32_t>(compressed);
    header.checksum = source.GetChecksum();
}

// Logical positions count entry headers and coded data back to back, without the volume
// headers. A volume may end at b only inside a member's coded data (e_i <= b < d_i, so the
// reader meets the volume end while it reads that member) and must take at least one
// byte. Each volume ends at the latest such point that fits.
std::vector<std::int64_t> CArchiveWriter::PlanVolumeEnds() const {
    std::vector<std::int64_t> dataStart, dataEnd;
    std::int64_t pos = 0;
    for (const EntryHeader& h : m_members) {
        dataStart.push_back(pos + kHeader);
        pos += kHeader + h.compressedSize;
        dataEnd.push_back(pos);
    }
    const std::int64_t total = pos;
    std::vector<std::int64_t> ends;
    if (m_volumeSize == 0) {
        ends.push_back(total);
        return ends;
    }
    std::int64_t start = 0;
    while (total - start > VolumeCapacity(ends.size())) {
        const std::int64_t capacity = VolumeCapacity(ends.size());
        std::int64_t limit = start + capacity;
        std::int64_t best = -1;
        for (std::size_t i = 0; i < m_members.size() && dataStart[i] <= limit; ++i) {
            if (dataEnd[i] == dataStart[i])
                continue;
            std::int64_t lo = std::max(dataStart[i], start + 1);
            std::int64_t hi = std::min(limit, dataEnd[i] - 1);
            if (lo <= hi)
                best = hi;
        }
        if (best < 0)
            throw CArchiveWriterError(
                "volume size " + std::to_string(capacity + MultiFileHeader::kSize) +
                " is too small for these members: a volume must end inside a member's coded "
                "data, and too many empty members follow each other here");
        ends.push_back(best);
        start = best;
    }
    ends.push_back(total);
    return ends;
}

std::string CArchiveWriter::VolumeName(std::size_t index) const {
    if (index >= VolumeNameCapacity(m_firstVolumePath))
        throw CArchiveWriterError(TooManyVolumesMessage(m_firstVolumePath, index + 1));
    std::string path = m_firstVolumePath;
    for (std::size_t i = 0; i < index; ++i) {
        std::string next = CMultiFile::NextVolumeName(path);
        path = path.substr(0, path.size() - next.size()) + next;
    }
    return path;
}

std::size_t CArchiveWriter::VolumeNameCapacity(const std::string& firstVolumePath) {
    std::string name = firstVolumePath;
    std::size_t count = 1;
    for (;;) {
        std::string next = CMultiFile::NextVolumeName(name);
        if (next.empty() || !UsableInFileName(static_cast<unsigned char>(next.back())))
            return count;
        name = next;
        ++count;
    }
}

std::string CArchiveWriter::TooManyVolumesMessage(const std::string& firstVolumePath,
                                                  std::size_t needed) {
    const std::size_t capacity = VolumeNameCapacity(firstVolumePath);
    std::string last = firstVolumePath;
    for (std::size_t i = 1; i < capacity; ++i) {
        std::string next = CMultiFile::NextVolumeName(last);
        last = last.substr(0, last.size() - next.size()) + next;
    }
    std::string message =
        "this set needs " + std::to_string(needed) + " volumes, but the names after '" +
        firstVolumePath + "' count up only to '" + last + "' (" + std::to_string(capacity) +
        (capacity == 1 ? " volume" : " volumes") + "): give a larger --volume-size";
    // A first name ending in a letter counts further than one ending in a digit.
    std::string better = firstVolumePath;
    if (!better.empty()) {
        better.back() = 'A';
        std::size_t betterCapacity = VolumeNameCapacity(better);
        if (betterCapacity > capacity)
            message += ", or name the first volume '" + better + "' (up to " +
                       std::to_string(betterCapacity) + " volumes)";
    }
    return message;
}

std::vector<std::string> CArchiveWriter::Finish() {
    if (m_finished)
        throw CArchiveWriterError("the archive is already written");
    m_finished = true;
    std::vector<std::int64_t> ends = PlanVolumeEnds();
    std::vector<std::string> names;
    for (std::size_t v = 0; v < ends.size(); ++v)
        names.push_back(VolumeName(v));

    // Continued: a volume ends inside the member's coded data.
    std::int64_t pos = 0;
    for (EntryHeader& h : m_members) {
        std::int64_t from = pos + kHeader, to = from + h.compressedSize;
        h.continued = 0;
        for (std::size_t v = 0; v + 1 < ends.size(); ++v) {
            if (ends[v] >= from && ends[v] < to)
                h.continued = 1;
        }
        pos = to;
    }

    m_spool.Close();
    CXFile spool;
    spool.OpenForReading(m_spoolPath);

    CXFile volume;
    std::size_t current = 0;
    std::int64_t logical = 0;
    const std::uint64_t total = static_cast<std::uint64_t>(ends.back());
    auto openVolume = [&](std::size_t index) {
        volume.Close();
        volume.OpenForWriting(names[index]);
        std::uint8_t header[MultiFileHeader::kSize] = {'m', 'f', 'l', 'h', 0, 0, 0, 0};
        volume.WritePlain(header, sizeof header);
    };
    // Writes bytes of the logical stream, moving to the next volume at each planned end.
    auto emit = [&](const std::uint8_t* bytes, std::int64_t n) {
        while (n > 0) {
            while (current + 1 < ends.size() && logical == ends[current])
                openVolume(++current);
            std::int64_t room = ends[current] - logical;
            std::int64_t part = std::min(n, room);
            volume.WritePlain(bytes, static_cast<std::size_t>(part));
            bytes += part;
            n -= part;
            logical += part;
        }
        if (m_progress)
            m_progress(static_cast<std::uint64_t>(logical), total);
    };

    openVolume(0);
    std::vector<std::uint8_t> buffer(kCopyBuffer);
    for (const EntryHeader& h : m_members) {
        std::uint8_t encoded[EntryHeader::kSize];
        h.Encode(encoded);
        emit(encoded, kHeader);
        std::int64_t left = h.compressedSize;
        while (left > 0) {
            std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(left, kCopyBuffer));
            spool.ReadExact(buffer.data(), want);
            emit(buffer.data(), static_cast<std::int64_t>(want));
            left -= static_cast<std::int64_t>(want);
        }
    }
    volume.Close();
    spool.Close();
    std::remove(m_spoolPath.c_str());
    return names;
}
