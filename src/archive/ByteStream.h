// The two small interfaces the codec engines move bytes through. A codec reads coded or
// plain bytes from a CByteSource and writes to a CByteSink; CCodec adapts its source and
// destination files to them, the tests and fuzz targets use memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CByteSource {
public:
    virtual ~CByteSource() = default;
    // Reads up to n bytes into buffer; returns how many came (0 at the end of the data).
    virtual std::size_t ReadSome(void* buffer, std::size_t n) = 0;
};

class CByteSink {
public:
    virtual ~CByteSink() = default;
    // Takes all n bytes (or throws).
    virtual void WriteAll(const void* buffer, std::size_t n) = 0;
};

// A source over bytes in memory; the bytes must outlive it.
class CMemorySource : public CByteSource {
public:
    CMemorySource(const void* data, std::size_t size)
        : m_data(static_cast<const std::uint8_t*>(data)), m_size(size) {}
    explicit CMemorySource(const std::vector<std::uint8_t>& data)
        : CMemorySource(data.data(), data.size()) {}
    std::size_t ReadSome(void* buffer, std::size_t n) override;
    std::size_t GetPosition() const { return m_pos; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// A sink that appends to a byte vector.
class CMemorySink : public CByteSink {
public:
    void WriteAll(const void* buffer, std::size_t n) override;
    std::vector<std::uint8_t>& Data() { return m_data; }

private:
    std::vector<std::uint8_t> m_data;
};
