// The wizard's page table: every page id, the page that follows it, and how it behaves.
//
// The ids are the ids of the pages' dialog templates (resource.h), named here for their
// place in the sequence. An installation runs
// 102 -> 114 -> (1537, passed over) -> 104 -> 106 -> 108 -> 1549 -> 115, a removal
// 1545 -> 114 -> 1546 -> 1550 -> 1547. Any confirmed Cancel leads to 116. A next page id of
// -1 ends the program.
#pragma once

#include <vector>

#include "resources/resource.h"

constexpr int kWelcomePage = IDD_WELCOME;
constexpr int kSelectFolderPage = IDD_SELECT_FOLDER;
constexpr int kProgramGroupPage = IDD_SELECT_GROUP;
constexpr int kCopyPage = IDD_COPYING;
constexpr int kReadingPage = IDD_READING;
constexpr int kCompletePage = IDD_COMPLETE;
constexpr int kNotCompletePage = IDD_NOT_COMPLETE;
constexpr int kInstallConditionsPage = IDD_INSTALL_CONDITIONS;
constexpr int kRemoveConfirmPage = IDD_REMOVE_CONFIRM;
constexpr int kRemovingPage = IDD_REMOVING;
constexpr int kRemovedPage = IDD_REMOVED;
constexpr int kRegisteringPage = IDD_REGISTERING;
constexpr int kUnregisteringPage = IDD_UNREGISTERING;

// Next page id that ends the run.
constexpr int kEndOfRun = -1;
// Returned by a work step that names no next page; never a page id.
constexpr int kStayOnPage = 0;

// The private message a page posts to itself once it has appeared; its work step runs there.
constexpr unsigned kWorkMessage = 0x04C9;

// Control id of the text that pages without controls of their own substitute.
constexpr int kPageTextControl = IDC_PAGE_TEXT;

struct PageInfo {
    int id;
    // Successor given at construction, in install mode and in removal mode.
    int nextInstall;
    int nextRemoval;
    // Control 1034 has "%app title%" replaced before the page appears.
    bool substitutesText;
    // The page handles the work message (and so advances by itself in unattended mode).
    // The removal confirmation page does not: it waits for Continue or Cancel.
    bool handlesWork;
};

// The table row of a page id, or nullptr for an id without a page.
const PageInfo* FindPageInfo(int pageId);

// The page id that follows pageId when it is left forward (0 for an id without a page).
int InitialNextPageId(int pageId, bool removalMode);

// Every page id of the table, in table order.
std::vector<int> AllPageIds();

// Where the install-conditions page leads when it is shown (it never is, since its
// requirements check always passes): the folder page with /I, else the not-complete page.
int InstallConditionsNextPage(bool ignoreConditions);
