// Writes hand-made -lh5- streams for the decoder's error-path tests: bits most significant
// first, padded with zero bits to the byte.
#pragma once

#include <cstdint>
#include <vector>

class CTestBitWriter {
public:
    CTestBitWriter& Put(int n, std::uint32_t value) {
        for (int i = n - 1; i >= 0; --i) {
            m_bits.push_back(((value >> i) & 1) != 0);
        }
        return *this;
    }
    std::vector<std::uint8_t> Bytes() const {
        std::vector<std::uint8_t> out((m_bits.size() + 7) / 8, 0);
        for (std::size_t i = 0; i < m_bits.size(); ++i) {
            if (m_bits[i]) {
                out[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
            }
        }
        return out;
    }

private:
    std::vector<bool> m_bits;
};
