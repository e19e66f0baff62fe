#include "archive/MultiFile.h"

#include "archive/CodecFactory.h"
#include "errors/Exceptions.h"
#include "support/FilePath.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint16_t GetU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t GetU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool IsSeparator(char c) {
#ifdef _WIN32
    return c == '/' || c == '\\' || c == ':';
#else
    return c == '/';
#endif
}

// Index just after the last separator of path (0 when there is none).
std::size_t FinalComponentStart(const std::string& path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1]))
            return i;
    }
    return 0;
}

// Clears a flag however the enclosing step ends.
class FlagGuard {
public:
    FlagGuard(bool& flag, bool value) : m_flag(flag) { m_flag = value; }
    ~FlagGuard() { m_flag = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& m_flag;
};

} // namespace

// ---------------------------------------------------------------------------------------
// EntryHeader

void EntryHeader::Encode(std::uint8_t (&out)[kSize]) const {
    std::memset(out, 0, kSize);
    std::memcpy(out + 0, magic, 4);
    PutU16(out + 4, formatValue);
    PutU16(out + 6, headerSize);
    PutU32(out + 8, static_cast<std::uint32_t>(modifyTime));
    std::memcpy(out + 12, reserved1, 4);
    std::memcpy(out + 16, name, kNameSize);
    PutU32(out + 276, expandedSize);
    PutU32(out + 280, compressedSize);
    PutU32(out + 284, checksum);
    std::memcpy(out + 288, reserved2, 4);
    PutU32(out + 292, static_cast<std::uint32_t>(method));
    PutU32(out + 296, static_cast<std::uint32_t>(methodParameter));
    PutU16(out + 300, static_cast<std::uint16_t>(destinationId));
    PutU16(out + 302, attributes);
    PutU16(out + 304, continued);
    std::memcpy(out + 306, reserved3, 40);
}

void EntryHeader::Decode(const std::uint8_t (&in)[kSize]) {
    std::memcpy(magic, in + 0, 4);
    formatValue = GetU16(in + 4);
    headerSize = GetU16(in + 6);
    modifyTime = static_cast<std::int32_t>(GetU32(in + 8));
    std::memcpy(reserved1, in + 12, 4);
    std::memcpy(name, in + 16, kNameSize);
    expandedSize = GetU32(in + 276);
    compressedSize = GetU32(in + 280);
    checksum = GetU32(in + 284);
    std::memcpy(reserved2, in + 288, 4);
    method = static_cast<std::int32_t>(GetU32(in + 292));
    methodParameter = static_cast<std::int32_t>(GetU32(in + 296));
    destinationId = static_cast<std::int16_t>(GetU16(in + 300));
    attributes = GetU16(in + 302);
    continued = GetU16(in + 304);
    std::memcpy(reserved3, in + 306, 40);
}

bool EntryHeader::HasMagic() const {
    return std::memcmp(magic, kMagic, 4) == 0;
}

std::string EntryHeader::GetName() const {
    // A damaged header may lack the terminator: never read past the field.
    const char* end = static_cast<const char*>(std::memchr(name, 0, kNameSize - 1));
    return std::string(name, end != nullptr ? static_cast<std::size_t>(end - name) : kNameSize - 1);
}

void EntryHeader::SetName(const std::string& text) {
    std::memset(name, 0, kNameSize);
    std::memcpy(name, text.data(), std::min(text.size(), kNameSize - 1));
}

// ---------------------------------------------------------------------------------------
// CMultiFileEntry

int CMultiFileEntry::ReadEntryHeader(CMultiFile& archive) {
    std::uint8_t bytes[EntryHeader::kSize];
    if (archive.ReadRaw(bytes, sizeof bytes) < sizeof bytes)
        return 0;
    EntryHeader header;
    header.Decode(bytes);
    if (!header.HasMagic())
        throw CMultiFileException(CMultiFileException::kMissingEntryHeader);
    m_header = header;
    return static_cast<int>(EntryHeader::kSize);
}

void CMultiFileEntry::FillFromFile() {
    CFileStatusInfo status;
    CFilePath(m_header.GetName()).FillFromFile(status);
    m_header.modifyTime = static_cast<std::int32_t>(status.modifyTime);
    m_header.expandedSize = status.size;
    m_header.attributes = status.attributes;
}

void CMultiFileEntry::ApplyFileStatus() {
    CFileStatusInfo status;
    status.modifyTime = m_header.modifyTime;
    status.attributes = static_cast<std::uint8_t>(m_header.attributes & 0xFF);
    CFilePath(m_outputPath).ApplyFileStatus(status);
}

// ---------------------------------------------------------------------------------------
// CMultiFile

CMultiFile::CMultiFile() {
    SetBlockSize(kBlockSize);
}

CMultiFile::~CMultiFile() = default;

std::int64_t CMultiFile::OpenArchive(const std::string& path) {
    OpenForReading(path);
    ReadArchiveHeader();
    m_firstEntryOffset = GetPosition();
    m_memberEnd = GetCount(dirRead);
    m_memberEndOffset = m_firstEntryOffset;
    m_memberContinued = false;
    m_onFirstVolume = true;
    return m_firstEntryOffset;
}

int CMultiFile::ReadArchiveHeader() {
    std::uint8_t bytes[MultiFileHeader::kSize];
    if (ReadRaw(bytes, sizeof bytes) < sizeof bytes)
        throw CFileException(CFileException::kEndOfFile, 0, GetFileName());
    if (std::memcmp(bytes, MultiFileHeader::kMagic, 4) != 0)
        throw CMultiFileException(CMultiFileException::kNotAnArchive);
    return static_cast<int>(MultiFileHeader::kSize);
}

void CMultiFile::SkipToMemberEnd() {
    std::int64_t left = m_memberEnd - GetCount(dirRead);
    if (left <= 0)
        return;
    FlagGuard continuing(m_continuing, m_memberContinued);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::int64_t>(left, 16384)));
    while (left > 0) {
        std::size_t want = static_cast<std::size_t>(
            std::min<std::int64_t>(left, static_cast<std::int64_t>(buffer.size())));
        std::size_t got = Read(buffer.data(), want);
        left -= static_cast<std::int64_t>(got);
        if (got < want)
            throw CFileException(CFileException::kEndOfFile, 0, GetFileName());
    }
}

int CMultiFile::ReadNextEntry(CMultiFileEntry& entry, int seek) {
    if (entry.GetNextHeaderOffset() == 0)
        entry.SetNextHeaderOffset(m_firstEntryOffset);
    // Seeking is only needed (and only possible) to go somewhere other than the end of the
    // member just read, and only on the first volume: the counts of a later volume do not
    // include header bytes, so an offset cannot be turned into a position there.
    if (seek != 0 && m_onFirstVolume && entry.GetNextHeaderOffset() != m_memberEndOffset) {
        Seek(entry.GetNextHeaderOffset(), SeekFrom::begin);
        m_memberEnd = GetCount(dirRead);
    } else {
        SkipToMemberEnd();
    }
    if (entry.ReadEntryHeader(*this) == 0) {
        m_memberEnd = GetCount(dirRead);
        return 0;
    }
    const EntryHeader& header = entry.Header();
    entry.SetNextHeaderOffset(entry.GetNextHeaderOffset() +
                              static_cast<std::int64_t>(EntryHeader::kSize) +
                              header.compressedSize);
    m_memberEnd = GetCount(dirRead) + header.compressedSize;
    m_memberEndOffset = entry.GetNextHeaderOffset();
    m_memberContinued = header.continued != 0;
    return 1;
}

void CMultiFile::Extract(CMultiFileEntry& entry) {
    entry.OpenForWriting(entry.GetOutputPath());
    entry.SetCount(dirWrite, 0);
    entry.ResetChecksum();
    const EntryHeader& header = entry.Header();
    m_codec = CreateCodec(header.method, header.methodParameter);
    if (!m_codec)
        throw CMultiFileException(CMultiFileException::kUnknownMethod);

    m_currentEntry = &entry;
    bool aborted = false;
    try {
        m_codec->Expand(*this, entry, header.compressedSize, header.expandedSize);
        aborted = m_codec->IsAborted();
    } catch (...) {
        m_currentEntry = nullptr;
        m_codec.reset();
        throw;
    }
    m_currentEntry = nullptr;
    m_codec.reset();

    entry.Close();
    entry.ApplyFileStatus();
    if (aborted)
        throw CUserException();
    if (header.checksum != 0 && header.checksum != entry.GetChecksum())
        throw CMultiFileException(CMultiFileException::kChecksumMismatch);
}

std::unique_ptr<CMultiFileEntry> CMultiFile::CreateEntry() {
    auto entry = std::make_unique<CMultiFileEntry>();
    entry->SetNextHeaderOffset(m_firstEntryOffset);
    return entry;
}

void CMultiFile::Abort() {
    if (m_codec)
        m_codec->Abort();
}

int CMultiFile::OnVolumeEnd() {
    bool continued =
        m_currentEntry != nullptr ? m_currentEntry->Header().continued != 0 : m_continuing;
    if (!continued)
        return 1;
    std::string name = NextVolumeName(GetPath());
    if (name.empty())
        return 1;
    std::string path = LocateVolume(name);
    if (path.empty())
        return 1;
    ReopenForReading(path);
    ReadArchiveHeader();
    m_onFirstVolume = false;
    return 0;
}

std::string CMultiFile::LocateVolume(const std::string& fileName) {
    const std::string& current = GetPath();
    std::string path = current.substr(0, FinalComponentStart(current)) + fileName;
    std::FILE* probe = std::fopen(path.c_str(), "rb");
    if (probe == nullptr)
        return std::string();
    std::fclose(probe);
    return path;
}

std::string CMultiFile::NextVolumeName(const std::string& path) {
    std::string name = path.substr(FinalComponentStart(path));
    if (name.empty() || static_cast<unsigned char>(name.back()) == 0xFF)
        return std::string();
    name.back() = static_cast<char>(static_cast<unsigned char>(name.back()) + 1);
    return name;
}

std::unique_ptr<CCodec> CMultiFile::CreateCodec(std::int32_t method, std::int32_t /*parameter*/) {
    return CreateCodecForMethod(method);
}
