// The multi-file archive container: CMultiFile (the archive) and CMultiFileEntry (one member).
//
// An archive volume starts with the 8-byte archive header ("mflh" and 4 reserved bytes);
// members follow back to back, each a 346-byte entry header ("mfen" ...) and exactly as many
// coded bytes as its compressed size says. All integers are little-endian. A member whose
// coded data does not fit on one volume has its continued field set: the volume ends inside
// its coded data and the next volume (same name with the last character's code plus one)
// starts with its own archive header followed directly by the rest of the coded data.
//
// Reading never depends on the codec having consumed a member's coded data to the end: the
// archive remembers where (in counted bytes) the last member's coded data ends and passes
// over whatever is left before it reads the next entry header, across volumes if needed.
#pragma once

#include "archive/Codec.h"
#include "archive/VolumeFile.h"

#include <cstdint>
#include <memory>
#include <string>

// The 8-byte archive header at the start of every volume.
struct MultiFileHeader {
    static constexpr std::size_t kSize = 8;
    static constexpr char kMagic[4] = {'m', 'f', 'l', 'h'};
};

// The 346-byte entry header of one member, decoded into plain fields.
struct EntryHeader {
    static constexpr std::size_t kSize = 346;
    static constexpr std::size_t kNameSize = 260;
    static constexpr char kMagic[4] = {'m', 'f', 'e', 'n'};

    char magic[4] = {'m', 'f', 'e', 'n'}; // offset 0
    std::uint16_t formatValue = 1;        // 4; not interpreted by readers
    std::uint16_t headerSize = 346;       // 6; not interpreted by readers
    std::int32_t modifyTime = 0;          // 8; seconds since 1970-01-01 UTC
    std::uint8_t reserved1[4] = {};       // 12
    char name[kNameSize] = {};            // 16; NUL-terminated stored name
    std::uint32_t expandedSize = 0;       // 276
    std::uint32_t compressedSize = 0;     // 280; coded bytes after the header
    std::uint32_t checksum = 0;           // 284; CChecksum of the expanded data, 0 = none
    std::uint8_t reserved2[4] = {};       // 288
    std::int32_t method = 0;              // 292; 2 stored, 3 -lh5-, 4 zlib
    std::int32_t methodParameter = 0;     // 296; handed to the codec factory
    std::int16_t destinationId = 0;       // 300; -1 = not installed
    std::uint16_t attributes = 0;         // 302; low byte = file attribute byte
    std::uint16_t continued = 0;          // 304; nonzero = coded data goes on in next volume
    std::uint8_t reserved3[40] = {};      // 306

    void Encode(std::uint8_t (&out)[kSize]) const;
    void Decode(const std::uint8_t (&in)[kSize]);
    bool HasMagic() const;
    // The stored name up to its terminator (at most 259 characters).
    std::string GetName() const;
    // Stores at most 259 characters and a terminator; the rest of the field is zeroed.
    void SetName(const std::string& name);
};

class CMultiFile;

class CMultiFileEntry : public CVolumeFile {
public:
    CMultiFileEntry() = default;

    // Reads the next 346 bytes of the archive (uncounted) into the header. Returns 0 when
    // fewer came (end of the archive), else 346; throws CMultiFileException(3) when the
    // bytes are not an entry header.
    int ReadEntryHeader(CMultiFile& archive);

    void SetOutputPath(const std::string& path) { m_outputPath = path; }
    const std::string& GetOutputPath() const { return m_outputPath; }
    void SetSourceName(const std::string& name) { m_header.SetName(name); }

    // Takes modification time, length (as expanded size) and attribute byte from the file
    // the header's name field names; all three become 0 when it cannot be examined.
    void FillFromFile();
    // Gives the file at the output path the header's modification time and attribute byte.
    // Throws CFileException when the file's status cannot be read or changed.
    void ApplyFileStatus();

    EntryHeader& Header() { return m_header; }
    const EntryHeader& Header() const { return m_header; }
    // Logical position (headers and coded data, volume headers not counted) of the next
    // member's entry header; 0 until the first ReadNextEntry.
    std::int64_t GetNextHeaderOffset() const { return m_nextHeaderOffset; }
    void SetNextHeaderOffset(std::int64_t offset) { m_nextHeaderOffset = offset; }

private:
    std::int64_t m_nextHeaderOffset = 0;
    std::string m_outputPath;
    EntryHeader m_header;
};

class CMultiFile : public CVolumeFile {
public:
    static constexpr std::int32_t kBlockSize = 4096;

    CMultiFile();
    ~CMultiFile() override;

    // Opens the first volume and checks its archive header. Returns the first-entry offset
    // (8). Throws the open's CFileException, CFileException(14) for a header shorter than 8
    // bytes, CMultiFileException(2) for a wrong magic.
    std::int64_t OpenArchive(const std::string& path);
    // Reads and checks the 8-byte archive header at the current position (uncounted).
    int ReadArchiveHeader();

    // Reads the next member's header into entry. Returns 1 when a member was read, 0 at
    // the end of the archive. Whatever is left of the previous member's coded data (not
    // needed by its codec, or the member was not extracted) is passed over first, across
    // volumes when that member is continued; a truncated remainder raises CFileException
    // (14). With seek nonzero, on the first volume, an entry whose next-header offset points
    // elsewhere (e.g. a fresh entry, to read again from the first member) is sought to.
    int ReadNextEntry(CMultiFileEntry& entry, int seek = 0);

    // Expands the member whose header entry holds into entry's output path and verifies
    // its checksum. Throws: the output's open error; CMultiFileException(1) for an unknown
    // method; the codec's errors; CUserException when aborted; CMultiFileException(5) on a
    // checksum mismatch (the output is then complete and stamped).
    void Extract(CMultiFileEntry& entry);

    virtual std::unique_ptr<CMultiFileEntry> CreateEntry();
    // A codec for method 2, 3 or 4; null for any other method. The parameter is unused.
    virtual std::unique_ptr<CCodec> CreateCodec(std::int32_t method, std::int32_t parameter);

    // Sets the running codec's abort flag; does nothing when no codec runs. Does not close.
    void Abort() override;

    // Continues a member whose continued field is set into the next volume: finds it with
    // LocateVolume, reopens, checks its archive header and answers 0 (go on). Answers 1
    // (stop) when the member is not continued or no next volume is found.
    int OnVolumeEnd() override;

    // Where the volume named fileName (final component only) is; empty when it cannot be
    // found. Looks beside the current volume; a setup overrides it to ask for a diskette.
    virtual std::string LocateVolume(const std::string& fileName);

    // The next volume's file name: the final component of path with its last character's
    // code increased by one. Empty when there is none (empty name, or last code 0xFF).
    static std::string NextVolumeName(const std::string& path);

    std::int64_t GetFirstEntryOffset() const { return m_firstEntryOffset; }
    CCodec* GetCodec() const { return m_codec.get(); }
    CMultiFileEntry* GetCurrentEntry() const { return m_currentEntry; }

private:
    // Passes over the rest of the last member's coded data.
    void SkipToMemberEnd();

    std::unique_ptr<CCodec> m_codec;
    CMultiFileEntry* m_currentEntry = nullptr;
    std::int64_t m_firstEntryOffset = 0;
    // Read count at which the last member read's coded data ends, and whether that member
    // continues on the next volume (used by OnVolumeEnd while passing over it).
    std::int64_t m_memberEnd = 0;
    // The same end as a logical offset (the entries' next-header offset).
    std::int64_t m_memberEndOffset = 0;
    bool m_memberContinued = false;
    bool m_continuing = false;
    bool m_onFirstVolume = true;
};
