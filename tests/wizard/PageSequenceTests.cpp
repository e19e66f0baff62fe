// Page sequence without windows: the table, the driver's replacement rules, the decisions
// of the work handler and the text substitution.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "wizard/Gradient.h"
#include "wizard/PageDriver.h"
#include "wizard/PageTable.h"
#include "wizard/SubstituteText.h"

namespace {

// A window-less page that records what the driver did with it.
class CFakeWizard;

class CFakePage : public CDriverPage {
public:
    CFakePage(CFakeWizard& wizard, int id, int next) : m_wizard(wizard), m_id(id), m_next(next) {}

    int GetPageId() const override { return m_id; }
    int GetNextPageId() const override { return m_next; }
    void SetPreviousPageId(int id) override { m_previous = id; }
    int ShouldShow() override { return m_show ? 1 : 0; }
    bool IsWorking() const override { return m_working; }
    void OpenPage() override;
    void ClosePage() override;
    void DiscardPage() override;

    CFakeWizard& m_wizard;
    int m_id;
    int m_next;
    int m_previous = -99;
    bool m_show = true;
    bool m_working = false;
};

class CFakeWizard {
public:
    explicit CFakeWizard(bool removal = false)
        : m_removal(removal),
          m_driver([this](int id) { return Create(id); }, [this] { ++m_ends; }) {}

    CDriverPage* Create(int id) {
        if (FindPageInfo(id) == nullptr) {
            return nullptr;
        }
        auto page = std::make_unique<CFakePage>(*this, id, InitialNextPageId(id, m_removal));
        // The install-conditions page is passed over because its requirements are met.
        page->m_show = id != kInstallConditionsPage && m_hidden.count(id) == 0;
        if (m_failOpen.count(id) != 0) {
            page->m_show = true;
        }
        CFakePage* raw = page.get();
        m_live[raw] = std::move(page);
        m_created.push_back(id);
        return raw;
    }

    // Runs the pages as unattended mode does: each page that handles the work message is
    // confirmed after its (empty) work step; returns the ids of the pages that were opened.
    // first = 0 continues from the current page.
    std::vector<int> RunUnattended(int first) {
        if (first != 0) {
            m_driver.GoToPage(first);
        }
        for (int guard = 0; guard < 100 && !m_driver.HasEnded(); ++guard) {
            CDriverPage* page = m_driver.GetCurrentPage();
            if (page == nullptr || !FindPageInfo(page->GetPageId())->handlesWork) {
                break;
            }
            WorkOutcome outcome =
                DecideWorkOutcome(false, m_driver.TakeDeferredRequest(), kStayOnPage, true);
            EXPECT_EQ(outcome.action, WorkOutcome::Action::PressOk);
            m_driver.GoToPage(page->GetNextPageId());
        }
        return m_opened;
    }

    CFakePage* Current() { return static_cast<CFakePage*>(m_driver.GetCurrentPage()); }

    bool m_removal;
    CPageDriver m_driver;
    std::map<CFakePage*, std::unique_ptr<CFakePage>> m_live;
    std::vector<int> m_created;
    std::vector<int> m_opened;
    std::vector<int> m_closed;
    std::vector<int> m_discarded;
    std::map<int, int> m_hidden;
    std::map<int, int> m_failOpen;
    int m_ends = 0;
};

void CFakePage::OpenPage() {
    if (m_wizard.m_failOpen.count(m_id) != 0) {
        throw std::runtime_error("no template");
    }
    m_wizard.m_opened.push_back(m_id);
}

void CFakePage::ClosePage() {
    m_wizard.m_closed.push_back(m_id);
    m_wizard.m_live.erase(this);
}

void CFakePage::DiscardPage() {
    m_wizard.m_discarded.push_back(m_id);
    m_wizard.m_live.erase(this);
}

TEST(PageTable, SuccessorsByMode) {
    struct Row {
        int id, install, removal;
    } rows[] = {
        {IDD_WELCOME, IDD_READING, IDD_READING},
        {IDD_READING, IDD_INSTALL_CONDITIONS, IDD_REMOVING},
        {IDD_INSTALL_CONDITIONS, IDD_SELECT_FOLDER, IDD_SELECT_FOLDER},
        {IDD_SELECT_FOLDER, IDD_SELECT_GROUP, IDD_SELECT_GROUP},
        {IDD_SELECT_GROUP, IDD_COPYING, IDD_COPYING},
        {IDD_COPYING, IDD_REGISTERING, IDD_REGISTERING},
        {IDD_REGISTERING, IDD_COMPLETE, IDD_COMPLETE},
        {IDD_COMPLETE, kEndOfRun, kEndOfRun},
        {IDD_NOT_COMPLETE, kEndOfRun, kEndOfRun},
        {IDD_REMOVE_CONFIRM, IDD_READING, IDD_READING},
        {IDD_REMOVING, IDD_UNREGISTERING, IDD_UNREGISTERING},
        {IDD_UNREGISTERING, IDD_REMOVED, IDD_REMOVED},
        {IDD_REMOVED, kEndOfRun, kEndOfRun},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        EXPECT_EQ(InitialNextPageId(row.id, false), row.install);
        EXPECT_EQ(InitialNextPageId(row.id, true), row.removal);
    }
    EXPECT_EQ(AllPageIds().size(), std::size(rows));
    for (int unknown :
         {0, 1, 103, IDD_INSERT_DISKETTE, IDD_SPLASH, IDD_FOLDER_BROWSER, IDD_ERROR, -1}) {
        EXPECT_EQ(FindPageInfo(unknown), nullptr) << unknown;
    }
}

TEST(PageTable, OnlyTheRemovalConfirmationWaits) {
    for (int id : AllPageIds()) {
        EXPECT_EQ(FindPageInfo(id)->handlesWork, id != kRemoveConfirmPage) << id;
    }
}

TEST(PageTable, TextSubstitutingPages) {
    for (int id : AllPageIds()) {
        bool expected = id == IDD_WELCOME || id == IDD_SELECT_FOLDER || id == IDD_SELECT_GROUP ||
                        id == IDD_COMPLETE || id == IDD_NOT_COMPLETE || id == IDD_REMOVE_CONFIRM ||
                        id == IDD_REMOVED;
        EXPECT_EQ(FindPageInfo(id)->substitutesText, expected) << id;
    }
}

TEST(PageTable, InstallConditionsLeadOnOnlyWithIgnoreOption) {
    EXPECT_EQ(InstallConditionsNextPage(true), kSelectFolderPage);
    EXPECT_EQ(InstallConditionsNextPage(false), kNotCompletePage);
}

TEST(PageDriver, UnattendedInstallPassesEveryPageOnce) {
    CFakeWizard wizard;
    EXPECT_EQ(wizard.RunUnattended(kWelcomePage),
              (std::vector<int>{IDD_WELCOME, IDD_READING, IDD_SELECT_FOLDER, IDD_SELECT_GROUP,
                                IDD_COPYING, IDD_REGISTERING, IDD_COMPLETE}));
    EXPECT_EQ(wizard.m_ends, 1);
    EXPECT_TRUE(wizard.m_driver.HasEnded());
    EXPECT_EQ(wizard.m_driver.GetEndPageId(), kCompletePage);
    // The install-conditions page was constructed, asked and discarded, never opened.
    EXPECT_EQ(wizard.m_discarded, std::vector<int>{IDD_INSTALL_CONDITIONS});
    EXPECT_TRUE(wizard.m_live.empty());
}

TEST(PageDriver, UnattendedRemovalStopsAtConfirmation) {
    CFakeWizard wizard(true);
    EXPECT_EQ(wizard.RunUnattended(kRemoveConfirmPage), std::vector<int>{IDD_REMOVE_CONFIRM});
    ASSERT_NE(wizard.Current(), nullptr);
    EXPECT_EQ(wizard.Current()->GetPageId(), kRemoveConfirmPage);
    // Continue pressed: the rest runs by itself.
    wizard.m_opened.clear();
    wizard.m_driver.GoToPage(wizard.Current()->GetNextPageId());
    EXPECT_EQ(wizard.RunUnattended(0),
              (std::vector<int>{IDD_READING, IDD_REMOVING, IDD_UNREGISTERING, IDD_REMOVED}));
    EXPECT_EQ(wizard.m_ends, 1);
    EXPECT_EQ(wizard.m_driver.GetEndPageId(), kRemovedPage);
}

TEST(PageDriver, PreviousPageIds) {
    CFakeWizard wizard;
    wizard.m_driver.GoToPage(kWelcomePage);
    EXPECT_EQ(wizard.Current()->m_previous, 0);
    wizard.m_driver.GoToPage(kReadingPage);
    EXPECT_EQ(wizard.Current()->m_previous, kWelcomePage);
    // 1537 is skipped: the page after it has previous page id 0.
    wizard.m_driver.GoToPage(kInstallConditionsPage);
    EXPECT_EQ(wizard.Current()->GetPageId(), kSelectFolderPage);
    EXPECT_EQ(wizard.Current()->m_previous, 0);
    wizard.m_driver.GoToPage(kProgramGroupPage);
    EXPECT_EQ(wizard.Current()->m_previous, kSelectFolderPage);
}

TEST(PageDriver, OldPageIsClosedBeforeTheNewOneOpens) {
    CFakeWizard wizard;
    wizard.m_driver.GoToPage(kWelcomePage);
    wizard.m_driver.GoToPage(kNotCompletePage);
    EXPECT_EQ(wizard.m_closed, std::vector<int>{IDD_WELCOME});
    EXPECT_EQ(wizard.m_opened, (std::vector<int>{IDD_WELCOME, IDD_NOT_COMPLETE}));
    EXPECT_EQ(wizard.m_driver.GetEndPageId(), 0);
    wizard.m_driver.GoToPage(kEndOfRun);
    EXPECT_EQ(wizard.m_driver.GetEndPageId(), kNotCompletePage);
    EXPECT_EQ(wizard.m_closed, (std::vector<int>{IDD_WELCOME, IDD_NOT_COMPLETE}));
    EXPECT_EQ(wizard.m_ends, 1);
    EXPECT_EQ(wizard.Current(), nullptr);
    // Requests after the end change nothing.
    wizard.m_driver.GoToPage(kWelcomePage);
    EXPECT_EQ(wizard.m_opened.size(), 2u);
    EXPECT_EQ(wizard.m_ends, 1);
}

TEST(PageDriver, RequestsDuringWorkStepAreDeferred) {
    CFakeWizard wizard;
    wizard.m_driver.GoToPage(kReadingPage);
    CFakePage* reading = wizard.Current();
    reading->m_working = true;
    // A confirmed Cancel while the step pumps messages: the page must survive.
    wizard.m_driver.GoToPage(kNotCompletePage);
    EXPECT_EQ(wizard.Current(), reading);
    EXPECT_TRUE(wizard.m_closed.empty());
    EXPECT_TRUE(wizard.m_driver.HasDeferredRequest());
    // A later request does not replace the cancel.
    wizard.m_driver.GoToPage(kSelectFolderPage);
    reading->m_working = false;
    int deferred = wizard.m_driver.TakeDeferredRequest();
    EXPECT_EQ(deferred, kNotCompletePage);
    EXPECT_FALSE(wizard.m_driver.HasDeferredRequest());
    WorkOutcome outcome = DecideWorkOutcome(false, deferred, kInstallConditionsPage, false);
    EXPECT_EQ(outcome.action, WorkOutcome::Action::GoTo);
    EXPECT_EQ(outcome.pageId, kNotCompletePage);
    wizard.m_driver.GoToPage(outcome.pageId);
    EXPECT_EQ(wizard.Current()->GetPageId(), kNotCompletePage);
    EXPECT_EQ(wizard.m_closed, std::vector<int>{IDD_READING});
}

TEST(PageDriver, OtherDeferredRequestIsReplacedByLaterOne) {
    CFakeWizard wizard;
    wizard.m_driver.GoToPage(kRegisteringPage);
    wizard.Current()->m_working = true;
    wizard.m_driver.GoToPage(kCompletePage);
    wizard.m_driver.GoToPage(kNotCompletePage);
    wizard.Current()->m_working = false;
    EXPECT_EQ(wizard.m_driver.TakeDeferredRequest(), kNotCompletePage);
}

TEST(PageDriver, UnknownIdLeadsToNotCompletePage) {
    CFakeWizard wizard;
    wizard.m_driver.GoToPage(kWelcomePage);
    wizard.m_driver.GoToPage(4711);
    ASSERT_NE(wizard.Current(), nullptr);
    EXPECT_EQ(wizard.Current()->GetPageId(), kNotCompletePage);
}

TEST(PageDriver, CycleOfSkippedPagesEnds) {
    CFakeWizard wizard;
    // Every page hidden: the driver gives up on the chain and ends the run.
    for (int id : AllPageIds()) {
        wizard.m_hidden[id] = 1;
    }
    wizard.m_driver.GoToPage(kWelcomePage);
    EXPECT_TRUE(wizard.m_opened.empty());
    EXPECT_EQ(wizard.m_ends, 1);
    EXPECT_TRUE(wizard.m_live.empty());
}

TEST(PageDriver, FailedOpenLeavesNoCurrentPage) {
    CFakeWizard wizard;
    wizard.m_driver.GoToPage(kWelcomePage);
    wizard.m_failOpen[kReadingPage] = 1;
    EXPECT_THROW(wizard.m_driver.GoToPage(kReadingPage), std::runtime_error);
    EXPECT_EQ(wizard.Current(), nullptr);
    EXPECT_EQ(wizard.m_discarded, std::vector<int>{IDD_READING});
    EXPECT_TRUE(wizard.m_live.empty());
    EXPECT_FALSE(wizard.m_driver.HasEnded());
}

TEST(PageDriver, ClosedPageIsNoLongerCurrent) {
    CFakeWizard wizard;
    wizard.m_driver.GoToPage(kWelcomePage);
    CDriverPage* page = wizard.Current();
    wizard.m_driver.PageClosed(page);
    EXPECT_EQ(wizard.Current(), nullptr);
}

TEST(WorkOutcome, Decisions) {
    using A = WorkOutcome::Action;
    struct Row {
        bool failed;
        int deferred, next;
        bool unattended;
        A action;
        int page;
    } rows[] = {
        {false, 0, 0, false, A::Stay, 0},
        {false, 0, 0, true, A::PressOk, 0},
        {false, 0, IDD_INSTALL_CONDITIONS, false, A::GoTo, IDD_INSTALL_CONDITIONS},
        {false, 0, IDD_INSTALL_CONDITIONS, true, A::GoTo, IDD_INSTALL_CONDITIONS},
        {false, IDD_NOT_COMPLETE, IDD_INSTALL_CONDITIONS, true, A::GoTo, IDD_NOT_COMPLETE},
        {false, IDD_COMPLETE, 0, false, A::GoTo, IDD_COMPLETE},
        {true, 0, 0, true, A::GoTo, IDD_NOT_COMPLETE},
        {true, IDD_COMPLETE, IDD_INSTALL_CONDITIONS, false, A::GoTo, IDD_NOT_COMPLETE},
        {false, 0, kEndOfRun, false, A::GoTo, kEndOfRun},
    };
    for (const Row& row : rows) {
        WorkOutcome outcome = DecideWorkOutcome(row.failed, row.deferred, row.next, row.unattended);
        EXPECT_EQ(outcome.action, row.action) << row.deferred << " " << row.next;
        if (row.action == A::GoTo) {
            EXPECT_EQ(outcome.pageId, row.page);
        }
    }
}

TEST(SubstituteText, Cases) {
    struct Row {
        std::string text, title, setup, expected;
    } rows[] = {
        {"Welcome to %app title%.", "Demo", "Demo Setup", "Welcome to Demo."},
        {"%app title%%app title%", "A", "S", "AA"},
        {"%app setup% - %app title%", "A", "S", "S - A"},
        {"no placeholders", "A", "S", "no placeholders"},
        {"", "A", "S", ""},
        // A value holding its own placeholder is inserted once, without looping.
        {"[%app title%]", "x%app title%y", "S", "[x%app title%y]"},
        {"%app title% and %app title%", "%app title%", "S", "%app title% and %app title%"},
        // Case matters: only the exact placeholder is replaced.
        {"%APP TITLE%", "A", "S", "%APP TITLE%"},
        {"%app title", "A", "S", "%app title"},
        // The title pair runs first, so a title naming the setup placeholder gets it replaced.
        {"%app title%", "%app setup%", "S", "S"},
        {"%app title%", "", "S", ""},
    };
    for (const Row& row : rows) {
        std::string text = row.text;
        SubstituteText(text, MakeTitlePairs(row.title, row.setup));
        EXPECT_EQ(text, row.expected) << row.text;
    }
}

TEST(SubstituteText, EmptyPlaceholderIsIgnored) {
    std::string text = "abc";
    SubstituteText(text, {{"", "X"}, {"b", "B"}});
    EXPECT_EQ(text, "aBc");
}

} // namespace

namespace {

TEST(Gradient, RunsFromBlueToBlackWithIntegerSteps) {
    // Division truncates towards zero, so the last row keeps a trace of blue.
    struct Row {
        int i, n, blue;
    } rows[] = {{0, 768, 255}, {767, 768, 1}, {384, 768, 128}, {1, 3, 170},
                {2, 3, 85},    {0, 1, 255},   {5, 0, 255},     {99, 100, 3}};
    for (const Row& row : rows) {
        GradientColour colour = GradientStep(row.i, row.n);
        EXPECT_EQ(colour.red, 0);
        EXPECT_EQ(colour.green, 0);
        EXPECT_EQ(colour.blue, row.blue) << row.i << "/" << row.n;
    }
    GradientColour mixed = GradientStep(1, 4, {100, 0, 40}, {0, 200, 0});
    EXPECT_EQ(mixed.red, 75);
    EXPECT_EQ(mixed.green, 50);
    EXPECT_EQ(mixed.blue, 30);
}

} // namespace
