// The machine-readable listing of one archive (mfarc list --json): the archive's name and,
// per member in archive order, its stored name, the final component that extraction uses,
// method, sizes, checksum, destination id, attribute byte, time and continued flag.
#pragma once

#include "archive/MultiFile.h"

#include <iosfwd>
#include <string>
#include <vector>

void WriteArchiveJson(const std::string& archive, const std::vector<EntryHeader>& members,
                      std::ostream& out);

// "stored", "lh5", "zlib", or "m<number>" for a method the reader does not know.
std::string ArchiveMethodName(std::int32_t method);

// seconds since 1970 as "YYYY-MM-DD HH:MM:SS" (UTC), "-" when it cannot be shown.
std::string FormatUtcTime(std::int64_t seconds);
