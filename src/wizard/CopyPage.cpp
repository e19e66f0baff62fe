#include "wizard/CopyPage.h"

#include <commctrl.h>

#include <algorithm>

#include "app/SetupApp.h"
#include "engine/InsertDisketteDialog.h"
#include "engine/InstallPlatformWin32.h"
#include "profile/ProfileCollections.h"
#include "wizard/PageTable.h"
#include "wizard/PumpMessages.h"

namespace {

// Controls of the page's template: the archive being read, the file being written and the
// placeholder frame that the gauge replaces.
constexpr int kSourceText = 1008;
constexpr int kDestinationText = 1009;
constexpr int kGaugeControl = 1010;

} // namespace

bool CSetupArchiveRun::IsAborted() const {
    return m_app.IsAborted();
}

void CSetupArchiveRun::SetAbort() {
    m_app.SetAbort();
}

CProgressSink* CSetupArchiveRun::GetProgressSink() const {
    return GetCurrentInstallProgress();
}

CFilePath CSetupArchiveRun::GetSourceDirectory() const {
    return m_app.GetSourceDirectory();
}

bool CSetupArchiveRun::Locate(const std::string& fileName, std::int32_t diskNumber) {
    CFilePath directory = m_app.GetSourceDirectory();
    CInsertDiskettePrompt prompt(m_app.GetCollections().diskettes, m_parent);
    CDisketteLocator locator(directory, prompt);
    const bool found = locator.Locate(fileName, diskNumber);
    if (directory.GetText() != m_app.GetSourceDirectory().GetText()) {
        m_app.SetSourceDirectory(directory);
    }
    return found;
}

BOOL CCopyPage::OnInitDialog() {
    CSetupPage::OnInitDialog();
    // The gauge: the system's progress bar in the place and with the id of the frame.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    HWND frame = GetItem(kGaugeControl);
    RECT rect{0, 0, 0, 0};
    if (frame != nullptr) {
        ::GetWindowRect(frame, &rect);
        ::MapWindowPoints(nullptr, GetHandle(), reinterpret_cast<POINT*>(&rect), 2);
        ::DestroyWindow(frame);
    }
    m_gauge =
        ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | WS_BORDER, rect.left,
                          rect.top, rect.right - rect.left, rect.bottom - rect.top, GetHandle(),
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kGaugeControl)),
                          ::GetModuleHandleA(nullptr), nullptr);
    if (m_gauge != nullptr) {
        ::SendMessageA(m_gauge, PBM_SETRANGE32, 0, 99);
        ::SendMessageA(m_gauge, PBM_SETPOS, 0, 0);
    }
    return TRUE;
}

void CCopyPage::OnCancel() {
    m_cancelPending = true;
}

int CCopyPage::DoWork() {
    SetupApp& app = GetSetupApp();
    CSetupArchiveRun run(app, GetHandle());
    CWin32InstallPlatform platform([this] { PumpAndHandleCancel(); },
                                   // The Program Manager items are not made yet: the DDE
                                   // client is not part of this program so far.
                                   [](const TargetMap&) {});
    CInstallEngine engine(app.GetCollections(), app.GetInstallLogPath(), run, platform);
    if (!engine.InstallArchives(*this)) {
        SetNextPageId(kNotCompletePage);
        return kNotCompletePage;
    }
    return GetNextPageId();
}

void CCopyPage::SetRange(std::uint32_t total) {
    if (m_gauge != nullptr) {
        // The lower end is 1, so the bar stays empty at position 0 as well.
        ::SendMessageA(m_gauge, PBM_SETRANGE32, 1,
                       static_cast<LPARAM>(
                           std::min<std::uint32_t>(std::max<std::uint32_t>(total, 1), 0x7FFFFFFF)));
        ::SendMessageA(m_gauge, PBM_SETPOS, 0, 0);
    }
}

void CCopyPage::ShowSource(const std::string& text) {
    SetItemText(kSourceText, text);
    ::UpdateWindow(GetHandle());
}

bool CCopyPage::PumpAndHandleCancel() {
    PumpMessages();
    if (!m_cancelPending) {
        return false;
    }
    m_cancelPending = false;
    if (ConfirmCancel() == 0) {
        return false;
    }
    GetSetupApp().SetAbort();
    SetNextPageId(kNotCompletePage);
    return true;
}

void CCopyPage::ShowProgress() {
    if (m_currentFile == nullptr) {
        return;
    }
    const std::uint32_t position =
        m_bytesDone + static_cast<std::uint32_t>(m_currentFile->GetCount(CVolumeFile::dirWrite));
    if (PumpAndHandleCancel()) {
        // m_currentFile stays valid: the member that is being expanded is the one whose
        // extraction called us.
        m_currentFile->GetArchive().Abort();
        return;
    }
    SetGaugePosition(position);
    SetItemText(kDestinationText, m_currentFile->destinationPath);
}

void CCopyPage::SetGaugePosition(std::uint32_t position) {
    if (m_gauge != nullptr) {
        ::SendMessageA(m_gauge, PBM_SETPOS,
                       static_cast<WPARAM>(std::min<std::uint32_t>(position, 0x7FFFFFFF)), 0);
        ::UpdateWindow(m_gauge);
    }
}
