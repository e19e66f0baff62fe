// The file version of a program or library read from its bytes, without the platform's
// version API: the version resource's root block begins with the key "VS_VERSION_INFO" (in
// UTF-16 in 32-bit files, in ANSI in 16-bit ones), followed, on the next 4-byte boundary
// counted from the block's start, by the fixed file information record with its signature.
#pragma once

#include "support/FileVersion.h"

#include <cstdint>
#include <vector>

// True and version set when bytes hold a version resource with a valid fixed record.
bool ScanFileVersion(const std::vector<std::uint8_t>& bytes, CVersionNumber& version);

// Whether a file of this name can carry a version resource (programs, libraries, drivers,
// fonts, controls), so that listing expands only those to look.
bool MayHaveVersion(const std::string& fileName);
