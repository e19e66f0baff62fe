#include "wizard/CopyPage.h"

#include "app/SetupApp.h"
#include "engine/InsertDisketteDialog.h"
#include "engine/InstallPlatformWin32.h"
#include "engine/ProgramManager.h"
#include "profile/ProfileCollections.h"
#include "wizard/PageTable.h"
#include "wizard/PumpMessages.h"

namespace {

// Controls of the page's template: the archive being read, the file being written and the
// placeholder frame that the gauge replaces.
constexpr int kSourceText = 1008;
constexpr int kDestinationText = 1009;
constexpr int kGaugeControl = 1010;

constexpr const char* kRemovalHelperName = "_xktinst.exe";

bool IsFile(const CFilePath& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The program and its profile for the application directory, and the removal helper (found
// beside the program, or else in the source directory) for the system directory.
std::vector<CSetupFile> SetupFilesOf(const SetupApp& app) {
    std::vector<CSetupFile> files{{app.GetProgramPath(), kDestApplication, true},
                                  {app.GetProfilePath(), kDestApplication, true}};
    CFilePath helper = app.GetProgramPath();
    helper.SetFileName(kRemovalHelperName);
    if (!IsFile(helper)) {
        helper = app.GetSourceDirectory();
        helper.SetFileName(kRemovalHelperName);
    }
    if (IsFile(helper)) {
        files.push_back({helper, kDestSystem, false});
    }
    return files;
}

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
    // Takes the place (and the id) of the placeholder frame.
    m_gauge.CreateGauge(WS_CHILD | WS_VISIBLE | WS_BORDER, RECT{0, 0, 0, 0}, GetHandle(),
                        kGaugeControl);
    return TRUE;
}

void CCopyPage::OnCancel() {
    m_cancelPending = true;
}

int CCopyPage::DoWork() {
    SetupApp& app = GetSetupApp();
    CSetupArchiveRun run(app, GetHandle());
    CWin32InstallPlatform platform([this] { PumpAndHandleCancel(); },
                                   [&app](const TargetMap& targets) {
                                       ProgramItemsContext context;
                                       context.groupName = app.GetProgramGroup();
                                       CFilePath appDirectory;
                                       app.GetCollections().destinations.GetPath(kDestApplication,
                                                                                 appDirectory);
                                       context.appDirectory = appDirectory;
                                       context.pump = [] { PumpMessages(); };
                                       context.mainWindow = app.GetMainWindow();
                                       CreateProgramItems(targets, context);
                                   });
    CInstallEngine engine(app.GetCollections(), app.GetInstallLogPath(), run, platform);
    engine.SetSetupFiles(SetupFilesOf(app));
    if (!engine.InstallArchives(*this)) {
        SetNextPageId(kNotCompletePage);
        return kNotCompletePage;
    }
    return GetNextPageId();
}

void CCopyPage::SetRange(std::uint32_t total) {
    m_gauge.SetRange(1, total);
    m_gauge.SetPos(0, false);
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
    m_gauge.SetPos(position, true);
    SetItemText(kDestinationText, m_currentFile->destinationPath);
}
