// CArchiveWriter: builds a multi-file archive, in one volume or split into volumes of a
// given size.
//
// Members are added one at a time (AddFile): the source is coded with the chosen method into
// a spool file beside the archive, and its header gets the source's time and attributes, the
// checksum of the bytes read and the sizes. A member that its method would not make smaller
// is stored instead. Finish lays the members out and writes the
// volumes. With a volume size, every volume starts with its own archive header, an entry
// header never spans two volumes, and a volume ends only inside a member's coded data (that
// member's continued field is set): where the next entry header would not fit, the volume
// is ended early inside the previous member's data so the header starts the next volume.
// Volume names follow the reader's rule: the last character's code plus one.
#pragma once

#include "archive/Codec.h"
#include "archive/MultiFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A request the writer cannot carry out (volume size too small, a name that cannot be
// continued, a member too large for the format). Raised before anything is written where
// possible; the message says what is wrong.
class CArchiveWriterError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ArchiveMemberOptions {
    std::int32_t method = 4;
    std::int32_t methodParameter = 0;
    std::int16_t destinationId = 0;
    // Name stored in the entry header; empty = the source path as given.
    std::string storedName;
    // Store a member whose coded bytes would not be fewer than its own (method 2).
    bool storeWhenNotSmaller = true;
};

class CArchiveWriter {
public:
    // Smallest volume: archive header, one entry header and one coded byte.
    static constexpr std::int64_t kMinVolumeSize =
        static_cast<std::int64_t>(MultiFileHeader::kSize + EntryHeader::kSize + 1);

    // volumeSize 0 writes one volume of any length. Throws CArchiveWriterError for a volume
    // size below kMinVolumeSize or larger than the format's 32-bit sizes allow, and a
    // CFileException naming the archive when the spool file beside it cannot be created.
    explicit CArchiveWriter(std::string firstVolumePath, std::int64_t volumeSize = 0);
    // Volumes of different sizes: volumeSize(i) is the largest size of volume i (0 = the
    // first). Finish throws CArchiveWriterError when a volume it needs is smaller than
    // kMinVolumeSize.
    using VolumeSizeFunction = std::function<std::int64_t(std::size_t index)>;
    CArchiveWriter(std::string firstVolumePath, VolumeSizeFunction volumeSize);
    virtual ~CArchiveWriter();
    CArchiveWriter(const CArchiveWriter&) = delete;
    CArchiveWriter& operator=(const CArchiveWriter&) = delete;

    // Codes the file at sourcePath into the spool, falling back to method 2 when the coded
    // bytes would not be fewer than the file's (unless options.storeWhenNotSmaller is off). Throws
    // the source's CFileException, the codec's exceptions, CArchiveWriterError for an unknown
    // method, an over-long name or a source of 4 GiB or more.
    void AddFile(const std::string& sourcePath, const ArchiveMemberOptions& options);

    // Writes the volumes and removes the spool. Returns the volume paths in order.
    std::vector<std::string> Finish();

    // Called with the bytes done and the bytes in all while coding and while writing.
    void SetProgress(std::function<void(std::uint64_t done, std::uint64_t total)> progress) {
        m_progress = std::move(progress);
    }

    const std::vector<EntryHeader>& Headers() const { return m_members; }

    // How many volumes the members added so far need (1 without a volume size).
    std::size_t PlannedVolumeCount() const { return PlanVolumeEnds().size(); }

    // How many volume names can follow from firstVolumePath (itself included) before the
    // last character would count up to one that no file name may carry.
    static std::size_t VolumeNameCapacity(const std::string& firstVolumePath);
    // The message for a set of needed volumes that firstVolumePath cannot name, with a hint
    // that fits that name.
    static std::string TooManyVolumesMessage(const std::string& firstVolumePath,
                                             std::size_t needed);

protected:
    virtual std::unique_ptr<CCodec> CreateCodec(std::int32_t method);

private:
    std::vector<std::int64_t> PlanVolumeEnds() const;
    std::int64_t VolumeCapacity(std::size_t index) const;
    void CheckVolumeSize(std::int64_t volumeSize) const;
    void OpenSpool();
    void CodeMember(const std::string& sourcePath, CCodec& codec, EntryHeader& header);
    std::string VolumeName(std::size_t index) const;

    std::string m_firstVolumePath;
    std::int64_t m_volumeSize;
    VolumeSizeFunction m_volumeSizeOf;
    std::string m_spoolPath;
    CVolumeFile m_spool;
    std::vector<EntryHeader> m_members;
    std::function<void(std::uint64_t, std::uint64_t)> m_progress;
    bool m_finished = false;
};
