// The pages of the table that have behaviour of their own in this layer: the Reading page,
// the install-conditions page and the removal confirmation page. The other pages are plain
// CSetupPage or CTextPage objects made by CreatePage until their own classes exist.
#pragma once

#include "support/FilePath.h"
#include "wizard/SetupPage.h"

// A page whose work step passes straight on to the next page (kept for pages without a work
// step of their own).
class CPassOnPage : public CSetupPage {
public:
    using CSetupPage::CSetupPage;
    int DoWork() override { return GetNextPageId(); }
};

// Page 114: loads the profile's record sections into the program object's collections,
// processing window messages between two sections. In removal mode the profile path names
// the install log by now, so the same loaders read it back.
class CReadingPage : public CSetupPage {
public:
    using CSetupPage::CSetupPage;
    // Throws what the loaders throw (CInstallProfileException for a profile without
    // destinations); stops with CUserException when a Cancel is confirmed meanwhile.
    int DoWork() override;
};

// Page 1549: registers the installed application (App Paths and removal entries, the
// self-registering libraries, the help viewer's component files) and goes on to page 115.
// Registry and library failures do not stop it; the libraries' results go to the install
// log's events.
class CRegisteringPage : public CSetupPage {
public:
    using CSetupPage::CSetupPage;
    int DoWork() override;
};

// Page 1546: the removal. Unregisters the self-registering libraries, deletes the logged
// files, the Program Manager items and the group and the emptied directories, showing each
// file. Cancel only records a request, asked about before the next file; a confirmed cancel
// lets the removal finish (a half-removed application helps nobody) and leads to page 116
// instead of 1550.
class CRemovingPage : public CSetupPage {
public:
    using CSetupPage::CSetupPage;
    int DoWork() override;
    // Pumps messages, shows the path and asks about a pending cancel.
    void ShowRemoving(const CFilePath& path);

protected:
    void OnCancel() override { m_cancelPending = true; }

private:
    bool m_cancelPending = false;
};

// Page 1550: deletes the App Paths and removal entries (the libraries were unregistered by
// page 1546 before their files were deleted), then goes on to page 1547.
class CUnregisteringPage : public CSetupPage {
public:
    using CSetupPage::CSetupPage;
    int DoWork() override;
};

// Page 1537: lists requirements the computer does not meet. The check always passes, so the
// page is never shown and the driver goes on with the folder page.
class CInstallConditionsPage : public CSetupPage {
public:
    using CSetupPage::CSetupPage;
    virtual int RequirementsMet();
    int ShouldShow() override;

protected:
    // When shown, Continue leads to the folder page with option I, else to page 116.
    void OnOK() override;
};

// Page 1545: asks whether to remove the application. It has no work step, so it waits for
// Continue or Cancel even in unattended mode; it therefore stays visible in that mode too.
// Only option Y answers it: the page is then sized to nothing like the others and presses
// its own Continue once it has appeared.
class CRemoveConfirmPage : public CTextPage {
public:
    using CTextPage::CTextPage;

protected:
    BOOL OnInitDialog() override;
    bool HasPageHandlers() const override { return false; }
    bool HidesWhenUnattended() const override;
};
