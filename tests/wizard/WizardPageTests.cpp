// The wizard's pages in this process, against a test context instead of the setup program:
// the folder page on its first and a later visit and in a run nobody watches, the program
// group page unattended, Cancel and its question, the reading page's work step and its
// failure, the removal confirmation, and an exception inside the folder browser.
//
// Pages are real modeless dialogs on the test's thread; the pages after them are stand-ins
// that only record that the run went there (TestWizardContext.h). A message box runs its own
// modal loop on this thread, so it is answered from a thread of its own.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "GuiHarness.h"
#include "TempDir.h"
#include "TestWizardContext.h"
#include "profile/ComponentRecord.h"
#include "resources/resource.h"
#include "wizard/FolderPage.h"
#include "wizard/PageTable.h"
#include "wizard/Wizard.h"

namespace {

constexpr DWORD kTimeoutMs = 10000;

// Answers the first message box of this process with `button` from a thread of its own, and
// keeps its text and caption. The destructor stops waiting when none came.
class CMessageBoxAnswer {
public:
    explicit CMessageBoxAnswer(int button)
        : m_thread([this, button] {
              HWND box = nullptr;
              gui::WaitUntil(
                  [&] {
                      box = gui::FindMessageBox(0);
                      return box != nullptr || m_stop.load();
                  },
                  kTimeoutMs);
              if (box == nullptr) {
                  return;
              }
              m_text = gui::MessageBoxText(box);
              m_caption = gui::WindowText(box);
              m_seen = true;
              gui::PressButton(box, button);
          }) {}
    ~CMessageBoxAnswer() { Finish(); }

    // Stops waiting and returns whether a message box was answered.
    bool Finish() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        return m_seen.load();
    }
    // Whether a message box was answered (the text and caption are then there).
    bool Answered() const { return m_seen.load(); }
    const std::string& Text() const { return m_text; }
    const std::string& Caption() const { return m_caption; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_seen{false};
    std::string m_text;
    std::string m_caption;
    std::thread m_thread;
};

std::string SystemDrive() {
    char buffer[MAX_PATH + 1] = {};
    ::GetSystemDirectoryA(buffer, MAX_PATH);
    return std::string(buffer, 2);
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A profile with the given "destinations" lines and two components, and a context with its
// destinations (and components) loaded, as the reading page leaves them.
class WizardPageTest : public ::testing::Test {
protected:
    std::string WriteProfile(const std::string& destinations) {
        const std::string path = m_dir.File("setup.ini");
        std::ofstream(path) << "[destinations]\n"
                            << destinations
                            << "[groups]\nProgram=Program files|The program|0|1|0\n"
                               "Extras=Extras|More files|0|0|1\n";
        return path;
    }

    // Loads the destinations and components of the profile into the context.
    static void LoadDestinations(CTestWizardContext& context, const std::string& profile) {
        context.settings.profilePath = CFilePath(profile);
        context.GetCollections().destinations.Load(context.settings.profilePath);
        context.GetCollections().components.Load(context.settings.profilePath);
    }

    // Opens the page and returns its window.
    static HWND Open(CTestWizardContext& context, int pageId) {
        GoToPage(pageId);
        return context.CurrentPageId() == pageId ? context.CurrentPageWindow() : nullptr;
    }

    // Handles messages until the run has left the page (or the time is up).
    static bool PumpUntilLeft(CTestWizardContext& context, int pageId) {
        return PumpUntil([&] { return context.CurrentPageId() != pageId; }, kTimeoutMs);
    }

    // Types folder on the open folder page and continues: true once the run has left it.
    static bool ChooseFolder(CTestWizardContext& context, HWND page, const std::string& folder) {
        return gui::SetControlText(page, IDC_LOCATION, folder) && gui::PressButton(page, IDOK) &&
               PumpUntilLeft(context, kSelectFolderPage);
    }

    static std::string Path(CTestWizardContext& context, std::int16_t id) {
        CFilePath path;
        context.GetCollections().destinations.GetPath(id, path);
        return path.GetText();
    }

    std::string Folder(const std::string& relative) const { return m_dir.File(relative); }

    TempDir m_dir;
};

// Pages find their run while a context exists, and not through an application object that is
// none.
TEST(WizardContextLookup, OnlyWhileAContextExists) {
    EXPECT_EQ(FindWizardContext(), nullptr);
    EXPECT_THROW(WizardContext(), std::exception);
    {
        CApplication plain;
        EXPECT_EQ(FindWizardContext(), nullptr);
        EXPECT_THROW(GoToPage(kWelcomePage), std::exception);
    }
    {
        CTestWizardContext context({});
        EXPECT_EQ(&WizardContext(), static_cast<CWizardContext*>(&context));
        EXPECT_EQ(&GetPageDriver(), &context.GetPageDriver());
    }
    EXPECT_EQ(FindWizardContext(), nullptr);
}

TEST_F(WizardPageTest, FolderPageProposesThenKeepsTheChoiceOnALaterVisit) {
    CTestWizardContext context({kSelectFolderPage});
    LoadDestinations(context, WriteProfile("0=MYAPP\n1=DATA|0\n"));

    HWND page = Open(context, kSelectFolderPage);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(gui::ControlText(page, IDC_LOCATION), SystemDrive() + "\\MYAPP\\");
    ASSERT_TRUE(context.GetLoadedDestinations().has_value());

    // Two levels below an existing folder: both are made.
    const std::string first = Folder("First\\App");
    ASSERT_TRUE(ChooseFolder(context, page, first));
    EXPECT_EQ(context.CurrentPageId(), kProgramGroupPage);
    EXPECT_TRUE(IsDirectory(first));
    EXPECT_EQ(Path(context, kDestApplication), first + "\\");
    EXPECT_EQ(Path(context, 1), first + "\\DATA\\");
    ASSERT_EQ(context.record.logMoves.size(), 1u);
    EXPECT_EQ(context.record.logMoves[0].GetText(), first + "\\");
    // The typical setup is selected.
    EXPECT_TRUE(context.GetCollections().components.Find("Program")->selected);
    EXPECT_FALSE(context.GetCollections().components.Find("Extras")->selected);
    EXPECT_FALSE(context.IsAborted());

    // Back on the page: the folder chosen before, and a new choice resolves the other
    // destinations from the profile, not from the first choice.
    page = Open(context, kSelectFolderPage);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(gui::ControlText(page, IDC_LOCATION), first + "\\");
    const std::string second = Folder("Second");
    ASSERT_TRUE(ChooseFolder(context, page, second));
    EXPECT_EQ(Path(context, kDestApplication), second + "\\");
    EXPECT_EQ(Path(context, 1), second + "\\DATA\\");
}

// Nothing of an earlier run carries over: a later run whose profile gives destination 0 a
// resolved path still proposes the profile's directory, and resolves from its own profile.
TEST_F(WizardPageTest, EachRunStartsFromItsOwnProfile) {
    {
        CTestWizardContext earlier({kSelectFolderPage});
        LoadDestinations(earlier, WriteProfile("0=MYAPP\n1=DATA|0\n"));
        HWND page = Open(earlier, kSelectFolderPage);
        ASSERT_NE(page, nullptr);
        ASSERT_TRUE(ChooseFolder(earlier, page, Folder("Earlier")));
    }
    CTestWizardContext later({kSelectFolderPage});
    LoadDestinations(later, WriteProfile("0=MYAPP|-1|" + Folder("Resolved") + "\n1=LATER|0\n"));
    HWND page = Open(later, kSelectFolderPage);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(gui::ControlText(page, IDC_LOCATION), SystemDrive() + "\\MYAPP\\");
    const std::string chosen = Folder("Later");
    ASSERT_TRUE(ChooseFolder(later, page, chosen));
    EXPECT_EQ(Path(later, 1), chosen + "\\LATER\\");
}

TEST_F(WizardPageTest, FolderPageRefusalAttendedKeepsThePage) {
    CTestWizardContext context({kSelectFolderPage});
    LoadDestinations(context, WriteProfile("0=MYAPP\n"));
    HWND page = Open(context, kSelectFolderPage);
    ASSERT_NE(page, nullptr);

    const std::string refused = "C:\\NO*FOLDER";
    ASSERT_TRUE(gui::SetControlText(page, IDC_LOCATION, refused));
    CMessageBoxAnswer answer(IDOK);
    ASSERT_TRUE(gui::PressButton(page, IDOK));
    ASSERT_TRUE(PumpUntil([&] { return answer.Answered(); }, kTimeoutMs));
    gui::PumpMessagesFor(100);

    EXPECT_EQ(answer.Text(), "Cannot Create Directory");
    EXPECT_EQ(answer.Caption(), "Demo Setup");
    EXPECT_EQ(context.CurrentPageId(), kSelectFolderPage);
    EXPECT_EQ(gui::ControlText(page, IDC_LOCATION), refused);
    EXPECT_TRUE(context.record.standInPages.empty());
    EXPECT_FALSE(context.IsAborted());
    EXPECT_EQ(context.record.failures, 0);
}

TEST_F(WizardPageTest, FolderPageUnattendedGoesOnOrGivesUpWithoutAsking) {
    {
        // The proposal (a folder with its own drive is taken as it is) is made and taken.
        const std::string proposed = Folder("Unattended\\App");
        CTestWizardContext context({kSelectFolderPage});
        context.settings.unattended = true;
        LoadDestinations(context, WriteProfile("0=" + proposed + "\n"));
        CMessageBoxAnswer answer(IDOK);
        ASSERT_NE(Open(context, kSelectFolderPage), nullptr);
        ASSERT_TRUE(PumpUntilLeft(context, kSelectFolderPage));
        EXPECT_FALSE(answer.Finish());
        EXPECT_EQ(context.CurrentPageId(), kProgramGroupPage);
        EXPECT_TRUE(IsDirectory(proposed));
        ASSERT_EQ(context.record.unattendedAnswers.size(), 1u);
        EXPECT_EQ(context.record.unattendedAnswers[0],
                  "Continue with the folder: " + proposed + "\\");
    }
    {
        // Nobody could type another folder: the run ends with the not-complete page.
        CTestWizardContext context({kSelectFolderPage});
        context.settings.unattended = true;
        LoadDestinations(context, WriteProfile("0=NO*FOLDER\n"));
        CMessageBoxAnswer answer(IDOK);
        ASSERT_NE(Open(context, kSelectFolderPage), nullptr);
        ASSERT_TRUE(PumpUntilLeft(context, kSelectFolderPage));
        EXPECT_FALSE(answer.Finish());
        EXPECT_EQ(context.CurrentPageId(), kNotCompletePage);
        EXPECT_TRUE(context.IsAborted());
        EXPECT_EQ(context.record.failures, 1);
        ASSERT_EQ(context.record.unattendedAnswers.size(), 1u);
        EXPECT_EQ(context.record.unattendedAnswers[0],
                  "OK after: Cannot Create Directory: " + SystemDrive() + "\\NO*FOLDER\\");
        EXPECT_TRUE(context.record.logMoves.empty());
    }
}

TEST_F(WizardPageTest, FolderPageReportsDestinationsThatCannotBeResolved) {
    // Destination 1 builds on destination 5, which the profile does not have.
    const std::string proposed = Folder("Broken");
    CTestWizardContext context({kSelectFolderPage});
    context.settings.unattended = true;
    LoadDestinations(context, WriteProfile("0=" + proposed + "\n1=DATA|5\n"));
    ASSERT_NE(Open(context, kSelectFolderPage), nullptr);
    ASSERT_TRUE(PumpUntilLeft(context, kSelectFolderPage));

    EXPECT_EQ(context.CurrentPageId(), kNotCompletePage);
    EXPECT_TRUE(context.IsAborted());
    ASSERT_EQ(context.record.reports.size(), 1u);
    EXPECT_EQ(context.record.reports[0].messageId, 9);
    EXPECT_EQ(context.record.reports[0].className, "CInstallProfileException");
    EXPECT_EQ(context.record.reports[0].cause, 1);
    // Nothing of the refused choice stays.
    EXPECT_EQ(Path(context, kDestApplication), "");
    EXPECT_TRUE(context.record.logMoves.empty());
}

TEST_F(WizardPageTest, GroupPageUnattendedTakesTheProfileGroup) {
    CTestWizardContext context({kProgramGroupPage});
    context.settings.unattended = true;
    context.SetProgramGroup("  Demo Apps ");
    HWND page = Open(context, kProgramGroupPage);
    ASSERT_NE(page, nullptr);
    // Unattended, Program Manager is not asked: no groups to choose from.
    EXPECT_EQ(::SendDlgItemMessageA(page, IDC_GROUP_LIST, LB_GETCOUNT, 0, 0), 0);
    EXPECT_FALSE(gui::ControlEnabled(page, IDC_EXISTING_GROUP));
    EXPECT_EQ(::IsDlgButtonChecked(page, IDC_NEW_GROUP), BST_CHECKED);
    EXPECT_EQ(gui::ControlText(page, IDC_GROUP_NAME), "  Demo Apps ");

    ASSERT_TRUE(PumpUntilLeft(context, kProgramGroupPage));
    EXPECT_EQ(context.CurrentPageId(), kCopyPage);
    EXPECT_EQ(context.GetProgramGroup(), "Demo Apps");
    ASSERT_EQ(context.record.unattendedAnswers.size(), 1u);
    EXPECT_EQ(context.record.unattendedAnswers[0], "Continue with the program group: Demo Apps");
}

TEST_F(WizardPageTest, CancelAsksAndNoKeepsThePageWhileYesEndsTheRun) {
    const std::string question =
        "Demo  installation not complete. Do you really want to exit Setup?";
    CTestWizardContext context({kWelcomePage, kSelectFolderPage});
    LoadDestinations(context, WriteProfile("0=MYAPP\n"));

    HWND page = Open(context, kSelectFolderPage);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(gui::SetControlText(page, IDC_LOCATION, "C:\\TYPED"));
    {
        CMessageBoxAnswer answer(IDNO);
        ASSERT_TRUE(gui::PressButton(page, IDCANCEL));
        ASSERT_TRUE(PumpUntil([&] { return answer.Answered(); }, kTimeoutMs));
        gui::PumpMessagesFor(100);
        EXPECT_EQ(answer.Text(), question);
        EXPECT_EQ(answer.Caption(), "Demo Setup");
    }
    EXPECT_EQ(context.CurrentPageId(), kSelectFolderPage);
    EXPECT_EQ(gui::ControlText(page, IDC_LOCATION), "C:\\TYPED");
    EXPECT_FALSE(context.IsAborted());
    EXPECT_EQ(context.record.cancelled, 0);

    page = Open(context, kWelcomePage);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(gui::ControlText(page, IDC_PAGE_TEXT).rfind("Welcome to Demo.", 0), 0u);
    CMessageBoxAnswer answer(IDYES);
    ASSERT_TRUE(gui::PressButton(page, IDCANCEL));
    ASSERT_TRUE(PumpUntilLeft(context, kWelcomePage));
    EXPECT_TRUE(answer.Finish());
    EXPECT_EQ(answer.Text(), question);
    EXPECT_EQ(context.CurrentPageId(), kNotCompletePage);
    EXPECT_TRUE(context.IsAborted());
    EXPECT_EQ(context.record.cancelled, 1);
}

TEST_F(WizardPageTest, RemovalConfirmationWaitsUnattendedUnlessOptionY) {
    {
        // Unattended, the page waits for Continue; a Cancel there is answered Yes unasked.
        CTestWizardContext context({kRemoveConfirmPage});
        context.settings.unattended = true;
        context.settings.removal = true;
        CMessageBoxAnswer answer(IDNO);
        HWND page = Open(context, kRemoveConfirmPage);
        ASSERT_NE(page, nullptr);
        gui::PumpMessagesFor(300);
        EXPECT_EQ(context.CurrentPageId(), kRemoveConfirmPage);
        ASSERT_TRUE(gui::PressButton(page, IDCANCEL));
        ASSERT_TRUE(PumpUntilLeft(context, kRemoveConfirmPage));
        EXPECT_FALSE(answer.Finish());
        EXPECT_EQ(context.CurrentPageId(), kNotCompletePage);
        EXPECT_TRUE(context.IsAborted());
        EXPECT_EQ(context.record.cancelled, 1);
        ASSERT_EQ(context.record.unattendedAnswers.size(), 1u);
        EXPECT_EQ(context.record.unattendedAnswers[0].rfind("Yes without asking: Demo  ", 0), 0u)
            << context.record.unattendedAnswers[0];
    }
    {
        CTestWizardContext context({kRemoveConfirmPage});
        context.settings.unattended = true;
        context.settings.removal = true;
        context.settings.confirmRemoval = true;
        ASSERT_NE(Open(context, kRemoveConfirmPage), nullptr);
        ASSERT_TRUE(PumpUntilLeft(context, kRemoveConfirmPage));
        EXPECT_EQ(context.CurrentPageId(), kReadingPage);
        EXPECT_FALSE(context.IsAborted());
        ASSERT_EQ(context.record.unattendedAnswers.size(), 1u);
        EXPECT_EQ(context.record.unattendedAnswers[0].rfind(
                      "Continue without asking (option Y): You have chosen to remove Demo.", 0),
                  0u)
            << context.record.unattendedAnswers[0];
    }
}

TEST_F(WizardPageTest, ReadingPageLoadsTheProfileAndPassesOverTheConditions) {
    const std::string profile = WriteProfile("0=MYAPP\n");
    {
        CTestWizardContext context({kReadingPage, kInstallConditionsPage});
        context.settings.profilePath = CFilePath(profile);
        HWND page = Open(context, kReadingPage);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(gui::WindowText(page), "Demo Setup");
        ASSERT_TRUE(PumpUntilLeft(context, kReadingPage));
        EXPECT_EQ(context.CurrentPageId(), kSelectFolderPage);
        EXPECT_EQ(context.record.standInPages, std::vector<int>{kSelectFolderPage});
        const DestinationRecord* application =
            context.GetCollections().destinations.Find(kDestApplication);
        ASSERT_NE(application, nullptr);
        EXPECT_EQ(application->relativePath, "MYAPP");
        EXPECT_EQ(context.GetCollections().components.Size(), 2u);
    }
    {
        CTestWizardContext context({kReadingPage});
        context.settings.removal = true;
        context.settings.profilePath = CFilePath(profile);
        ASSERT_NE(Open(context, kReadingPage), nullptr);
        ASSERT_TRUE(PumpUntilLeft(context, kReadingPage));
        EXPECT_EQ(context.CurrentPageId(), kRemovingPage);
    }
}

TEST_F(WizardPageTest, ReadingFailureIsReportedAndLeadsToTheNotCompletePage) {
    CTestWizardContext context({kReadingPage});
    context.settings.profilePath = CFilePath(Folder("missing.ini"));
    ASSERT_NE(Open(context, kReadingPage), nullptr);
    ASSERT_TRUE(PumpUntilLeft(context, kReadingPage));
    EXPECT_EQ(context.CurrentPageId(), kNotCompletePage);
    EXPECT_TRUE(context.IsAborted());
    ASSERT_EQ(context.record.reports.size(), 1u);
    EXPECT_EQ(context.record.reports[0].messageId, 9);
    EXPECT_EQ(context.record.reports[0].className, "CInstallProfileException");
    EXPECT_EQ(context.record.reports[0].cause, 0);
}

// A browser whose location check fails.
class CFailingFolderDialog : public CFolderDialog {
public:
    using CFolderDialog::CFolderDialog;

protected:
    int ValidateLocation() override { throw std::runtime_error("location check failed"); }
};

TEST_F(WizardPageTest, FolderBrowserExceptionReachesTheWindowProcedureBarrier) {
    CTestWizardContext context({});
    const std::string start = Folder("");
    std::atomic<bool> pressed{false};
    std::thread user([&] {
        HWND browser = gui::WaitForDialog(0, IDD_FOLDER_BROWSER, kTimeoutMs);
        if (browser != nullptr) {
            pressed = gui::PressButton(browser, IDOK);
            // The dialog must not stay open for ever if OK did not close it.
            if (!gui::WaitForWindowGone(browser, kTimeoutMs)) {
                gui::PressButton(browser, IDCANCEL);
            }
        }
    });
    CFailingFolderDialog dialog(nullptr, start, "");
    dialog.DoModal();
    user.join();

    EXPECT_TRUE(pressed);
    ASSERT_EQ(context.record.barrierExceptions.size(), 1u);
    EXPECT_EQ(context.record.barrierExceptions[0], "location check failed");
}

} // namespace
