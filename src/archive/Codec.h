// CCodec: the coding stream of one archive member. It moves bytes from a source CVolumeFile
// to a destination CVolumeFile through their counted Read and Write, so the block hook,
// volume continuation and running checksum of the volume files act underneath every codec.
// One codec object serves exactly one Expand (or Compress); the archive's CreateCodec makes
// the right subclass for a member's method.
#pragma once

#include <cstddef>
#include <cstdint>

class CVolumeFile;

class CCodec {
public:
    CCodec() = default;
    virtual ~CCodec() = default;
    CCodec(const CCodec&) = delete;
    CCodec& operator=(const CCodec&) = delete;

    // Asks a running Expand to stop early. Only codecs that look at the flag stop; the
    // caller learns of it through IsAborted after Expand returns.
    virtual void Abort() { m_abort = 1; }
    bool IsAborted() const { return m_abort != 0; }

    // One byte from the source's counted Read: 0-255, or -1 when the source delivered
    // nothing (its OnVolumeEnd asked to stop: the coded data ends early).
    virtual int ReadByte();
    // The source's counted Read.
    virtual std::size_t ReadBlock(void* buffer, std::size_t n);
    // The destination's counted Write.
    virtual void WriteByte(std::uint8_t byte);
    virtual void WriteBlock(const void* buffer, std::size_t n);

    // Reads the source to its end and writes the coded stream to the destination.
    virtual void Compress(CVolumeFile& source, CVolumeFile& destination);
    // Expands compressedSize coded bytes from the source into expandedSize bytes written to
    // the destination (how each method uses the two sizes is its own).
    virtual void Expand(CVolumeFile& source, CVolumeFile& destination, std::uint32_t compressedSize,
                        std::uint32_t expandedSize);

protected:
    virtual void DoCompress() = 0;
    virtual void DoExpand(std::uint32_t compressedSize, std::uint32_t expandedSize) = 0;

    CVolumeFile* Source() const { return m_source; }
    CVolumeFile* Destination() const { return m_destination; }

private:
    void Attach(CVolumeFile& source, CVolumeFile& destination);
    void Detach();

    CVolumeFile* m_source = nullptr;
    CVolumeFile* m_destination = nullptr;
    int m_abort = 0;
};
