// The part of a file's status that travels with an archive member: last-write time, length
// and attribute byte (0x01 read-only, 0x02 hidden, 0x04 system, 0x20 archive).
#pragma once

#include <cstdint>
#include <string>

struct FileStatus {
    std::int64_t modifyTime = 0; // seconds since 1970-01-01 00:00:00 UTC
    std::uint32_t size = 0;
    std::uint8_t attributes = 0; // masked with 0x7F
};

// Reads the status of the file at path; false when it cannot be examined.
bool ReadFileStatus(const std::string& path, FileStatus& status);

// Gives the file at path the status's last-write time (unless it is 0) and attribute byte;
// other times stay. A read-only file takes its new attributes before its new time. Throws
// CFileException when the status cannot be read or changed.
void WriteFileStatus(const std::string& path, const FileStatus& status);
