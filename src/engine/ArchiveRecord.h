// CArchiveRecord: one archive record of the install profile, opened as the archive it names.
//
// The record object is itself the archive file: a CMultiFile that also carries the record's
// profile fields (ArchiveRecordInfo: name, kind, size, file count, disk number, destination,
// component). The container knows nothing of diskettes or progress; the record adds both
// through the container's hooks:
//  - at every block boundary (4096 bytes of coded data read over the whole record) it shows
//    progress, unless the run has been aborted or no progress display is current;
//  - when a continued member runs past the end of a volume, it closes the volume, counts the
//    disk number up and asks the run to make the next volume (the file name with its last
//    character's code plus one) of that diskette available, prompting when needed; reading
//    goes on there. After a multi-volume archive the disk number names the last diskette used.
//
// Everything the record needs from the run around it (abort flag, progress display, source
// directory, diskette lookup) comes through the small interface CArchiveRun, so the record
// depends neither on the program object nor on any window.
#pragma once

#include <cstdint>
#include <string>

#include "archive/MultiFile.h"
#include "profile/ArchiveRecord.h"
#include "support/FilePath.h"

// The progress display of an installation run (the copy page).
class CProgressSink {
public:
    virtual ~CProgressSink() = default;
    // Brings the display up to date and handles a pending cancel request (which may abort the
    // current archive and set the run's abort flag).
    virtual void ShowProgress() = 0;
};

// What an archive record needs from the installation run it belongs to.
class CArchiveRun {
public:
    virtual ~CArchiveRun() = default;
    // The run's abort flag: set once by whatever gives up, never cleared.
    virtual bool IsAborted() const = 0;
    virtual void SetAbort() = 0;
    // The progress display current for the run, or nullptr.
    virtual CProgressSink* GetProgressSink() const = 0;
    // Where distribution files are found now (a directory path ending in a separator).
    virtual CFilePath GetSourceDirectory() const = 0;
    // Makes fileName of diskette diskNumber available in the source directory, which it may
    // move to another directory. False when the user gave up.
    virtual bool Locate(const std::string& fileName, std::int32_t diskNumber) = 0;
};

class CArchiveRecord : public CMultiFile, public ArchiveRecordInfo {
public:
    // A closed archive with the fields of info, belonging to run (which must outlive it).
    CArchiveRecord(const ArchiveRecordInfo& info, CArchiveRun& run);

    // The record's file (its first volume) in the run's current source directory.
    CFilePath GetSourcePath() const;

    // Shows progress when the run is not aborted and a progress display is current.
    void OnBlockBoundary() override;

    // The next volume of a continued member: closes the current volume, counts the disk number
    // up and has the run locate volumeName on that diskette; returns its path in the (possibly
    // moved) source directory. When the user gives up, or the run was aborted before (a
    // confirmed cancel), the abort flag is set and CUserException raised: the archive ends as
    // a cancel, which the caller passes over without an error report.
    std::string LocateVolume(const std::string& volumeName) override;

private:
    CArchiveRun& m_run;
};
