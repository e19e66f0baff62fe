// CToolArchive: the archive as the tool's list, test and extract read it. It shows the
// progress of the member being expanded, counts the volumes it has opened, notes a volume
// it could not find, and knows what a failure is about: the volume being read (not the one
// the user named, when the damage is in a later one) and the member.
#pragma once

#include "ToolSupport.h"

#include "archive/MultiFile.h"

#include <string>

class CToolArchive : public CMultiFile {
public:
    CToolArchive(ProgressLine& progress, std::string verb)
        : m_progress(progress), m_verb(std::move(verb)) {}

    // Opens the first volume. A directory raises ToolFailure; a file too short for an
    // archive header raises its CFileException with Detail() saying "is empty" or how short.
    void OpenFirstVolume(const std::string& path);
    // ReadNextEntry, noting the member as the subject of failures. When the first member's
    // header is missing, Detail() says that the file is not the first volume of a set.
    bool ReadNext(CMultiFileEntry& entry);

    void OnBlockBoundary() override;
    void ReopenForReading(const std::string& path) override;
    std::string LocateVolume(const std::string& fileName) override;

    // A volume the archive needed was not found: nothing after it can be read.
    bool VolumeMissing() const { return !m_missingVolume.empty(); }
    // "<volume being read>" or "<volume being read>: <member>".
    std::string Subject() const;
    // What the tool knows about the failure beyond the system's text, or "".
    std::string Detail() const;

private:
    ProgressLine& m_progress;
    std::string m_verb;
    std::string m_firstVolume;
    std::string m_member;
    std::string m_detail;
    std::string m_missingVolume;
    int m_volumeNumber = 1;
    int m_missingNumber = 0;
    int m_membersRead = 0;
};

// Runs body (a command's reading work) and reports what it throws, apart from usage errors
// and the tool's own failures, with the archive's subject and detail. Returns body's exit
// code or kExitFailure.
template <typename Body> int RunReading(CToolArchive& archive, ArchiveToolIo& io, Body body) {
    try {
        return body();
    } catch (const UsageError&) {
        throw;
    } catch (const ToolFailure&) {
        throw;
    } catch (...) {
        return ReportCurrentFailure(io, archive.Subject(), archive.Detail());
    }
}
