// The six collections loaded from the install profile (or, in removal mode, from the install
// log) and owned by the program object for the whole run: destinations, components, targets,
// the archive list, the diskette labels and the self-registration list.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "profile/ArchiveRecord.h"
#include "profile/ComponentRecord.h"
#include "profile/DestinationRecord.h"
#include "profile/DisketteRecord.h"
#include "profile/SelfRegDllRecord.h"
#include "profile/TargetRecord.h"
#include "support/FilePath.h"

class CSystemFolders;

struct ProfileCollections {
    // The destinations start with the seven predefined ones.
    explicit ProfileCollections(const CSystemFolders& system) : destinations(system) {}
    // Archive records point to their components, so the collections stay where they are.
    ProfileCollections(const ProfileCollections&) = delete;
    ProfileCollections& operator=(const ProfileCollections&) = delete;

    DestinationMap destinations;
    ComponentMap components;
    TargetMap targets;
    ArchiveList archives;
    DisketteArray diskettes;
    SelfRegDllList selfRegDlls;
};

// Loads the record sections of file into the collections in this order: "destinations",
// "groups", "targets", the components' own sections, "diskettes", "SelfRegisterDLLs". pump
// (when set) runs between two loaders so that the window stays responsive. Throws
// CInstallProfileException(0) when "destinations" has no keys; every other section may be
// absent.
void LoadProfile(ProfileCollections& collections, const CFilePath& file,
                 const std::function<void()>& pump = {});

// The value of a file record of the install log: "%d|%d|%d" = destination id, installed
// flag, replaced flag.
std::string FileRecordValue(std::int16_t destination, bool installed, bool replaced);

// Writes one file record of the install log: key = fileName in the component's section, value
// "%d|%d|%d" = destination id, installed flag, replaced flag.
bool WriteFileRecord(const CFilePath& log, const std::string& componentKey,
                     const std::string& fileName, std::int16_t destination, bool installed,
                     bool replaced);

// Writes "destinations" (ids 0 and up), "groups" and "targets" (only those with an installed
// path) to the install log, in that order, so that removal can load them back as its profile.
void WriteCollectionsToLog(const ProfileCollections& collections, const CFilePath& log);
