#include "app/SetupApp.h"

#include <cstdlib>
#include <map>

#include "errors/ErrorDialog.h"
#include "errors/Exceptions.h"
#include "framework/DialogColors.h"
#include "profile/ProfileCollections.h"
#include "profile/SystemFolders.h"
#include "support/Profile.h"
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

SetupApp& GetSetupApp() {
    return *static_cast<SetupApp*>(CApplication::Get());
}

SetupApp::SetupApp() = default;

SetupApp::~SetupApp() = default;

bool SetupApp::InitInstance() {
    // 1. The collections (the destinations start with the predefined ones).
    m_systemFolders = CreatePlatformSystemFolders();
    m_collections = std::make_unique<ProfileCollections>(*m_systemFolders);

    // 2. The paths: profile beside the program, source directory, install log.
    m_programPath = ModuleFileName();
    m_profilePath = std::make_unique<CFilePath>(m_programPath);
    m_profilePath->SetExtension("ini");
    m_sourceDirectory = std::make_unique<CFilePath>(m_programPath);
    m_sourceDirectory->SetFileName("");
    m_installLogPath = std::make_unique<CFilePath>(*m_sourceDirectory);
    m_installLogPath->SetFileName("install.log");
    m_writeLog = true;

    // 3. Three-dimensional controls, only on systems older than major version 4.
    if (OsMajorVersion() < 4) {
        SetUpThreeDControls();
    }

    // 4. Light grey dialogs with black text.
    SetDialogColors(kDialogBackground, kDialogText);

    // 5., 6. The command line, then the "general" section.
    ApplyCommandLine();
    ReadGeneral();

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
    if (!m_splashPath.IsEmpty()) {
        // Only the file name counts: the picture always comes from the source directory.
        CFilePath picture = *m_sourceDirectory;
        picture.SetFileName(m_splashPath.GetFileName());
        auto splash = std::make_unique<CSplashDialog>(picture.GetText(), [this] { StartWizard(); });
        if (splash->Open()) {
            // The splash owns itself now; it is the main window until the wizard starts.
            SetMainWindow(splash.release()->GetHandle());
            return;
        }
        // The picture exists but cannot be loaded (or the splash cannot be made): the
        // picture is decoration only, so the wizard starts at once.
    }
    StartWizard();
}

void SetupApp::StartWizard() {
    auto mainWnd = std::make_unique<CMainWnd>();
    if (!mainWnd->CreateMain(m_mainCaption, m_unattended)) {
        // Without the background window there is no wizard: say so, and the run ends (the
        // framework ends a run without main window; a splash that is still the main window
        // closes right after this call).
        ReportError(kCannotContinueString, CResourceException());
        return;
    }
    m_mainWnd = std::move(mainWnd);
    SetMainWindow(m_mainWnd->GetHandle());
    ::SetForegroundWindow(m_mainWnd->GetHandle());
    ::SetActiveWindow(m_mainWnd->GetHandle());

    if (m_removalMode) {
        *m_profilePath = *m_installLogPath;
        GoToPage(kRemoveConfirmPage);
    } else {
        GoToPage(kWelcomePage);
    }
}

HPALETTE SetupApp::GetMainPalette() const {
    return m_mainWnd != nullptr ? m_mainWnd->GetPalette() : nullptr;
}

std::string SetupApp::RemovalHelperCommand() const {
    char system[MAX_PATH + 1] = {};
    UINT length = ::GetSystemDirectoryA(system, MAX_PATH);
    CFilePath helper(std::string(system, length) + "\\");
    helper.SetFileName(kRemovalHelperName);
    CFilePath profile = m_programPath;
    profile.SetExtension("ini");
    return helper.GetText() + " /U /PP:" + profile.GetText();
}

int SetupApp::ExitInstance() {
    // 1., 2. The collections with their records, then the paths.
    m_collections.reset();
    m_profilePath.reset();
    m_sourceDirectory.reset();
    m_installLogPath.reset();
    m_mainWnd.reset();

    // 3. The 3-D controls library.
    ReleaseThreeDControls();

    // 4. Tell the waiting thread (nothing waits for the result).
    if (m_notifyThread != 0) {
        ::PostThreadMessageA(m_notifyThread, kNotifyExitMessage, 0, 0);
    }

    // 5. After a removal: the removal helper finishes the job.
    if (m_removalMode) {
        std::string command = RemovalHelperCommand();
        ::WinExec(command.c_str(), SW_SHOW);
    }
    return CApplication::ExitInstance();
}

LRESULT SetupApp::ProcessWndProcException(std::exception_ptr error, const MSG& /*message*/) {
    if (error) {
        ReportException(kCannotContinueString, error);
    }
    // A page that could not be opened leaves the wizard without a page: nothing could ever
    // move on, so the run ends instead of waiting for ever.
    CPageDriver& driver = GetPageDriver();
    if (GetMainWindow() != nullptr && m_mainWnd != nullptr &&
        GetMainWindow() == m_mainWnd->GetHandle() && driver.GetCurrentPage() == nullptr &&
        !driver.HasEnded()) {
        driver.GoToPage(kEndOfRun);
    }
    return 0;
}

void SetupApp::ApplyCommandLine() {
    // Tokens at single blanks; "/X..." or "/NAME:value" are options, a later one wins.
    std::map<std::string, std::string> options;
    const std::string& line = GetCommandLine();
    std::string::size_type pos = 0;
    while (pos < line.size()) {
        std::string::size_type end = line.find(' ', pos);
        if (end == std::string::npos) {
            end = line.size();
        }
        std::string token = line.substr(pos, end - pos);
        pos = end + 1;
        if (token.size() < 2 || token[0] != '/') {
            continue;
        }
        std::string::size_type colon = token.find(':');
        if (colon != std::string::npos) {
            options[token.substr(1, colon - 1)] = token.substr(colon + 1);
        } else {
            options[token.substr(1, 1)] = token.substr(2);
        }
    }
    auto found = options.find("D");
    if (found != options.end()) {
        std::string directory = found->second;
        if (directory.empty() || directory.back() != '\\') {
            directory += '\\';
        }
        m_sourceDirectory->SetDriveDirectory(directory);
        m_profilePath->SetDriveDirectory(directory);
    }
    found = options.find("T");
    if (found != options.end()) {
        // Leading digits; no digits give 0 (no thread).
        m_notifyThread = static_cast<DWORD>(std::atol(found->second.c_str()));
    }
    m_removalMode = options.count("U") != 0;
    m_unattended = options.count("B") != 0;
    m_ignoreConditions = options.count("I") != 0;
}

void SetupApp::ReadGeneral() {
    auto read = [this](const char* key, const char* fallback) {
        return CProfileString(fallback, "general", key, *m_profilePath).GetValue();
    };
    m_mainCaption = read("App Setup", "MISSING APP SETUP");
    m_setupTitle = m_mainCaption;
    m_programGroup = read("PM Group", "MISSING PM GROUP");
    m_primaryFileName = read("Primary NameExtension", "");
    m_displayName = read("Display Name", "");
    m_appTitle = read("App Title", "MISSING APP TITLE");
    m_splashPath = read("Splash Path", "");
}
