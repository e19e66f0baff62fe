#include "app/SetupApp.h"

#include "errors/DescribeException.h"
#include "errors/Exceptions.h"
#include "framework/DialogColors.h"
#include "profile/EventLog.h"
#include "profile/ProfileCollections.h"
#include "profile/SystemFolders.h"
#include "report/ErrorDialog.h"
#include "wizard/MainWnd.h"
#include "wizard/PageTable.h"
#include "wizard/SplashDialog.h"
#include "wizard/Wizard.h"

namespace {

// String-table id of "Setup cannot continue".
constexpr int kCannotContinueString = 9;

// The 3-D controls library and its exports, used only below major version 4.
constexpr const char* kThreeDLibrary = "ctl3d32.dll";
using Ctl3dFunction = BOOL(WINAPI*)(HINSTANCE);

Ctl3dFunction GetCtl3dFunction(HMODULE library, const char* name) {
    return reinterpret_cast<Ctl3dFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
}

int OsMajorVersion() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ::GetVersionExA(&info);
#pragma GCC diagnostic pop
    return static_cast<int>(info.dwMajorVersion);
}

CFilePath ModuleFileName() {
    char buffer[MAX_PATH + 1] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return CFilePath(std::string(buffer, length));
}

} // namespace

SetupApp::SetupApp() = default;

SetupApp::~SetupApp() = default;

bool SetupApp::InitInstance() {
    // 1. The collections (the destinations start with the predefined ones).
    m_systemFolders = CreatePlatformSystemFolders();
    m_collections = std::make_unique<ProfileCollections>(*m_systemFolders);

    // 2. The paths: profile beside the program, source directory, install log.
    m_programPath = ModuleFileName();
    m_paths = std::make_unique<CRunPaths>(MakeRunPaths(m_programPath));
    m_writeLog = true;

    // 3. Three-dimensional controls, only on systems older than major version 4.
    if (OsMajorVersion() < 4) {
        SetUpThreeDControls();
    }

    // 4. Light grey dialogs with black text.
    SetDialogColors(kDialogBackground, kDialogText);

    // 5. The command line: options D, T, U, B, I in this order.
    ApplyOptions(CCommandLine(GetCommandLine()), *m_paths, m_options);

    // 6. The "general" section, from the profile beside the program also in removal mode.
    m_general = ReadGeneralSettings(m_paths->profile);
    m_mainCaption = m_general.appSetup;
    m_programGroup = m_general.pmGroup;

    // /? asks for the options and exit codes only: no wizard, no main window.
    if (m_options.showHelp) {
        m_outcome.NoteHelpShown();
        ShowUsage();
        return true;
    }

    // 7. The splash picture, or the wizard at once.
    ShowSplashOrStart();
    return true;
}

void SetupApp::SetUpThreeDControls() {
    UINT oldMode = ::SetErrorMode(SEM_NOOPENFILEERRORBOX);
    HMODULE library = ::LoadLibraryA(kThreeDLibrary);
    ::SetErrorMode(oldMode);
    if (library == nullptr) {
        return;
    }
    Ctl3dFunction registerFunction = GetCtl3dFunction(library, "Ctl3dRegister");
    if (registerFunction == nullptr || !registerFunction(GetInstance())) {
        ::FreeLibrary(library);
        return;
    }
    m_threeDControls = library;
    if (Ctl3dFunction autoSubclass = GetCtl3dFunction(library, "Ctl3dAutoSubclass")) {
        autoSubclass(GetInstance());
    }
}

void SetupApp::ReleaseThreeDControls() {
    if (m_threeDControls == nullptr) {
        return;
    }
    if (Ctl3dFunction unregister = GetCtl3dFunction(m_threeDControls, "Ctl3dUnregister")) {
        unregister(GetInstance());
    }
    ::FreeLibrary(m_threeDControls);
    m_threeDControls = nullptr;
}

void SetupApp::ShowSplashOrStart() {
    if (!m_general.splashPath.IsEmpty()) {
        // Only the file name counts: the picture always comes from the source directory.
        CFilePath picture = m_paths->sourceDir;
        picture.SetFileName(m_general.splashPath.GetFileName());
        auto splash = std::make_unique<CSplashDialog>(picture.GetText(), [this] { StartWizard(); });
        splash->SetReportErrors(!m_options.unattended);
        if (splash->Open()) {
            // The splash owns itself now; it is the main window until the wizard starts.
            SetMainWindow(splash.release()->GetHandle());
            return;
        }
        // The picture exists but cannot be loaded (or the splash cannot be made): the
        // picture is decoration only, so the wizard starts at once.
        LogUnattended("started without the splash picture, which cannot be read:",
                      picture.GetText());
    }
    StartWizard();
}

void SetupApp::ShowUsage() const {
    const std::string text = UsageText();
    if (!m_options.unattended) {
        ::MessageBoxA(nullptr, text.c_str(), m_general.appSetup.c_str(),
                      MB_OK | MB_ICONINFORMATION);
        return;
    }
    // A script that redirected our output gets the text there; nobody waits for a box.
    HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (output != nullptr && output != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

void SetupApp::LogUnattended(const std::string& answer, const std::string& what) const {
    if (!m_options.unattended || m_paths == nullptr) {
        return;
    }
    CEventLog events(m_paths->installLog);
    events.AppendEvent("Unattended: " + answer + " " + what);
}

void SetupApp::ReportFailure(int messageId, std::exception_ptr error) {
    m_outcome.NoteFailure();
    if (!error) {
        return;
    }
    if (!m_options.unattended) {
        ReportException(messageId, error);
        return;
    }
    ExceptionDescription description;
    try {
        std::rethrow_exception(error);
    } catch (...) {
        description = DescribeCurrentException();
    }
    LogUnattended("OK after:", FormatReportLine(messageId, ReportMessage(messageId), description));
}

void SetupApp::StartWizard() {
    auto mainWnd = std::make_unique<CMainWnd>();
    if (!mainWnd->CreateMain(m_mainCaption, m_options.unattended)) {
        // Without the background window there is no wizard: say so, and the run ends (the
        // framework ends a run without main window; a splash that is still the main window
        // closes right after this call).
        ReportFailure(kCannotContinueString, std::make_exception_ptr(CResourceException()));
        return;
    }
    m_mainWnd = std::move(mainWnd);
    SetMainWindow(m_mainWnd->GetHandle());
    ::SetForegroundWindow(m_mainWnd->GetHandle());
    ::SetActiveWindow(m_mainWnd->GetHandle());

    if (m_options.removal) {
        m_paths->profile = m_paths->installLog;
        GoToPage(kRemoveConfirmPage);
    } else {
        GoToPage(kWelcomePage);
    }
}

void SetupApp::MoveInstallLogTo(const CFilePath& applicationDirectory) {
    if (!m_options.removal && !applicationDirectory.IsEmpty()) {
        m_paths->installLog = InstallLogIn(applicationDirectory);
    }
}

HPALETTE SetupApp::GetMainPalette() const {
    return m_mainWnd != nullptr ? m_mainWnd->GetPalette() : nullptr;
}

RunOutcome SetupApp::DecideOutcome() const {
    const CPageDriver& driver = m_pageDriver;
    WizardEnd end = WizardEnd::Other;
    if (driver.HasEnded()) {
        const int page = driver.GetEndPageId();
        if (page == kCompletePage || page == kRemovedPage) {
            end = WizardEnd::CompletePage;
        } else {
            end = WizardEnd::NotCompletePage;
        }
    }
    return m_outcome.Decide(end);
}

int SetupApp::ExitInstance() {
    const RunOutcome outcome = DecideOutcome();
    if (!m_options.showHelp) {
        LogUnattended("end of setup:", std::string(DescribeOutcome(outcome)) + ", exit code " +
                                           std::to_string(ExitCodeOf(outcome)));
    }

    // The background window goes first (normally it is gone already): pages that go with it
    // may still use the collections and paths.
    m_mainWnd.reset();
    // 1., 2. The collections with their records, then the paths.
    m_collections.reset();
    m_paths.reset();

    // 3. The 3-D controls library.
    ReleaseThreeDControls();

    // 4. Tell the waiting thread (nothing waits for the result).
    if (m_options.notifyThread != 0) {
        ::PostThreadMessageA(m_options.notifyThread, kNotifyExitMessage, 0, 0);
    }

    // 5. After a removal: the removal helper finishes the job. Only after one that went
    // through: the helper deletes this program, its profile and the log, so a removal that
    // was declined or failed must keep them for the next try.
    if (m_options.removal &&
        (outcome == RunOutcome::Complete || outcome == RunOutcome::RestartNeeded)) {
        char system[MAX_PATH + 1] = {};
        UINT length = ::GetSystemDirectoryA(system, MAX_PATH);
        std::string systemDir(system, length <= MAX_PATH ? length : 0);
        std::string command = MakeRemovalCommand(CFilePath(systemDir + "\\"), m_programPath);
        ::WinExec(command.c_str(), SW_SHOW);
    }
    return ExitCodeOf(outcome);
}

LRESULT SetupApp::ProcessWndProcException(std::exception_ptr error, const MSG& /*message*/) {
    ReportFailure(kCannotContinueString, error);
    // A page that could not be opened leaves the wizard without a page: nothing could ever
    // move on, so the run ends instead of waiting for ever.
    CPageDriver& driver = m_pageDriver;
    if (GetMainWindow() != nullptr && m_mainWnd != nullptr &&
        GetMainWindow() == m_mainWnd->GetHandle() && driver.GetCurrentPage() == nullptr &&
        !driver.HasEnded()) {
        driver.GoToPage(kEndOfRun);
    }
    return 0;
}
