#include "wizard/Wizard.h"

#include <exception>

#include "framework/Application.h"
#include "wizard/CopyPage.h"
#include "wizard/FolderPage.h"
#include "wizard/PageTable.h"
#include "wizard/Pages.h"
#include "wizard/ProgramGroupPage.h"
#include "wizard/WizardContext.h"

namespace {

// A programming error: a page used without a context. A plain exception class, so that the
// library's string-holding logic_error stays out of the program.
class CNoWizardContext : public std::exception {
public:
    const char* what() const noexcept override { return "there is no wizard context"; }
};

} // namespace

CWizardContext& WizardContext() {
    CWizardContext* context = FindWizardContext();
    if (context == nullptr) {
        throw CNoWizardContext();
    }
    return *context;
}

CWizardContext* CWizardContext::s_current = nullptr;

CWizardContext::CWizardContext() noexcept {
    s_current = this;
}

CWizardContext::~CWizardContext() {
    if (s_current == this) {
        s_current = nullptr;
    }
}

CWizardContext* FindWizardContext() noexcept {
    return CWizardContext::Current();
}

CPageDriver& GetPageDriver() {
    return WizardContext().GetPageDriver();
}

CWizardPageDriver::CWizardPageDriver()
    : CPageDriver([](int pageId) -> CDriverPage* { return CreatePage(pageId); },
                  [] {
                      CApplication* app = CApplication::Get();
                      HWND mainWindow = app != nullptr ? app->GetMainWindow() : nullptr;
                      if (mainWindow != nullptr) {
                          ::DestroyWindow(mainWindow);
                      }
                  }) {}

void GoToPage(int pageId) {
    GetPageDriver().GoToPage(pageId);
}

CSetupPage* CreatePage(int pageId) {
    const PageInfo* info = FindPageInfo(pageId);
    if (info == nullptr) {
        return nullptr;
    }
    int next = InitialNextPageId(pageId, WizardContext().IsRemovalMode());
    switch (pageId) {
    case kCopyPage:
        return new CCopyPage(pageId, next);
    case kReadingPage:
        return new CReadingPage(pageId, next);
    case kInstallConditionsPage:
        return new CInstallConditionsPage(pageId, next);
    case kSelectFolderPage:
        return new CFolderPage(pageId, next);
    case kProgramGroupPage:
        return new CProgramGroupPage(pageId, next);
    case kRemoveConfirmPage:
        return new CRemoveConfirmPage(pageId, next);
    case kRegisteringPage:
        return new CRegisteringPage(pageId, next);
    case kRemovingPage:
        return new CRemovingPage(pageId, next);
    case kUnregisteringPage:
        return new CUnregisteringPage(pageId, next);
    default:
        break;
    }
    if (info->substitutesText) {
        return new CTextPage(pageId, next);
    }
    return new CPassOnPage(pageId, next);
}
