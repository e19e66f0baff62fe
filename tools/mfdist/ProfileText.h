// The install profile (SETUP.INI) of a built distribution, as text: every section the
// setup program reads, in the order it reads them, with CR LF line ends.
//
// Each archive becomes one record of its component's section:
//   NAME.MF1=expanded bytes|1|file count|first diskette|0|component text
// with the diskette number negative when the archive continues on the next diskette, so
// that the setup program takes it after the other archives of its first diskette.
#pragma once

#include "Description.h"

#include <cstdint>
#include <string>
#include <vector>

struct ArchivePlacement {
    const DescComponent* component = nullptr;
    std::string name;
    int firstDisk = 1;
    int volumes = 1;
    std::uint64_t expandedBytes = 0;
    int fileCount = 0;
};

// The label of diskette number when the description gives none.
std::string DefaultDisketteLabel(const Description& d, int number);

std::string ProfileText(const Description& d, const std::vector<ArchivePlacement>& archives,
                        int disketteCount);
