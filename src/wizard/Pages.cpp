#include "wizard/Pages.h"

#include "engine/ProgramManager.h"
#include "engine/Registration.h"
#include "engine/RemovalPlatformWin32.h"
#include "engine/SelfRegistration.h"
#include "errors/Exceptions.h"
#include "profile/ProfileCollections.h"
#include "resources/resource.h"
#include "wizard/PageTable.h"
#include "wizard/PumpMessages.h"
#include "wizard/Wizard.h"
#include "wizard/WizardContext.h"

namespace {

// Runs step on a registrar over the program object's data, the real registry and the install
// log's events.
template <typename Step> void RunRegistration(Step step) {
    CWizardContext& app = WizardContext();
    ProfileCollections& collections = app.GetCollections();
    const RegistrationInputs inputs{collections.destinations, app.GetPrimaryFileName(),
                                    app.GetDisplayName(), app.GetProgramPath().GetFileName()};
    CEventLog events(app.GetInstallLogPath());
    CWin32SelfRegPlatform platform;
    CSelfRegistrar selfRegistrar(collections.destinations, events, platform);
    CWin32RegistrationTarget registry;
    CApplicationRegistrar registrar(inputs, registry, selfRegistrar, collections.selfRegDlls);
    step(registrar, app);
}

} // namespace

int CReadingPage::DoWork() {
    CWizardContext& app = WizardContext();
    LoadProfile(app.GetCollections(), app.GetProfilePath(), [&app] {
        PumpMessages();
        // A Cancel confirmed while the messages were handled stops the reading here.
        if (app.IsAborted()) {
            throw CUserException();
        }
    });
    return GetNextPageId();
}

int CRegisteringPage::DoWork() {
    RunRegistration([](CApplicationRegistrar& registrar, CWizardContext& app) {
        registrar.Register(app.GetInstallLogPath());
    });
    return GetNextPageId();
}

namespace {

// The removal's machine: the files and counts of CWin32RemovalFiles, the page for progress
// and cancel, Program Manager, and the libraries listed in the log.
class CPageRemovalPlatform : public CWin32RemovalFiles {
public:
    explicit CPageRemovalPlatform(CRemovingPage& page) : m_page(page) {}

    void ShowRemoving(const CFilePath& path) override { m_page.ShowRemoving(path); }
    void DeleteProgramItems(const TargetMap& targets) override {
        CWizardContext& app = WizardContext();
        ProgramItemsContext context;
        context.groupName = app.GetProgramGroup();
        CFilePath appDirectory;
        app.GetCollections().destinations.GetPath(kDestApplication, appDirectory);
        context.appDirectory = appDirectory;
        context.pump = [] { PumpMessages(); };
        context.mainWindow = app.GetBackgroundWindow();
        ::DeleteProgramItems(targets, context);
    }
    void UnregisterLibraries() override {
        RunRegistration([](CApplicationRegistrar& registrar, CWizardContext&) {
            registrar.UnregisterLibraries();
        });
    }
    void LogRefusal(const std::string& message) override {
        CEventLog(WizardContext().GetInstallLogPath()).AppendEvent(message);
    }

private:
    CRemovingPage& m_page;
};

} // namespace

int CRemovingPage::DoWork() {
    CWizardContext& app = WizardContext();
    CPageRemovalPlatform platform(*this);
    CRemovalEngine engine(app.GetCollections(), app.GetInstallLogPath(), platform);
    // The removal helper deletes these once this program has ended.
    CFilePath profile = app.GetProgramPath();
    profile.SetExtension("ini");
    engine.LeaveToHelper({app.GetProgramPath(), profile, app.GetInstallLogPath()});
    engine.RemoveInstallation();
    return GetNextPageId();
}

void CRemovingPage::ShowRemoving(const CFilePath& path) {
    PumpMessages();
    SetItemText(IDC_REMOVING_FILE, path);
    if (!m_cancelPending) {
        return;
    }
    m_cancelPending = false;
    CWizardContext& app = WizardContext();
    if (!app.IsAborted() && ConfirmCancel() != 0) {
        app.SetAbort();
        SetNextPageId(kNotCompletePage);
    }
}

int CUnregisteringPage::DoWork() {
    RunRegistration(
        [](CApplicationRegistrar& registrar, CWizardContext&) { registrar.Unregister(); });
    return GetNextPageId();
}

int CInstallConditionsPage::RequirementsMet() {
    return 1;
}

int CInstallConditionsPage::ShouldShow() {
    return RequirementsMet() != 0 ? 0 : 1;
}

void CInstallConditionsPage::OnOK() {
    GoToPage(InstallConditionsNextPage(WizardContext().IgnoresConditions()));
}

BOOL CRemoveConfirmPage::OnInitDialog() {
    const BOOL result = CTextPage::OnInitDialog();
    CWizardContext& app = WizardContext();
    if (app.ConfirmsRemoval()) {
        app.LogUnattended("Continue without asking (option Y):", GetItemText(kPageTextControl));
        // Posted, so that Continue is pressed once the page is up, as a person would.
        ::PostMessageA(GetHandle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    return result;
}

bool CRemoveConfirmPage::HidesWhenUnattended() const {
    return WizardContext().ConfirmsRemoval();
}
