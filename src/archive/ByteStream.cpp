#include "archive/ByteStream.h"

#include <algorithm>
#include <cstring>

std::size_t CMemorySource::ReadSome(void* buffer, std::size_t n) {
    std::size_t count = std::min(n, m_size - m_pos);
    if (count != 0) {
        std::memcpy(buffer, m_data + m_pos, count);
        m_pos += count;
    }
    return count;
}

void CMemorySink::WriteAll(const void* buffer, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    m_data.insert(m_data.end(), p, p + n);
}
