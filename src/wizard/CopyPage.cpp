#include "wizard/CopyPage.h"

#include "engine/InstallPlatformWin32.h"
#include "engine/ProgramManager.h"
#include "errors/DescribeException.h"
#include "profile/DisketteRecord.h"
#include "profile/ProfileCollections.h"
#include "report/ErrorDialog.h"
#include "resources/resource.h"
#include "wizard/InsertDisketteDialog.h"
#include "wizard/PageTable.h"
#include "wizard/PumpMessages.h"
#include "wizard/Wizard.h"
#include "wizard/WizardContext.h"

namespace {

// "Cannot install files from '%s':"
constexpr int kCannotInstallMessage = 17;

// The Insert Diskette prompt of an unattended run: nobody can insert a diskette, so the
// locator's answer after the source and numbered directories is to give up.
class CUnattendedDiskettePrompt : public CDiskettePrompt {
public:
    explicit CUnattendedDiskettePrompt(CWizardContext& app) : m_app(app) {}

    bool AskForDiskette(const CFilePath& filePath, std::int32_t number) override {
        const std::string text = InsertDisketteText(
            m_app.GetCollections().diskettes.LabelOf(number), number, filePath.GetDrive());
        m_app.LogUnattended("Cancel after:", text + " (" + filePath.GetText() + " not found)");
        m_app.NoteFailure();
        return false;
    }

private:
    CWizardContext& m_app;
};

// The archive report of an attended run: the error dialog, Continue Operation / Cancel
// Operation.
class CErrorDialogInterface : public CInstallUserInterface {
public:
    bool ReportArchiveError(const CException& error, const std::string& archiveName) override {
        return ReportErrorAsk(kCannotInstallMessage, error, archiveName.c_str()) != 0;
    }
};

// The copy page's machine: the Windows platform, with the archive report answered in an
// unattended run and replacements at the next restart counted for the exit code.
class CCopyPagePlatform : public CWin32InstallPlatform {
public:
    using CWin32InstallPlatform::CWin32InstallPlatform;

    bool ReportArchiveError(const CException& error, const std::string& archiveName) override {
        CWizardContext& app = WizardContext();
        // Continued or not, the files of that archive are missing.
        app.NoteFailure();
        if (!app.IsUnattended()) {
            return CWin32InstallPlatform::ReportArchiveError(error, archiveName);
        }
        // As in an attended run, the records so far are on disk when the run ends with this.
        SaveLog();
        const std::string message = ReportMessage(kCannotInstallMessage, archiveName.c_str());
        app.LogUnattended(
            "Cancel Operation after:",
            FormatReportLine(kCannotInstallMessage, message, DescribeException(error)));
        return false;
    }

    bool DeferReplacement(const CFilePath& newFile, const CFilePath& present) override {
        if (!CWin32InstallPlatform::DeferReplacement(newFile, present)) {
            return false;
        }
        CWizardContext& app = WizardContext();
        app.NoteRestartNeeded();
        app.LogUnattended("restart needed:", present.GetText() + " is in use and is replaced "
                                                                 "at the next restart");
        return true;
    }
};

constexpr const char* kRemovalHelperName = "_xktinst.exe";

bool IsFile(const CFilePath& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The program and its profile for the application directory, and the removal helper (found
// beside the program, or else in the source directory) for the system directory.
std::vector<CSetupFile> SetupFilesOf(const CWizardContext& app) {
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

// While a run goes on, this timer has the platform save the install log's pending file
// records, also while a question, an error report or the diskette prompt holds the run up
// (their message loops dispatch the timer's messages to the page).
constexpr UINT_PTR kLogSaveTimer = 1;
constexpr UINT kLogSaveIntervalMs = 200;

// The page's view of the run's platform and its timer, for the lifetime of the run.
class CRunScope {
public:
    CRunScope(HWND page, CWin32InstallPlatform*& current, CWin32InstallPlatform& platform)
        : m_page(page), m_current(current) {
        m_current = &platform;
        ::SetTimer(m_page, kLogSaveTimer, kLogSaveIntervalMs, nullptr);
    }
    ~CRunScope() {
        ::KillTimer(m_page, kLogSaveTimer);
        m_current = nullptr;
    }
    CRunScope(const CRunScope&) = delete;
    CRunScope& operator=(const CRunScope&) = delete;

private:
    HWND m_page;
    CWin32InstallPlatform*& m_current;
};

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
    CInsertDiskettePrompt dialogPrompt(m_app.GetCollections().diskettes, m_parent);
    CUnattendedDiskettePrompt unattendedPrompt(m_app);
    CDiskettePrompt& prompt = m_app.IsUnattended() ? static_cast<CDiskettePrompt&>(unattendedPrompt)
                                                   : static_cast<CDiskettePrompt&>(dialogPrompt);
    CDisketteLocator locator(directory, prompt);
    const bool found = locator.Locate(fileName, diskNumber);
    if (directory.GetText() != m_app.GetSourceDirectory().GetText()) {
        m_app.SetSourceDirectory(directory);
    }
    if (!found && !m_app.IsUnattended()) {
        // The user gave up on the diskette.
        m_app.NoteCancelled();
    }
    return found;
}

BOOL CCopyPage::OnInitDialog() {
    CSetupPage::OnInitDialog();
    // Takes the place (and the id) of the placeholder frame.
    m_gauge.CreateGauge(WS_CHILD | WS_VISIBLE | WS_BORDER, RECT{0, 0, 0, 0}, GetHandle(),
                        IDC_GAUGE);
    return TRUE;
}

void CCopyPage::OnCancel() {
    m_cancelPending = true;
}

int CCopyPage::DoWork() {
    CWizardContext& app = WizardContext();
    CSetupArchiveRun run(app, GetHandle());
    CErrorDialogInterface errorDialog;
    CCopyPagePlatform platform([this] { PumpAndHandleCancel(); },
                               [&app](const TargetMap& targets) {
                                   ProgramItemsContext context;
                                   context.groupName = app.GetProgramGroup();
                                   CFilePath appDirectory;
                                   app.GetCollections().destinations.GetPath(kDestApplication,
                                                                             appDirectory);
                                   context.appDirectory = appDirectory;
                                   context.pump = [] { PumpMessages(); };
                                   context.mainWindow = app.GetBackgroundWindow();
                                   CreateProgramItems(targets, context);
                               },
                               errorDialog);
    CRunScope scope(GetHandle(), m_platform, platform);
    CInstallEngine engine(app.GetCollections(), app.GetInstallLogPath(), run, platform);
    engine.SetSetupFiles(SetupFilesOf(app));
    if (!engine.InstallArchives(*this)) {
        SetNextPageId(kNotCompletePage);
        return kNotCompletePage;
    }
    return GetNextPageId();
}

bool CCopyPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_TIMER && wParam == kLogSaveTimer) {
        if (m_platform != nullptr) {
            m_platform->SaveLogIfDue();
        }
        result = 0;
        return true;
    }
    return CSetupPage::OnMessage(message, wParam, lParam, result);
}

void CCopyPage::SetRange(std::uint32_t total) {
    m_gauge.SetRange(1, total);
    m_gauge.SetPos(0, false);
}

void CCopyPage::ShowSource(const std::string& text) {
    SetItemText(IDC_SOURCE_FILE, text);
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
    WizardContext().SetAbort();
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
    SetItemText(IDC_DESTINATION_FILE, m_currentFile->destinationPath);
}
