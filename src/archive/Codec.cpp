#include "archive/Codec.h"

#include "archive/VolumeFile.h"

namespace {

// Forgets the codec's source and destination however the coding step ends.
template <class Fn> class ScopeExit {
public:
    explicit ScopeExit(Fn fn) : m_fn(fn) {}
    ~ScopeExit() { m_fn(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Fn m_fn;
};

} // namespace

int CCodec::ReadByte() {
    std::uint8_t byte = 0;
    if (m_source->Read(&byte, 1) != 1)
        return -1;
    return byte;
}

std::size_t CCodec::ReadBlock(void* buffer, std::size_t n) {
    return m_source->Read(buffer, n);
}

void CCodec::WriteByte(std::uint8_t byte) {
    m_destination->Write(&byte, 1);
}

void CCodec::WriteBlock(const void* buffer, std::size_t n) {
    m_destination->Write(buffer, n);
}

void CCodec::Attach(CVolumeFile& source, CVolumeFile& destination) {
    m_source = &source;
    m_destination = &destination;
    m_abort = 0;
}

void CCodec::Detach() {
    m_source = nullptr;
    m_destination = nullptr;
}

void CCodec::Compress(CVolumeFile& source, CVolumeFile& destination) {
    Attach(source, destination);
    ScopeExit forget([this] { Detach(); });
    DoCompress();
}

void CCodec::Expand(CVolumeFile& source, CVolumeFile& destination, std::uint32_t compressedSize,
                    std::uint32_t expandedSize) {
    Attach(source, destination);
    ScopeExit forget([this] { Detach(); });
    DoExpand(compressedSize, expandedSize);
}
