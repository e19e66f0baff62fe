// CChecksum: the 32-bit checksum that verifies an expanded archive member.
//
// It is table-driven over the reflected CRC-32 polynomial (0xEDB88320), but the register
// moves by 6 bits per byte with a 24-bit mask, starts at 0 and is not inverted at the end:
//     register = table[(register ^ byte) & 0xFF] ^ ((register >> 6) & 0x00FFFFFF)
// so it is not the common CRC-32. Known values: "" 0x00000000, "abc" 0x3E105F31,
// "123456789" 0xED2320DA. Every archive writer and reader of this system uses this exact
// rule; changing it makes every existing archive fail its check.
#pragma once

#include <cstddef>
#include <cstdint>

class CChecksum {
public:
    CChecksum() = default;

    // Feeds n bytes. Fast: eight bytes per step through precomputed tables.
    void Update(const void* data, std::size_t n);
    std::uint32_t GetValue() const { return m_register; }
    void Reset() { m_register = 0; }

    // One byte of the rule above, the reference the fast path must agree with.
    static std::uint32_t UpdateByte(std::uint32_t reg, std::uint8_t byte);
    // The 256-entry table of the reflected polynomial (built once, thread-safe).
    static const std::uint32_t* Table();

private:
    std::uint32_t m_register = 0;
};
