#include "wizard/Pages.h"

#include "app/SetupApp.h"
#include "errors/Exceptions.h"
#include "profile/ProfileCollections.h"
#include "wizard/PageTable.h"
#include "wizard/PumpMessages.h"
#include "wizard/Wizard.h"

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

int CInstallConditionsPage::RequirementsMet() {
    return 1;
}

int CInstallConditionsPage::ShouldShow() {
    return RequirementsMet() != 0 ? 0 : 1;
}

void CInstallConditionsPage::OnOK() {
    GoToPage(InstallConditionsNextPage(GetSetupApp().IgnoresConditions()));
}
