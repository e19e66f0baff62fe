#include "archive/Checksum.h"

#include "archive/ChecksumKernels.h"
#include "archive/ChecksumWide.h"

#include <array>

namespace {

using Table256 = std::array<std::uint32_t, 256>;
using AdvanceTables = std::array<Table256, 4>; // one table per register byte

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
//
// Long buffers go four lanes at a time: a 4096-byte block is split into four 1024-byte lanes
// whose contributions are computed side by side from a zero register (independent chains
// keep the processor busy), then joined with the table that advances a register over 1024
// zero bytes: reg = Adv(Adv(Adv(reg0) ^ c1) ^ c2) ^ c3, reg0 being lane 0 run from the
// incoming register.
constexpr std::size_t kLane = 1024;

// Shorter buffers are not worth the wide kernel's set-up and final reduction.
constexpr std::size_t kWideMinimum = 512;

struct SliceTables {
    Table256 byteTable;
    Table256 reg[4];
    Table256 data[8];
    AdvanceTables advanceLane;      // register over kLane zero bytes
    AdvanceTables advanceWideBlock; // register over one block of the wide kernel
};

// Tables that move a register over `zeroBytes` zero bytes, four lookups at a time.
AdvanceTables MakeAdvanceTables(const Table256& byteTable, std::size_t zeroBytes) {
    std::uint32_t column[32];
    for (int bit = 0; bit < 32; ++bit) {
        std::uint32_t reg = 1u << bit;
        for (std::size_t i = 0; i < zeroBytes; ++i) {
            reg = Step(byteTable, reg, 0);
        }
        column[bit] = reg;
    }
    AdvanceTables advance{};
    for (std::uint32_t v = 0; v < 256; ++v) {
        for (int k = 0; k < 4; ++k) {
            std::uint32_t reg = 0;
            for (int bit = 0; bit < 8; ++bit) {
                if (v & (1u << bit)) {
                    reg ^= column[8 * k + bit];
                }
            }
            advance[k][v] = reg;
        }
    }
    return advance;
}

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
    s.advanceLane = MakeAdvanceTables(s.byteTable, kLane);
    s.advanceWideBlock = MakeAdvanceTables(s.byteTable, checksum::kWideBlock);
    return s;
}

inline std::uint32_t Eight(const SliceTables& t, std::uint32_t reg, const std::uint8_t* p) {
    return t.reg[0][reg & 0xFF] ^ t.reg[1][(reg >> 8) & 0xFF] ^ t.reg[2][(reg >> 16) & 0xFF] ^
           t.reg[3][reg >> 24] ^ t.data[0][p[0]] ^ t.data[1][p[1]] ^ t.data[2][p[2]] ^
           t.data[3][p[3]] ^ t.data[4][p[4]] ^ t.data[5][p[5]] ^ t.data[6][p[6]] ^ t.data[7][p[7]];
}

inline std::uint32_t Advance(const AdvanceTables& a, std::uint32_t reg) {
    return a[0][reg & 0xFF] ^ a[1][(reg >> 8) & 0xFF] ^ a[2][(reg >> 16) & 0xFF] ^ a[3][reg >> 24];
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
    const auto* p = static_cast<const std::uint8_t*>(data);
    if (n < kWideMinimum || !checksum::UpdateWide(m_register, p, n))
        m_register = checksum::UpdateWithTables(m_register, p, n);
}

namespace checksum {

std::uint32_t UpdateWithTables(std::uint32_t reg, const std::uint8_t* p, std::size_t n) {
    const SliceTables& t = Tables();
    while (n >= 4 * kLane) {
        std::uint32_t r0 = reg;
        std::uint32_t r1 = 0;
        std::uint32_t r2 = 0;
        std::uint32_t r3 = 0;
        for (std::size_t i = 0; i < kLane; i += 8) {
            r0 = Eight(t, r0, p + i);
            r1 = Eight(t, r1, p + kLane + i);
            r2 = Eight(t, r2, p + 2 * kLane + i);
            r3 = Eight(t, r3, p + 3 * kLane + i);
        }
        const AdvanceTables& a = t.advanceLane;
        reg = Advance(a, Advance(a, Advance(a, r0) ^ r1) ^ r2) ^ r3;
        p += 4 * kLane;
        n -= 4 * kLane;
    }
    while (n >= 8) {
        reg = Eight(t, reg, p);
        p += 8;
        n -= 8;
    }
    while (n != 0) {
        reg = Step(t.byteTable, reg, *p++);
        --n;
    }
    return reg;
}

bool HasWidePath() {
    return WideKernelAvailable();
}

// The kernel folds whole blocks into 64 bytes that act on a zero register as the blocks do;
// the incoming register is carried over the blocks with the advance tables, and the rest of
// the buffer goes through the tables.
bool UpdateWide(std::uint32_t& reg, const std::uint8_t* p, std::size_t n) {
    if (!WideKernelAvailable())
        return false;
    const SliceTables& t = Tables();
    const std::size_t blocks = n / kWideBlock;
    std::uint8_t folded[64];
    FoldBlocks(p, blocks, folded);
    std::uint32_t carried = reg;
    for (std::size_t b = 0; b < blocks; ++b) {
        carried = Advance(t.advanceWideBlock, carried);
    }
    const std::uint32_t afterBlocks = carried ^ UpdateWithTables(0, folded, sizeof folded);
    const std::size_t done = blocks * kWideBlock;
    reg = UpdateWithTables(afterBlocks, p + done, n - done);
    return true;
}

} // namespace checksum
