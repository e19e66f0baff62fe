// Reading and writing record sections of an INI file (install profile or install log).
//
// Every section loader walks the keys of its section in file order and reads each value (at
// most 254 characters); every log writer writes one key at a time. Both go through the INI
// classes of the support library, so the same code runs on the platform's private-profile
// functions and on the portable backend.
#pragma once

#include <functional>
#include <string>

#include "support/FilePath.h"

using RecordVisitor = std::function<void(const std::string& key, const std::string& value)>;

// Calls visit(key, value) for every key of section in file, in file order. Returns the number
// of keys visited (0 for a missing file, a missing section or an empty one).
int ForEachRecord(const CFilePath& file, const std::string& section, const RecordVisitor& visit);

// Sets key=value in section of file, creating the file and the section when needed. Returns
// false when the write failed; the log's callers go on regardless.
bool WriteRecord(const CFilePath& file, const std::string& section, const std::string& key,
                 const std::string& value);
