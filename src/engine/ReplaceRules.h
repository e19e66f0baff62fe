// The replacement rule: whether a newly expanded file replaces a file of the same name that is
// already on the target system. Versions decide where there are any; otherwise times decide.
//
//   present has a version, new has none  -> keep
//   new has a version, present has none  -> replace
//   both have versions                   -> replace when the new version is strictly greater
//   neither has a version                -> replace when the new modification time is strictly
//                                           greater
//
// A file "has a version" when its version resource loads and holds a readable fixed version
// block; a resource without one says nothing about the file's age, so such a file is judged by
// its time like a file without any resource. Modification times are seconds since 1970; a
// file whose status cannot be read has time 0 (so any later-dated new file replaces it).
// Times compare as 64-bit numbers: a 32-bit count would turn a time after January 2038
// negative and make the newer file look older.
//
// DecideReplacement is the rule over facts already gathered (portable); ShouldReplace gathers
// them from two files on disk (Windows).
#pragma once

#include <cstdint>

#include "support/FilePath.h"
#include "support/FileVersion.h"

// What the rule looks at in one file.
struct CReplaceFacts {
    bool hasVersion = false;
    CVersionNumber version;      // meaningful only when hasVersion
    std::int64_t modifyTime = 0; // seconds since 1970; 0 when the status cannot be read
};

// 1 to replace the present file by the new one, 0 to keep the present file.
int DecideReplacement(const CReplaceFacts& present, const CReplaceFacts& newFile);

#ifdef _WIN32
// The facts of the file at path: its version (CFileVersion) and its last-write time.
CReplaceFacts ReadReplaceFacts(const CFilePath& path);

// 1 when the new file (the expanded temporary file, which already carries the member's time)
// should replace the present file, 0 to keep the present one.
int ShouldReplace(const CFilePath& presentPath, const CFilePath& newPath);
#endif
