// CVolumeFile: the counted file under all archive reading and member writing.
//
// Besides the plain file it keeps, per direction (0 = read, 1 = write), the number of bytes
// that passed through the counted Read and Write, an optional byte limit, an optional block
// size with a hook at every block boundary (progress display and cancellation), a hook at the
// end of a volume (continuing a member on the next volume) and a running checksum of every
// byte read or written through the counted operations. Counts survive closing and reopening,
// so a member that continues on the next volume is counted as one stream.
#pragma once

#include "archive/Checksum.h"
#include "archive/XFile.h"

#include <cstdint>

class CVolumeFile : public CXFile {
public:
    enum Direction { dirRead = 0, dirWrite = 1 };
    // Byte limit that never acts.
    static constexpr std::int64_t kNoLimit = INT64_MAX;
    // What "remaining in block" answers when there are no blocks.
    static constexpr std::int64_t kNoBlock = 2147483647;

    CVolumeFile() = default;

    // Sets both volume bases to 0, then opens; the counts stay.
    bool Open(const std::string& path, unsigned flags, CFileException* error = nullptr) override;

    // Remembers the counts, opens the path for reading (OpenForReading) and makes the
    // remembered counts the volume bases.
    virtual void ReopenForReading(const std::string& path);

    // Counted read: cut at block boundaries and at the limit, calls OnBlockBoundary when the
    // read count reaches a multiple of the block size, asks OnVolumeEnd at the limit and after
    // a short read, and feeds what it delivers to the checksum. Returns the bytes delivered;
    // fewer than n only when OnVolumeEnd asked to stop. A read error raises CFileException 1.
    virtual std::size_t Read(void* buffer, std::size_t n);
    // Counted write: feeds the checksum first, then writes all n bytes, calling OnVolumeEnd
    // whenever the write count reaches the limit. A short write raises CFileException 1; a
    // write that finds the limit reached and not raised by OnVolumeEnd raises cause 13
    // (disk full) instead of looping forever.
    virtual void Write(const void* buffer, std::size_t n);

    // Uncounted: no counts, no limit, no hooks, no checksum.
    virtual std::size_t ReadRaw(void* buffer, std::size_t n) { return ReadPlain(buffer, n); }
    virtual void WriteRaw(const void* buffer, std::size_t n) { WritePlain(buffer, n); }

    // Runs whenever the counted read count reaches a multiple of the block size.
    virtual void OnBlockBoundary() {}
    // Runs after a short counted read and when a count reaches the limit. Nonzero stops the
    // current read; 0 means more data was made available (e.g. the next volume was opened)
    // and the read goes on. For writes the answer is not used.
    virtual int OnVolumeEnd() { return 1; }

    std::int64_t GetCount(int direction) const;
    std::int64_t GetVolumeBase(int direction) const;
    void SetCount(int direction, std::int64_t count);
    // limit - count, or 0 when that is not positive.
    std::int64_t RemainingToLimit(int direction) const;
    // block size - (count mod block size), or kNoBlock when the block size is 0.
    std::int64_t RemainingInBlock(int direction) const;

    std::int32_t GetBlockSize() const { return m_blockSize; }
    void SetBlockSize(std::int32_t size) { m_blockSize = size > 0 ? size : 0; }
    std::int64_t GetLimit() const { return m_limit; }
    void SetLimit(std::int64_t limit) { m_limit = limit; }

    std::uint32_t GetChecksum() const { return m_checksum.GetValue(); }
    void ResetChecksum() { m_checksum.Reset(); }

private:
    static bool ValidDirection(int direction) { return direction == 0 || direction == 1; }

    std::int32_t m_blockSize = 0;
    std::int64_t m_limit = kNoLimit;
    std::int64_t m_count[2] = {0, 0};
    CChecksum m_checksum;
    std::int64_t m_volumeBase[2] = {0, 0};
};
