// Member sources: turning the files and folders a user names into members with safe, unique
// stored names (each component passes the member-name gate of archive/MemberName.h). Shared
// by the archive tool and the distribution builder.
//
// Stored names are relative: a file given by itself is stored under its final component; the
// files under a folder are stored under their paths relative to that folder, components
// joined with '\'. The setup program and `mfarc extract` use only the final component, so
// two members with the same destination id collide when their final components are equal
// ignoring case (as they are on the Windows file system).
#pragma once

#include "archive/MemberName.h"

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// A file or folder argument that cannot be turned into members; the message names the
// argument (or the file under it) and says what is wrong.
class CMemberNameError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct MemberSource {
    std::string sourcePath; // the file to read, as reachable from the current directory
    std::string storedName; // relative name for the entry header
};

// The members for one argument: a regular file becomes one member, a folder all regular
// files below it (sorted by stored name; links to folders are not followed). Throws
// CMemberNameError for a missing argument, a special file, a name component that is not
// safe or a stored name longer than 259 characters.
std::vector<MemberSource> CollectMemberSources(const std::string& argument);

// The members of one archive so far, to refuse the same file twice and two members that
// would be extracted to the same file of one destination.
class CMemberNameSet {
public:
    // Adds the member; throws CMemberNameError when it collides with one added before.
    void Add(const MemberSource& member, std::int16_t destinationId);

private:
    // (destination id, folded final component) -> source path as given
    std::map<std::pair<std::int16_t, std::string>, std::string> m_byTarget;
    std::map<std::string, std::string> m_bySource; // canonical source -> path as given
};
