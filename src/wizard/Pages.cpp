#include "wizard/Pages.h"

#include "app/SetupApp.h"
#include "engine/Registration.h"
#include "engine/SelfRegistration.h"
#include "errors/Exceptions.h"
#include "profile/ProfileCollections.h"
#include "wizard/PageTable.h"
#include "wizard/PumpMessages.h"
#include "wizard/Wizard.h"

namespace {

// Runs step on a registrar over the program object's data, the real registry and the install
// log's events.
template <typename Step> void RunRegistration(Step step) {
    SetupApp& app = GetSetupApp();
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
    SetupApp& app = GetSetupApp();
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
    RunRegistration([](CApplicationRegistrar& registrar, SetupApp& app) {
        registrar.Register(app.GetInstallLogPath());
    });
    return GetNextPageId();
}

int CUnregisteringPage::DoWork() {
    RunRegistration([](CApplicationRegistrar& registrar, SetupApp&) { registrar.Unregister(); });
    return GetNextPageId();
}

int CInstallConditionsPage::RequirementsMet() {
    return 1;
}

int CInstallConditionsPage::ShouldShow() {
    return RequirementsMet() != 0 ? 0 : 1;
}

void CInstallConditionsPage::OnOK() {
    GoToPage(InstallConditionsNextPage(GetSetupApp().IgnoresConditions()));
}
