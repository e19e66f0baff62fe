// The wizard's page table: every page id, the page that follows it, and how it behaves.
//
// The ids are the ids of the pages' dialog templates. An installation runs
// 102 -> 114 -> (1537, passed over) -> 104 -> 106 -> 108 -> 1549 -> 115, a removal
// 1545 -> 114 -> 1546 -> 1550 -> 1547. Any confirmed Cancel leads to 116. A next page id of
// -1 ends the program.
#pragma once

#include <vector>

constexpr int kWelcomePage = 102;
constexpr int kSelectFolderPage = 104;
constexpr int kProgramGroupPage = 106;
constexpr int kCopyPage = 108;
constexpr int kReadingPage = 114;
constexpr int kCompletePage = 115;
constexpr int kNotCompletePage = 116;
constexpr int kInstallConditionsPage = 1537;
constexpr int kRemoveConfirmPage = 1545;
constexpr int kRemovingPage = 1546;
constexpr int kRemovedPage = 1547;
constexpr int kRegisteringPage = 1549;
constexpr int kUnregisteringPage = 1550;

// Next page id that ends the run.
constexpr int kEndOfRun = -1;
// Returned by a work step that names no next page; never a page id.
constexpr int kStayOnPage = 0;

// The private message a page posts to itself once it has appeared; its work step runs there.
constexpr unsigned kWorkMessage = 0x04C9;

// Control id of the text that pages without controls of their own substitute.
constexpr int kPageTextControl = 1034;

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
