#include "engine/ArchiveRecord.h"

#include "errors/Exceptions.h"

CArchiveRecord::CArchiveRecord(const ArchiveRecordInfo& info, CArchiveRun& run)
    : ArchiveRecordInfo(info), m_run(run) {}

CFilePath CArchiveRecord::GetSourcePath() const {
    CFilePath path = m_run.GetSourceDirectory();
    path.SetFileName(fileName);
    return path;
}

void CArchiveRecord::OnBlockBoundary() {
    if (m_run.IsAborted()) {
        return;
    }
    if (CProgressSink* sink = m_run.GetProgressSink()) {
        sink->ShowProgress();
    }
}

std::string CArchiveRecord::LocateVolume(const std::string& volumeName) {
    // The current diskette may have to leave the drive: nothing of it stays open.
    Close();
    // After a confirmed cancel the member is not finished anyway; asking for another
    // diskette first would make the user insert it for nothing.
    if (m_run.IsAborted()) {
        throw CUserException();
    }
    ++diskNumber;
    if (!m_run.Locate(volumeName, diskNumber)) {
        m_run.SetAbort();
        throw CUserException();
    }
    CFilePath path = m_run.GetSourceDirectory();
    path.SetFileName(volumeName);
    return path;
}
