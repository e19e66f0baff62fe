// The install log's file records during the copy phase. The engine handles thousands of
// files; writing each record through the private-profile functions rewrites the whole log
// every time, a cost that grows with the square of the number of files. This writer keeps
// the log in memory (CProfileDocument) and saves it as a whole, by writing a new file and
// renaming it over the old one, once the oldest record not yet on disk is kSaveDelayMs old.
// So the log on disk is always complete and readable, and a file placed more than a second
// before the program is killed is in it as long as the program calls SaveIfDue at least
// every few hundred milliseconds.
//
// Records, sections and keys are exactly those that WriteFileRecord writes; other writers of
// the same log (the event lines, the collections) may go on writing it directly: a save
// reads the file first and keeps what they wrote.
#pragma once

#include <cstdint>
#include <string>

#include "profile/EventLog.h"
#include "support/FilePath.h"
#include "support/ProfileDocument.h"

class CInstallLogWriter {
public:
    // The longest a record waits in memory before SaveIfDue writes it.
    static constexpr std::uint32_t kSaveDelayMs = 400;

    // clock: where the age of a record is taken from (its TickCount).
    explicit CInstallLogWriter(const CFilePath& log, const CEventClock& clock = SystemEventClock());
    // Saves what is still pending.
    ~CInstallLogWriter();
    CInstallLogWriter(const CInstallLogWriter&) = delete;
    CInstallLogWriter& operator=(const CInstallLogWriter&) = delete;

    const CFilePath& GetFile() const { return m_file; }

    // The record of one handled file: key fileName in the component's section, value
    // "%d|%d|%d" = destination id, installed flag, replaced flag. Saved by a later save.
    void WriteFileRecord(const std::string& componentKey, const std::string& fileName,
                         std::int16_t destination, bool installed, bool replaced);

    // Saves when the oldest record not yet on disk is kSaveDelayMs old or older. A failed
    // save is tried again after another delay.
    void SaveIfDue();

    // Saves every pending record now. False when the log could not be written.
    bool Save();

    bool HasPendingRecords() const { return m_document.PendingWrites() != 0; }

private:
    CFilePath m_file;
    const CEventClock& m_clock;
    CProfileDocument m_document;
    std::uint32_t m_oldestPending = 0; // tick count of the oldest record not on disk
};
