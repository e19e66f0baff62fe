// The part of a file's status that travels with an archive member: last-write time, size and
// attribute byte (0x01 read-only, 0x02 hidden, 0x04 system, 0x10 directory, 0x20 archive).
// CFilePath::FillFromFile reads it from a file, CFilePath::ApplyFileStatus gives it to one.
#pragma once

#include <cstdint>

struct CFileStatusInfo {
    std::int64_t modifyTime = 0; // seconds since 1970-01-01 00:00:00 UTC; 0 = unknown
    std::uint32_t size = 0;      // the low 32 bits of the file's length
    std::uint8_t attributes = 0; // masked with kAttributeMask

    static constexpr std::uint8_t kAttributeMask = 0x7F;
    static constexpr std::uint8_t kReadOnly = 0x01;
    static constexpr std::uint8_t kDirectory = 0x10;
    // The bits a file can be given: read-only, hidden, system, archive.
    static constexpr std::uint8_t kSettable = 0x27;
};
