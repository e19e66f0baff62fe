#include "archive/VolumeFile.h"

#include "errors/Exceptions.h"

#include <algorithm>

bool CVolumeFile::Open(const std::string& path, unsigned flags, CFileException* error) {
    m_volumeBase[0] = 0;
    m_volumeBase[1] = 0;
    return CXFile::Open(path, flags, error);
}

void CVolumeFile::ReopenForReading(const std::string& path) {
    std::int64_t readCount = m_count[0];
    std::int64_t writeCount = m_count[1];
    OpenForReading(path);
    m_volumeBase[0] = readCount;
    m_volumeBase[1] = writeCount;
}

std::int64_t CVolumeFile::GetCount(int direction) const {
    return ValidDirection(direction) ? m_count[direction] : 0;
}

std::int64_t CVolumeFile::GetVolumeBase(int direction) const {
    return ValidDirection(direction) ? m_volumeBase[direction] : 0;
}

void CVolumeFile::SetCount(int direction, std::int64_t count) {
    if (ValidDirection(direction))
        m_count[direction] = count;
}

std::int64_t CVolumeFile::RemainingToLimit(int direction) const {
    std::int64_t left = m_limit - GetCount(direction);
    return left > 0 ? left : 0;
}

std::int64_t CVolumeFile::RemainingInBlock(int direction) const {
    if (m_blockSize == 0)
        return kNoBlock;
    return m_blockSize - GetCount(direction) % m_blockSize;
}

std::size_t CVolumeFile::Read(void* buffer, std::size_t n) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::size_t total = 0;
    while (total < n) {
        std::int64_t want = static_cast<std::int64_t>(n - total);
        want = std::min(want, RemainingToLimit(dirRead));
        want = std::min(want, RemainingInBlock(dirRead));
        std::size_t got = want > 0 ? ReadPlain(bytes + total, static_cast<std::size_t>(want)) : 0;
        total += got;
        m_count[0] += static_cast<std::int64_t>(got);
        if (RemainingToLimit(dirRead) == 0) {
            if (OnVolumeEnd() != 0)
                break;
            // A hook that answers "go on" without raising the limit would make this loop
            // spin forever on zero-byte requests.
            if (RemainingToLimit(dirRead) == 0)
                break;
        }
        if (RemainingInBlock(dirRead) == m_blockSize)
            OnBlockBoundary();
        if (static_cast<std::int64_t>(got) < want && OnVolumeEnd() != 0)
            break;
    }
    m_checksum.Update(bytes, total);
    return total;
}

void CVolumeFile::Write(const void* buffer, std::size_t n) {
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    m_checksum.Update(bytes, n);
    std::size_t total = 0;
    while (total < n) {
        std::int64_t want = static_cast<std::int64_t>(n - total);
        want = std::min(want, RemainingToLimit(dirWrite));
        want = std::min(want, RemainingInBlock(dirWrite));
        if (want <= 0)
            throw CFileException(CFileException::kDiskFull, 0, GetFileName());
        WritePlain(bytes + total, static_cast<std::size_t>(want));
        m_count[1] += want;
        total += static_cast<std::size_t>(want);
        if (RemainingToLimit(dirWrite) == 0)
            OnVolumeEnd();
    }
}
