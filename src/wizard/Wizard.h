// The wizard: the one page driver of the program and the factory that knows every page.
#pragma once

#include "wizard/PageDriver.h"

class CSetupPage;
class CWizardContext;

// The run's context (the setup program's application object, or a test's stand-in; see
// CWizardContext::Current). Throws a std::exception when there is none.
CWizardContext& WizardContext();
// The same, or nullptr when there is none (for destructors, which must not throw).
CWizardContext* FindWizardContext() noexcept;

// The page driver of the run (the context's).
CPageDriver& GetPageDriver();

// Replaces the current page by the page with that id; -1 ends the run (see CPageDriver).
void GoToPage(int pageId);

// Constructs the page object of the table for that id with its next page id (which depends
// on the run mode), or nullptr for an id without a page. The page owns itself.
CSetupPage* CreatePage(int pageId);

// The setup program's page driver: its pages are made by CreatePage, and the end of the run
// destroys the application's main window (which ends the message loop).
class CWizardPageDriver : public CPageDriver {
public:
    CWizardPageDriver();
};
