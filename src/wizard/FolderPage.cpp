#include "wizard/FolderPage.h"

#include <commdlg.h>

#include <optional>

#include "errors/Exceptions.h"
#include "framework/Application.h"
#include "framework/WindowProperty.h"
#include "profile/DestinationRecord.h"
#include "profile/ProfileCollections.h"
#include "report/ErrorDialog.h"
#include "resources/StringTable.h"
#include "resources/resource.h"
#include "wizard/FolderChoice.h"
#include "wizard/PageTable.h"
#include "wizard/Wizard.h"
#include "wizard/WizardContext.h"

namespace {

// String-table ids: the refused folder and the report of a profile that cannot be resolved.
constexpr unsigned kCannotCreateDirectoryString = 7;
constexpr int kCannotContinueString = 9;

// Fills the browser's hidden file-name field so that its OK is always accepted.
constexpr const char* kPlaceholderFileName = "jet31415.926";
// Old-style dialog flags: no "Read Only", a (hidden) help button, the program's template.
constexpr DWORD kBrowserFlags = OFN_HIDEREADONLY | OFN_SHOWHELP | OFN_ENABLETEMPLATE;
// Posted by the browser to itself: refresh once the dialog has finished its own handling
// of a list change (its current directory changes only then).
constexpr UINT kRefreshMessage = WM_APP + 1;
constexpr const char* kBrowserProperty = "SetupFolderDialog";

std::string CurrentDirectory() {
    char buffer[MAX_PATH + 1] = {};
    DWORD length = ::GetCurrentDirectoryA(MAX_PATH, buffer);
    return length > 0 && length <= MAX_PATH ? std::string(buffer, length) : std::string();
}

bool IsDirectoryPath(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

class CDiskFolderMaker : public CFolderMaker {
public:
    bool HasSubdirectory(const std::string& path) override {
        std::string text = path;
        if (text.empty() || text.back() != '\\') {
            text += '\\';
        }
        return CFilePath(text).HasSubdirectory();
    }
    bool CreateOneDirectory(const std::string& path) override {
        return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
    }
    bool IsDirectory(const std::string& path) override { return IsDirectoryPath(path); }
};

} // namespace

BOOL CFolderPage::OnInitDialog() {
    // The location is in place before the page start-up shows the page.
    // The destinations as the profile gave them are kept when the page first appears: a
    // second visit (after going back to the page) resolves the new choice from them.
    CWizardContext& app = WizardContext();
    DestinationMap& destinations = app.GetCollections().destinations;
    std::optional<DestinationMap>& loaded = app.GetLoadedDestinations();
    CFilePath chosen;
    if (loaded.has_value() && destinations.GetPath(kDestApplication, chosen)) {
        // Back on the page: the folder chosen before, not the profile's proposal again.
        m_location = chosen.GetText();
    } else {
        loaded = destinations;
        const DestinationRecord* application = destinations.Find(kDestApplication);
        m_location = ProposeLocation(CFilePath(CFilePath::pathSystemDir).GetText(),
                                     application != nullptr ? application->relativePath : "");
    }
    SetItemText(IDC_LOCATION, m_location);
    return CTextPage::OnInitDialog();
}

void CFolderPage::OnOK() {
    CWizardContext& app = WizardContext();
    m_location = GetItemText(IDC_LOCATION);
    std::optional<CFilePath> folder = MakeFolderPath(m_location);
    CDiskFolderMaker maker;
    if (!folder.has_value() || !AcceptFolder(*folder, maker)) {
        RefuseFolder();
        return;
    }
    try {
        ProfileCollections& collections = app.GetCollections();
        const std::optional<DestinationMap>& loaded = app.GetLoadedDestinations();
        ApplyFolderChoice(collections, loaded.has_value() ? *loaded : collections.destinations,
                          *folder);
        app.MoveInstallLogTo(collections.destinations.PathOf(kDestApplication));
    } catch (const CInstallProfileException&) {
        // The profile's destinations cannot be built on any folder: no other folder helps,
        // so the run gives up as a failed work step does.
        app.ReportFailure(kCannotContinueString, std::current_exception());
        app.SetAbort();
        GoToPage(kNotCompletePage);
        return;
    }
    app.LogUnattended("Continue with the folder:", folder->GetText());
    GoToPage(GetNextPageId());
}

void CFolderPage::RefuseFolder() {
    CWizardContext& app = WizardContext();
    const std::string message = LoadStringId(kCannotCreateDirectoryString);
    if (app.IsUnattended()) {
        // Nobody could type another folder: the run ends, and the log says why.
        app.LogUnattended("OK after:", message + ": " + m_location);
        app.NoteFailure();
        app.SetAbort();
        GoToPage(kNotCompletePage);
        return;
    }
    ::MessageBoxA(GetHandle(), message.c_str(), app.GetSetupTitle().c_str(),
                  MB_OK | MB_ICONEXCLAMATION);
    if (HWND edit = GetItem(IDC_LOCATION)) {
        ::SetFocus(edit);
        ::SendMessageA(edit, EM_SETSEL, 0, -1);
    }
}

bool CFolderPage::OnCommand(int id, int code, HWND control) {
    if (id == IDC_BROWSE && code == BN_CLICKED) {
        Browse();
        return true;
    }
    return CTextPage::OnCommand(id, code, control);
}

void CFolderPage::Browse() {
    m_location = GetItemText(IDC_LOCATION);
    std::string chosen;
    if (BrowseForFolder(GetHandle(), m_location, chosen) && IsAlive()) {
        m_location = chosen;
        SetItemText(IDC_LOCATION, m_location);
    }
}

bool BrowseForFolder(HWND owner, const std::string& start, std::string& chosen) {
    std::string startDirectory = start;
    std::string newSubdirectory;
    if (!IsDirectoryPath(start)) {
        // Walk up to the nearest folder that exists; what is missing below it becomes the
        // new subdirectory, so OK with nothing changed gives the start location again.
        CFilePath path;
        path.SetDriveDirectory(start);
        for (int level = 0; level < static_cast<int>(kMaxPathLength); ++level) {
            std::string removed;
            path.RemoveLastDirectory(&removed);
            if (removed.empty()) {
                break;
            }
            newSubdirectory = newSubdirectory.empty() ? removed : removed + "\\" + newSubdirectory;
            if (IsDirectoryPath(path.GetText())) {
                break;
            }
        }
        startDirectory = path.GetText();
    }
    CFolderDialog dialog(owner, startDirectory, newSubdirectory);
    if (!dialog.DoModal()) {
        return false;
    }
    chosen = dialog.GetResultingLocation();
    return true;
}

CFolderDialog::CFolderDialog(HWND owner, std::string startDirectory, std::string newSubdirectory)
    : m_owner(owner), m_startDirectory(std::move(startDirectory)),
      m_newSubdirectory(std::move(newSubdirectory)), m_resultingLocation(m_startDirectory),
      m_currentDirectory(m_startDirectory) {}

bool CFolderDialog::DoModal() {
    char fileName[MAX_PATH + 1] = {};
    lstrcpynA(fileName, kPlaceholderFileName, sizeof(fileName));
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = m_owner;
    dialog.hInstance = CApplication::Get() != nullptr ? CApplication::Get()->GetInstance()
                                                      : ::GetModuleHandleA(nullptr);
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = sizeof(fileName);
    dialog.lpstrInitialDir = m_currentDirectory.c_str();
    // The common dialog would otherwise put its own title over the template's.
    dialog.lpstrTitle = "Open";
    dialog.Flags = kBrowserFlags | OFN_ENABLEHOOK;
    dialog.lpfnHook = &CFolderDialog::HookProc;
    dialog.lCustData = reinterpret_cast<LPARAM>(this);
    dialog.lpTemplateName = MAKEINTRESOURCEA(IDD_FOLDER_BROWSER);
    // The dialog changes the process's current directory while it runs; the rest of the
    // program does not depend on it, but it is put back all the same.
    const std::string previousDirectory = CurrentDirectory();
    const BOOL ok = ::GetSaveFileNameA(&dialog);
    if (!previousDirectory.empty()) {
        ::SetCurrentDirectoryA(previousDirectory.c_str());
    }
    return ok != FALSE;
}

void CFolderDialog::DoDataExchange(bool saveAndValidate) {
    if (m_initialized == 0 || m_window == nullptr) {
        return;
    }
    char buffer[MAX_PATH + 1] = {};
    if (saveAndValidate) {
        ::GetDlgItemTextA(m_window, IDC_NEW_SUBDIRECTORY, buffer, sizeof(buffer));
        m_newSubdirectory = buffer;
        ::GetDlgItemTextA(m_window, IDC_FD_CURRENT_DIR, buffer, sizeof(buffer));
        m_currentDirectory = buffer;
        // The label may show a shortened form of a long directory; the dialog keeps its
        // current directory as the process's current directory, which is always whole.
        if (!MakeFolderPath(m_currentDirectory).has_value() ||
            m_currentDirectory.find("...") != std::string::npos) {
            m_currentDirectory = CurrentDirectory();
        }
        return;
    }
    ::SetDlgItemTextA(m_window, IDC_NEW_SUBDIRECTORY, m_newSubdirectory.c_str());
    ::SetDlgItemTextA(m_window, IDC_RESULT_LOCATION, m_resultingLocation.c_str());
}

BOOL CFolderDialog::OnInitDialog() {
    RECT rect{};
    ::GetWindowRect(m_window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    ::SetWindowPos(m_window, nullptr, (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                   (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_initialized = 1;
    DoDataExchange(false);
    Refresh();
    return TRUE;
}

bool CFolderDialog::OnOK() {
    Refresh();
    return ValidateLocation() != 0;
}

void CFolderDialog::OnListSelectionChange() {
    ::PostMessageA(m_window, kRefreshMessage, 0, 0);
}

int CFolderDialog::ValidateLocation() {
    return 1;
}

void CFolderDialog::Refresh() {
    if (m_initialized == 0) {
        return;
    }
    DoDataExchange(true);
    CFilePath location;
    location.SetDriveDirectory(m_currentDirectory);
    std::string name = m_newSubdirectory;
    const std::size_t first = name.find_first_not_of(' ');
    name = first == std::string::npos ? std::string() : name.substr(first);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\\')) {
        name.pop_back();
    }
    location.AppendDirectory(name);
    m_resultingLocation = location.GetText();
    ::SetDlgItemTextA(m_window, IDC_RESULT_LOCATION, m_resultingLocation.c_str());
}

UINT_PTR CALLBACK CFolderDialog::HookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CFolderDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        const auto* info = reinterpret_cast<const OPENFILENAMEA*>(lParam);
        self = reinterpret_cast<CFolderDialog*>(info->lCustData);
        self->m_window = window;
        ::SetPropA(window, kBrowserProperty, self);
        ::SetPropA(window, kTemplateIdProperty,
                   reinterpret_cast<HANDLE>(static_cast<INT_PTR>(IDD_FOLDER_BROWSER)));
    } else {
        self = static_cast<CFolderDialog*>(::GetPropA(window, kBrowserProperty));
    }
    if (self == nullptr) {
        return 0;
    }
    // No exception may cross the common dialog's code: it goes to the application's report
    // as one from any window procedure would.
    try {
        return self->OnHookMessage(message, wParam, lParam);
    } catch (...) {
        return static_cast<UINT_PTR>(HandleCallbackException(window, message, wParam, lParam));
    }
}

UINT_PTR CFolderDialog::OnHookMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    static const UINT selectionChanged = ::RegisterWindowMessageA(LBSELCHSTRINGA);
    (void)lParam;
    if (message == WM_INITDIALOG) {
        return OnInitDialog();
    }
    if (message == WM_DESTROY) {
        ::RemovePropA(m_window, kBrowserProperty);
        ::RemovePropA(m_window, kTemplateIdProperty);
        m_window = nullptr;
        m_initialized = 0;
        return 0;
    }
    if (message == kRefreshMessage) {
        Refresh();
        return 1;
    }
    if (message == selectionChanged) {
        OnListSelectionChange();
        return 0;
    }
    if (message == WM_COMMAND) {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == IDC_NEW_SUBDIRECTORY && code == EN_CHANGE) {
            Refresh();
            return 0;
        }
        if ((id == IDC_FD_DIRECTORIES && (code == LBN_SELCHANGE || code == LBN_DBLCLK)) ||
            (id == IDC_FD_DRIVES && (code == CBN_SELCHANGE || code == CBN_CLOSEUP))) {
            OnListSelectionChange();
            return 0;
        }
        if (id == IDOK) {
            // The resulting location is taken now; the dialog then closes as it always does
            // (its file-name field holds the placeholder), or stays when refused.
            return OnOK() ? 0 : 1;
        }
    }
    return 0;
}
