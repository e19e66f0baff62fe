#include "profile/InstallLogWriter.h"

#include "profile/ProfileCollections.h"

CInstallLogWriter::CInstallLogWriter(const CFilePath& log, const CEventClock& clock)
    : m_file(log), m_clock(clock), m_document(log.GetText()) {}

CInstallLogWriter::~CInstallLogWriter() {
    // A failed write of the log is not reported; here not even a lack of memory may escape.
    try {
        Save();
    } catch (...) {
    }
}

void CInstallLogWriter::WriteFileRecord(const std::string& componentKey,
                                        const std::string& fileName, std::int16_t destination,
                                        bool installed, bool replaced) {
    if (!HasPendingRecords()) {
        m_oldestPending = m_clock.TickCount();
    }
    m_document.SetString(componentKey, fileName, FileRecordValue(destination, installed, replaced));
}

void CInstallLogWriter::SaveIfDue() {
    if (!HasPendingRecords()) {
        return;
    }
    const std::uint32_t now = m_clock.TickCount();
    // Unsigned difference: right across the tick count's wrap-around.
    if (now - m_oldestPending < kSaveDelayMs) {
        return;
    }
    if (!m_document.Save()) {
        m_oldestPending = now;
    }
}

bool CInstallLogWriter::Save() {
    return m_document.Save();
}
