// Coding the source files of a distribution before they are laid out: each file is coded
// in memory with the method asked for, or with every method when "smallest" is asked for,
// keeping the shortest result. The archive writer then takes the coded bytes as they are
// (CPrecodedArchiveWriter), so every file is coded once per method and never again.
#pragma once

#include "archive/ArchiveWriter.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct CodedMember {
    std::int32_t method = 2;
    std::vector<std::uint8_t> coded;
    std::uint32_t checksum = 0; // of the source bytes, as the archive stores it
    std::uint64_t size = 0;     // source bytes
};

// Whether --best (zlib members coded with zopfli) is available in this build.
bool HaveBestCompression();

// Codes the file at path with methodName ("smallest", "stored", "lh5" or "zlib"). zlib
// members use level 9, or zopfli when best is set (its streams inflate with plain zlib).
// Ties go to the method that expands fastest: stored, then zlib, then lh5. Throws CDistError
// (kDistIo) when the file cannot be read or is 4 GiB or larger.
CodedMember CodeFile(const std::string& path, const std::string& methodName, bool best);

// An archive writer whose members' coded bytes are given instead of coded again. The
// source is still read through the writer, so the stored checksum and sizes are those of
// the file as it is when the archive is written.
class CPrecodedArchiveWriter : public CArchiveWriter {
public:
    using CArchiveWriter::CArchiveWriter;
    // Adds the file at sourcePath with the coded bytes of member (which must outlive the
    // call). Throws CDistError (kDistIo) when the file changed since it was coded.
    void AddCoded(const std::string& sourcePath, const CodedMember& member,
                  const ArchiveMemberOptions& options);

protected:
    std::unique_ptr<CCodec> CreateCodec(std::int32_t method) override;

private:
    const CodedMember* m_next = nullptr;
};
