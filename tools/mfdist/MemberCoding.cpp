#include "MemberCoding.h"

#include "DistErrors.h"

#include "archive/ByteStream.h"
#include "archive/Checksum.h"
#include "archive/Codec.h"
#include "archive/CompressingCodecs.h"
#include "archive/LzhEncoder.h"
#include "archive/ZLibCodec.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#ifdef SETUP_HAVE_ZOPFLI
#include <zopfli/zopfli.h>
#endif

namespace {

constexpr std::int32_t kStored = 2;
constexpr std::int32_t kLzh = 3;
constexpr std::int32_t kZLib = 4;
constexpr int kZLibBestLevel = 9;

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw CDistError(kDistIo, path + ": cannot be read");
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad())
        throw CDistError(kDistIo, path + ": read error");
    if (bytes.size() >= 0xFFFFFFFFull)
        throw CDistError(kDistIo, path + ": 4 GiB or larger, too large for an archive member");
    return bytes;
}

std::vector<std::uint8_t> CodeLzh(const std::vector<std::uint8_t>& data) {
    CMemorySource source(data);
    CMemorySink sink;
    CLzhEncoder encoder;
    encoder.Compress(source, sink);
    return std::move(sink.Data());
}

#ifdef SETUP_HAVE_ZOPFLI
// zopfli's zlib container: the same 2-byte header, deflate data and Adler-32 trailer.
std::vector<std::uint8_t> CodeZopfli(const std::vector<std::uint8_t>& data) {
    ZopfliOptions options;
    ZopfliInitOptions(&options);
    unsigned char* out = nullptr;
    std::size_t outSize = 0;
    ZopfliCompress(&options, ZOPFLI_FORMAT_ZLIB, data.data(), data.size(), &out, &outSize);
    std::vector<std::uint8_t> coded(out, out + outSize);
    std::free(out);
    return coded;
}
#endif

std::vector<std::uint8_t> CodeZLib(const std::vector<std::uint8_t>& data, bool best) {
#ifdef SETUP_HAVE_ZOPFLI
    if (best)
        return CodeZopfli(data);
#else
    (void)best;
#endif
    CMemorySource source(data);
    CMemorySink sink;
    ZLibCompress(source, sink, kZLibBestLevel);
    return std::move(sink.Data());
}

std::vector<std::uint8_t> CodeWith(std::int32_t method, const std::vector<std::uint8_t>& data,
                                   bool best) {
    if (method == kLzh)
        return CodeLzh(data);
    if (method == kZLib)
        return CodeZLib(data, best);
    return data;
}

// A codec that reads its source to the end (so the writer counts and checksums it) and
// writes coded bytes made beforehand.
class CPrecodedCodec : public CCodec {
public:
    explicit CPrecodedCodec(const std::vector<std::uint8_t>& coded) : m_coded(coded) {}

protected:
    void DoCompress() override {
        std::uint8_t buffer[16384];
        while (ReadBlock(buffer, sizeof buffer) != 0) {
        }
        if (!m_coded.empty())
            WriteBlock(m_coded.data(), m_coded.size());
    }
    void DoExpand(std::uint32_t, std::uint32_t) override {
        throw CDistError(kDistIo, "a precoded member cannot be expanded");
    }

private:
    const std::vector<std::uint8_t>& m_coded;
};

} // namespace

bool HaveBestCompression() {
#ifdef SETUP_HAVE_ZOPFLI
    return true;
#else
    return false;
#endif
}

CodedMember CodeFile(const std::string& path, const std::string& methodName, bool best) {
    std::vector<std::uint8_t> data = ReadWholeFile(path);
    CodedMember member;
    member.size = data.size();
    CChecksum checksum;
    checksum.Update(data.data(), data.size());
    member.checksum = checksum.GetValue();

    std::vector<std::int32_t> candidates;
    if (methodName == "stored")
        candidates = {kStored};
    else if (methodName == "lh5")
        candidates = {kLzh};
    else if (methodName == "zlib")
        candidates = {kZLib};
    else
        candidates = {kStored, kZLib, kLzh};
    bool first = true;
    for (std::int32_t method : candidates) {
        std::vector<std::uint8_t> coded = CodeWith(method, data, best);
        if (first || coded.size() < member.coded.size()) {
            member.method = method;
            member.coded = std::move(coded);
            first = false;
        }
    }
    return member;
}

void CPrecodedArchiveWriter::AddCoded(const std::string& sourcePath, const CodedMember& member,
                                      const ArchiveMemberOptions& options) {
    m_next = &member;
    ArchiveMemberOptions withMethod = options;
    withMethod.method = member.method;
    // The method is chosen already; a fallback to stored would take these coded bytes.
    withMethod.storeWhenNotSmaller = false;
    AddFile(sourcePath, withMethod);
    m_next = nullptr;
    const EntryHeader& added = Headers().back();
    if (added.checksum != member.checksum || added.expandedSize != member.size)
        throw CDistError(kDistIo, sourcePath + ": the file changed while the distribution was "
                                               "being built; build it again");
}

std::unique_ptr<CCodec> CPrecodedArchiveWriter::CreateCodec(std::int32_t method) {
    if (m_next == nullptr)
        return CArchiveWriter::CreateCodec(method);
    return std::make_unique<CPrecodedCodec>(m_next->coded);
}
