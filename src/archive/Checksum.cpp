#include "archive/Checksum.h"

#include <array>

namespace {

using Table256 = std::array<std::uint32_t, 256>;

Table256 MakeByteTable() {
    Table256 table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        }
        table[i] = c;
    }
    return table;
}

std::uint32_t Step(const Table256& t, std::uint32_t reg, std::uint8_t byte) {
    return t[(reg ^ byte) & 0xFF] ^ ((reg >> 6) & 0x00FFFFFFu);
}

// The update is linear over GF(2) in the register and the data (the byte table is linear and
// the shift/mask is too), so eight steps at once split into independent parts:
//     reg8 = R0[reg byte 0] ^ ... ^ R3[reg byte 3] ^ D0[data 0] ^ ... ^ D7[data 7]
// where Rk gives the effect of one register byte after eight zero data bytes, and Dk the
// effect of data byte k (of eight) on a zero register. All twelve lookups are independent,
// which makes the update several times faster than the byte loop with identical results.
struct SliceTables {
    Table256 byteTable;
    Table256 reg[4];
    Table256 data[8];
};

SliceTables MakeSliceTables() {
    SliceTables s;
    s.byteTable = MakeByteTable();
    for (std::uint32_t v = 0; v < 256; ++v) {
        for (int k = 0; k < 4; ++k) {
            std::uint32_t reg = v << (8 * k);
            for (int i = 0; i < 8; ++i) {
                reg = Step(s.byteTable, reg, 0);
            }
            s.reg[k][v] = reg;
        }
        for (int k = 0; k < 8; ++k) {
            std::uint32_t reg = 0;
            for (int i = 0; i < 8; ++i) {
                reg = Step(s.byteTable, reg, static_cast<std::uint8_t>(i == k ? v : 0));
            }
            s.data[k][v] = reg;
        }
    }
    return s;
}

const SliceTables& Tables() {
    static const SliceTables tables = MakeSliceTables();
    return tables;
}

} // namespace

const std::uint32_t* CChecksum::Table() {
    return Tables().byteTable.data();
}

std::uint32_t CChecksum::UpdateByte(std::uint32_t reg, std::uint8_t byte) {
    return Step(Tables().byteTable, reg, byte);
}

void CChecksum::Update(const void* data, std::size_t n) {
    const SliceTables& t = Tables();
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::uint32_t reg = m_register;
    while (n >= 8) {
        reg = t.reg[0][reg & 0xFF] ^ t.reg[1][(reg >> 8) & 0xFF] ^ t.reg[2][(reg >> 16) & 0xFF] ^
              t.reg[3][reg >> 24] ^ t.data[0][p[0]] ^ t.data[1][p[1]] ^ t.data[2][p[2]] ^
              t.data[3][p[3]] ^ t.data[4][p[4]] ^ t.data[5][p[5]] ^ t.data[6][p[6]] ^
              t.data[7][p[7]];
        p += 8;
        n -= 8;
    }
    while (n != 0) {
        reg = Step(t.byteTable, reg, *p++);
        --n;
    }
    m_register = reg;
}
