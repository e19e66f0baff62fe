// The folder page's decisions, kept apart from its window so that they run everywhere: the
// proposed application folder, what counts as a folder the user may choose, how a chosen
// folder is made to exist, and what choosing it does to the destinations and components.
#pragma once

#include <optional>
#include <string>

#include "support/FilePath.h"

class DestinationMap;
struct ProfileCollections;

// The folder proposed to the user: the drive of the system directory with the directory that
// the profile writes for destination 0, in directory form (leading and trailing backslash
// added). A profile directory that carries its own drive or names a network share
// (\\server\share) is taken as it is: putting another drive in front of it would make a
// nonsense path. Example: C:\WINDOWS\SYSTEM and MYAPP give C:\MYAPP\.
std::string ProposeLocation(const std::string& systemDir, const std::string& profileDirectory);

// The location the user typed as a directory path (ending with a backslash), or nullopt when
// it cannot name a folder to install into: empty, relative (without drive, or with a drive but
// no backslash after it: both would depend on the current directory, which changes during the
// run), holding a character that no file name may hold, or longer than the platform accepts.
// Blanks around the text are dropped and '/' counts as '\'.
std::optional<CFilePath> MakeFolderPath(const std::string& typed);

// The disk operations that making a folder needs; the Windows build answers from the disk,
// tests from a model.
class CFolderMaker {
public:
    virtual ~CFolderMaker() = default;
    // True when the directory (path without trailing backslash) has a subdirectory whose name
    // does not begin with '.'.
    virtual bool HasSubdirectory(const std::string& path) = 0;
    // Creates one directory level; true when it was created.
    virtual bool CreateOneDirectory(const std::string& path) = 0;
    // True when path names an existing directory.
    virtual bool IsDirectory(const std::string& path) = 0;
};

// Makes sure the folder exists: true when it has a subdirectory, or it can be created, or its
// creation fails because it exists already; otherwise its missing parents are made the same
// way, up to the root (which is never created), and it is created once more. False when it
// still does not exist (a file in the way, a missing drive, no right to create it).
bool AcceptFolder(const CFilePath& folder, CFolderMaker& maker);

// Makes folder the application directory (destination 0), resolves every destination that
// builds on it and selects the typical setup (type 2) for the components. The destinations
// are resolved from asLoaded, the destinations as the profile gave them: a second choice
// (after going back to the page) must not keep paths made from the first one, which a resolved
// destination otherwise does. They replace the collections' destinations only when every one
// resolved: a failure changes nothing. Throws CInstallProfileException(1) when the
// destinations cannot all be resolved.
void ApplyFolderChoice(ProfileCollections& collections, const DestinationMap& asLoaded,
                       const CFilePath& folder);
