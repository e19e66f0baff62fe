// Builds archive volumes byte by byte, independent of the archive writer, so reader tests
// can describe damaged and unusual archives exactly.
#pragma once

#include "archive/Checksum.h"
#include "archive/MultiFile.h"

#include <cstdint>
#include <string>
#include <vector>

struct RawMember {
    std::string name = "file.bin";
    std::vector<std::uint8_t> data; // coded bytes as stored
    std::int32_t method = 2;
    std::uint32_t expandedSize = 0; // 0: data.size()
    bool setChecksum = true;        // checksum of data (right for stored members)
    std::uint32_t checksum = 0;     // used when setChecksum is false
    std::int16_t destinationId = 0;
    std::uint16_t attributes = 0x20;
    std::uint16_t continued = 0;
    std::int32_t modifyTime = 1000000000;
    std::uint32_t compressedSize = 0xFFFFFFFF; // default: data.size()
};

inline std::uint32_t ChecksumOf(const std::vector<std::uint8_t>& bytes) {
    CChecksum c;
    c.Update(bytes.data(), bytes.size());
    return c.GetValue();
}

inline EntryHeader HeaderFor(const RawMember& m) {
    EntryHeader h;
    h.SetName(m.name);
    h.method = m.method;
    h.expandedSize =
        m.expandedSize != 0 ? m.expandedSize : static_cast<std::uint32_t>(m.data.size());
    h.compressedSize = m.compressedSize != 0xFFFFFFFF ? m.compressedSize
                                                      : static_cast<std::uint32_t>(m.data.size());
    h.checksum = m.setChecksum ? ChecksumOf(m.data) : m.checksum;
    h.destinationId = m.destinationId;
    h.attributes = m.attributes;
    h.continued = m.continued;
    h.modifyTime = m.modifyTime;
    return h;
}

inline std::vector<std::uint8_t> ArchiveHeaderBytes() {
    return {'m', 'f', 'l', 'h', 0xDE, 0xAD, 0xBE, 0xEF};
}

inline void AppendHeader(std::vector<std::uint8_t>& out, const EntryHeader& h) {
    std::uint8_t bytes[EntryHeader::kSize];
    h.Encode(bytes);
    out.insert(out.end(), bytes, bytes + sizeof bytes);
}

inline void AppendMember(std::vector<std::uint8_t>& out, const RawMember& m) {
    AppendHeader(out, HeaderFor(m));
    out.insert(out.end(), m.data.begin(), m.data.end());
}

inline std::vector<std::uint8_t> BuildArchive(const std::vector<RawMember>& members) {
    auto out = ArchiveHeaderBytes();
    for (const auto& m : members)
        AppendMember(out, m);
    return out;
}
