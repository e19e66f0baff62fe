#include "LzhArchiveFile.h"

#include <stdexcept>

namespace lzharchive {

namespace {

std::uint32_t Le16(const Bytes& b, std::size_t at) {
    if (at + 2 > b.size()) {
        throw std::runtime_error("lzh header truncated");
    }
    return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t Le32(const Bytes& b, std::size_t at) {
    return Le16(b, at) | (Le16(b, at + 2) << 16);
}

void Put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

} // namespace

std::uint16_t Crc16(const Bytes& data) {
    std::uint32_t crc = 0;
    for (std::uint8_t byte : data) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k) {
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001u : crc >> 1;
        }
    }
    return static_cast<std::uint16_t>(crc);
}

Bytes MakeLevel0Archive(const std::vector<Member>& members) {
    Bytes out;
    for (const Member& m : members) {
        Bytes h;
        h.push_back(0); // header size, filled below
        h.push_back(0); // header checksum, filled below
        h.insert(h.end(), m.method.begin(), m.method.end());
        Put32(h, static_cast<std::uint32_t>(m.coded.size()));
        Put32(h, m.originalSize);
        Put32(h, 0x21A80000u); // MS-DOS time stamp: 1996-05-08 00:00
        h.push_back(0x20);     // attribute: archive
        h.push_back(0);        // header level 0
        h.push_back(static_cast<std::uint8_t>(m.name.size()));
        h.insert(h.end(), m.name.begin(), m.name.end());
        Put16(h, m.crc);
        h[0] = static_cast<std::uint8_t>(h.size() - 2);
        std::uint8_t sum = 0;
        for (std::size_t i = 2; i < h.size(); ++i) {
            sum = static_cast<std::uint8_t>(sum + h[i]);
        }
        h[1] = sum;
        out.insert(out.end(), h.begin(), h.end());
        out.insert(out.end(), m.coded.begin(), m.coded.end());
    }
    out.push_back(0); // end of archive
    return out;
}

std::vector<Member> ParseArchive(const Bytes& a) {
    std::vector<Member> members;
    std::size_t pos = 0;
    while (pos < a.size() && a[pos] != 0) {
        if (pos + 22 > a.size()) {
            throw std::runtime_error("lzh header truncated");
        }
        Member m;
        m.method.assign(a.begin() + static_cast<std::ptrdiff_t>(pos + 2),
                        a.begin() + static_cast<std::ptrdiff_t>(pos + 7));
        std::uint32_t packed = Le32(a, pos + 7);
        m.originalSize = Le32(a, pos + 11);
        const int level = a[pos + 20];
        std::size_t data = 0;
        if (level == 0 || level == 1) {
            const std::size_t nameLength = a[pos + 21];
            m.name.assign(a.begin() + static_cast<std::ptrdiff_t>(pos + 22),
                          a.begin() + static_cast<std::ptrdiff_t>(pos + 22 + nameLength));
            m.crc = static_cast<std::uint16_t>(Le16(a, pos + 22 + nameLength));
            data = pos + 2 + a[pos];
            if (level == 1) {
                // Extended headers follow; each ends with the size of the next one, and the
                // packed size counts them.
                std::uint32_t next = Le16(a, data - 2);
                while (next != 0) {
                    if (next < 3 || packed < next) {
                        throw std::runtime_error("bad level-1 extended header");
                    }
                    packed -= next;
                    data += next;
                    next = Le16(a, data - 2);
                }
            }
        } else if (level == 2) {
            m.crc = static_cast<std::uint16_t>(Le16(a, pos + 21));
            data = pos + Le16(a, pos);
        } else {
            throw std::runtime_error("unknown lzh header level");
        }
        if (data + packed > a.size()) {
            throw std::runtime_error("lzh member truncated");
        }
        m.coded.assign(a.begin() + static_cast<std::ptrdiff_t>(data),
                       a.begin() + static_cast<std::ptrdiff_t>(data + packed));
        members.push_back(std::move(m));
        pos = data + packed;
    }
    return members;
}

} // namespace lzharchive
