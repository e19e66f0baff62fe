// The folder page (104), its folder browser (1536) and the program group page (106) of the
// real setup program under Wine: the proposed folder, a refused folder, a folder two levels
// deep, browsing, going back, and choosing a group from Program Manager's list. A test
// Program Manager (the engine tests' recording server) answers as "PROGMAN" with a fixed
// group list, so no real Program Manager is ever started. Screenshots land in the build tree.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "GuiHarness.h"
#include "engine/ProgramManager.h"
#include "resources/resource.h"

namespace {

constexpr DWORD kTimeoutMs = 30000;
constexpr const char* kAppSetup = "Demo App Setup";
constexpr const char* kCannotCreate = "Cannot Create Directory";

bool IsDirectory(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Read as wide text: Wine passes the text of a list box of another process only that way.
std::vector<std::string> ListBoxEntries(HWND list) {
    std::vector<std::string> entries;
    const LRESULT count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        char narrow[512] = {};
        ::WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof(narrow), nullptr, nullptr);
        entries.emplace_back(narrow);
    }
    return entries;
}

bool IsChecked(HWND dialog, int id) {
    return ::SendMessageA(::GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

class SetupPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = gui::MakeTempDirectory("spg");
        ASSERT_FALSE(m_dir.empty());
        m_program = m_dir + "\\setup.exe";
        ASSERT_TRUE(::CopyFileA(gui::WindowsPath(SETUP_PROGRAM).c_str(), m_program.c_str(), FALSE));
        // A folder name of this test only, proposed on the system drive.
        m_appFolder = "PGT" + std::to_string(::GetCurrentProcessId());
        WriteProfile(m_appFolder);

        // The groups arrive unsorted; the page's list sorts them.
        std::ofstream(m_dir + "\\groups.txt", std::ios::binary)
            << "Zeta Tools\r\nAccessories\r\nMain\r\n";
        ASSERT_TRUE(StartServerAnsweringProgman());
    }

    // Wine's desktop process answers "PROGMAN" too, and a connection reaches the server whose
    // window is newest. Whether ours is depends on when the desktop came up, so the test
    // restarts its server until the group list that answers is its own.
    bool StartServerAnsweringProgman() {
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (attempt != 0) {
                m_server.Kill();
                m_server.Wait(5000);
            }
            const std::string ready = m_dir + "\\ready.txt";
            ::DeleteFileA(ready.c_str());
            if (!m_server.Start(gui::WindowsPath(PROGMAN_TEST_SERVER),
                                "--ready \"" + ready + "\" --groups \"" + m_dir +
                                    "\\groups.txt\" --lifetime 120000") ||
                !gui::WaitUntil(
                    [&] { return ::GetFileAttributesA(ready.c_str()) != INVALID_FILE_ATTRIBUTES; },
                    kTimeoutMs)) {
                return false;
            }
            if (ProgmanListNames("Zeta Tools")) {
                return true;
            }
        }
        return false;
    }

    static bool ProgmanListNames(const std::string& group) {
        CDdeClient client;
        std::string groups;
        return client.Initialize() && client.Connect("PROGMAN", "PROGMAN") &&
               client.Request("Progman", groups) && groups.find(group) != std::string::npos;
    }

    void TearDown() override {
        m_process.Kill();
        m_process.Wait(5000);
        m_server.Kill();
        m_server.Wait(5000);
        for (const char* file :
             {"setup.exe", "setup.ini", "groups.txt", "ready.txt", "install.log"}) {
            ::DeleteFileA((m_dir + "\\" + file).c_str());
        }
        for (const char* sub : {"\\one\\two", "\\one"}) {
            ::RemoveDirectoryA((m_dir + sub).c_str());
        }
        ::RemoveDirectoryA(m_dir.c_str());
        // An installation leaves its log in the application directory.
        ::DeleteFileA(("C:\\" + m_appFolder + "\\install.log").c_str());
        ::RemoveDirectoryA(("C:\\" + m_appFolder + "\\DATA").c_str());
        ::RemoveDirectoryA(("C:\\" + m_appFolder).c_str());
    }

    void WriteProfile(const std::string& appFolder) {
        std::ofstream(m_dir + "\\setup.ini", std::ios::binary)
            << "[general]\r\nApp Title=Demo App\r\nApp Setup=" << kAppSetup
            << "\r\nPM Group=Demo\r\n[destinations]\r\n0=" << appFolder << "|-1|\r\n1=DATA|0|\r\n";
    }

    void Start(const std::string& arguments) {
        ASSERT_TRUE(m_process.Start(m_program, arguments, m_dir)) << arguments;
    }

    HWND WaitForPage(int id) {
        if (!gui::WaitForCurrentDialog(m_process.GetId(), id, kTimeoutMs)) {
            ADD_FAILURE() << "page " << id << " did not appear; current "
                          << gui::CurrentDialogId(m_process.GetId());
            return nullptr;
        }
        return gui::FindDialog(m_process.GetId(), id);
    }

    // Starts the program and goes on from the welcome page to the folder page.
    HWND OpenFolderPage() {
        Start("");
        HWND welcome = WaitForPage(IDD_WELCOME);
        if (welcome == nullptr || !gui::PressButton(welcome, IDOK)) {
            return nullptr;
        }
        return WaitForPage(IDD_SELECT_FOLDER);
    }

    void Screenshot(HWND window, const std::string& name) {
        EXPECT_TRUE(gui::SaveWindowPng(window, gui::ScreenshotPath("setup-" + name))) << name;
    }

    // The program's message box (a dialog without template id), waited for.
    HWND WaitForMessageBox() { return gui::WaitForMessageBox(m_process.GetId(), kTimeoutMs); }

    static bool BoxSays(HWND box, const std::string& text) {
        for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            if (gui::WindowText(child) == text) {
                return true;
            }
        }
        return false;
    }

    std::string m_dir;
    std::string m_program;
    std::string m_appFolder;
    gui::CTestProcess m_server;
    gui::CTestProcess m_process;
};

TEST_F(SetupPagesTest, FolderPageRefusesBadFolderCreatesTwoLevelsAndComesBackWithIt) {
    HWND folder = OpenFolderPage();
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(gui::WindowText(folder), "Select Folder");
    // The profile's folder on the drive of the system directory.
    EXPECT_EQ(gui::ControlText(folder, IDC_LOCATION), "C:\\" + m_appFolder + "\\");
    Screenshot(folder, "page-104-proposed");

    // A name no folder can have: string 7, and the page keeps what was typed.
    const std::string bad = "C:\\bad|name";
    ASSERT_TRUE(gui::SetControlText(folder, IDC_LOCATION, bad));
    ASSERT_TRUE(gui::PressButton(folder, IDOK));
    HWND box = WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(gui::WindowText(box), kAppSetup);
    EXPECT_TRUE(BoxSays(box, kCannotCreate));
    Screenshot(box, "page-104-cannot-create");
    ASSERT_TRUE(gui::PressButton(box, IDOK));
    ASSERT_TRUE(gui::WaitForWindowGone(box, kTimeoutMs));
    EXPECT_TRUE(gui::WaitForCurrentDialog(m_process.GetId(), IDD_SELECT_FOLDER, kTimeoutMs));
    EXPECT_EQ(gui::ControlText(folder, IDC_LOCATION), bad);

    // Two levels below an existing folder: both are made.
    const std::string deep = m_dir + "\\one\\two";
    ASSERT_TRUE(gui::SetControlText(folder, IDC_LOCATION, deep));
    ASSERT_TRUE(gui::PressButton(folder, IDOK));
    HWND group = WaitForPage(IDD_SELECT_GROUP);
    ASSERT_NE(group, nullptr);
    EXPECT_TRUE(IsDirectory(deep));
    EXPECT_FALSE(::IsWindow(folder));

    // Back (the page handles command 1027 although no template shows the button): the folder
    // page shows the folder chosen before, not the profile's proposal.
    ::PostMessageA(group, WM_COMMAND, MAKEWPARAM(IDC_BACK, BN_CLICKED), 0);
    folder = WaitForPage(IDD_SELECT_FOLDER);
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(gui::ControlText(folder, IDC_LOCATION), deep + "\\");
    ASSERT_TRUE(gui::PressButton(folder, IDOK));
    EXPECT_NE(WaitForPage(IDD_SELECT_GROUP), nullptr);
}

TEST_F(SetupPagesTest, BrowserStartsInNearestParentAndReturnsTheShownFolder) {
    HWND folder = OpenFolderPage();
    ASSERT_NE(folder, nullptr);
    // Two levels that do not exist yet below the test directory.
    ASSERT_TRUE(gui::SetControlText(folder, IDC_LOCATION, m_dir + "\\first\\app"));
    ASSERT_TRUE(gui::PressButton(folder, IDC_BROWSE));
    ASSERT_TRUE(gui::WaitForCurrentDialog(m_process.GetId(), IDD_FOLDER_BROWSER, kTimeoutMs));
    HWND browser = gui::FindDialog(m_process.GetId(), IDD_FOLDER_BROWSER);
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(gui::WindowText(browser), "Open");
    EXPECT_EQ(gui::ControlText(browser, IDC_NEW_SUBDIRECTORY), "first\\app");
    EXPECT_TRUE(gui::WaitUntil(
        [&] {
            return Lower(gui::ControlText(browser, IDC_RESULT_LOCATION)) ==
                   Lower(m_dir + "\\first\\app\\");
        },
        kTimeoutMs))
        << gui::ControlText(browser, IDC_RESULT_LOCATION);
    EXPECT_FALSE(gui::ControlVisible(browser, IDC_FD_FILE_NAME));
    EXPECT_TRUE(gui::ControlVisible(browser, IDC_FD_DIRECTORIES));
    Screenshot(browser, "folder-browser");

    // Typing a new subdirectory shows the folder OK will return; OK returns exactly that and
    // creates nothing.
    ASSERT_TRUE(gui::SetControlText(browser, IDC_NEW_SUBDIRECTORY, "second"));
    EXPECT_TRUE(gui::WaitUntil(
        [&] {
            return Lower(gui::ControlText(browser, IDC_RESULT_LOCATION)) ==
                   Lower(m_dir + "\\second\\");
        },
        kTimeoutMs))
        << gui::ControlText(browser, IDC_RESULT_LOCATION);

    // Opening the parent directory in the list (a double click on "[..]") moves the shown
    // folder up with the new subdirectory kept.
    HWND directories = ::GetDlgItem(browser, IDC_FD_DIRECTORIES);
    const LRESULT up = ::SendMessageW(directories, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(L"[..]"));
    ASSERT_NE(up, LB_ERR);
    ::SendMessageW(directories, LB_SETCURSEL, static_cast<WPARAM>(up), 0);
    ::PostMessageA(browser, WM_COMMAND, MAKEWPARAM(IDC_FD_DIRECTORIES, LBN_DBLCLK),
                   reinterpret_cast<LPARAM>(directories));
    const std::string parent = m_dir.substr(0, m_dir.rfind('\\'));
    EXPECT_TRUE(gui::WaitUntil(
        [&] {
            return Lower(gui::ControlText(browser, IDC_RESULT_LOCATION)) ==
                   Lower(parent + "\\second\\");
        },
        kTimeoutMs))
        << gui::ControlText(browser, IDC_RESULT_LOCATION);

    const std::string shown = gui::ControlText(browser, IDC_RESULT_LOCATION);
    ASSERT_TRUE(gui::PressButton(browser, IDOK));
    ASSERT_TRUE(gui::WaitForWindowGone(browser, kTimeoutMs));
    EXPECT_TRUE(gui::WaitForCurrentDialog(m_process.GetId(), IDD_SELECT_FOLDER, kTimeoutMs));
    EXPECT_EQ(gui::ControlText(folder, IDC_LOCATION), shown);
    EXPECT_FALSE(IsDirectory(shown));

    // Cancel in the browser changes nothing.
    ASSERT_TRUE(gui::PressButton(folder, IDC_BROWSE));
    ASSERT_TRUE(gui::WaitForCurrentDialog(m_process.GetId(), IDD_FOLDER_BROWSER, kTimeoutMs));
    browser = gui::FindDialog(m_process.GetId(), IDD_FOLDER_BROWSER);
    ASSERT_TRUE(gui::SetControlText(browser, IDC_NEW_SUBDIRECTORY, "other"));
    ASSERT_TRUE(gui::PressButton(browser, IDCANCEL));
    ASSERT_TRUE(gui::WaitForWindowGone(browser, kTimeoutMs));
    EXPECT_EQ(gui::ControlText(folder, IDC_LOCATION), shown);

    // Continue creates the folder the browser returned.
    ASSERT_TRUE(gui::PressButton(folder, IDOK));
    ASSERT_NE(WaitForPage(IDD_SELECT_GROUP), nullptr);
    EXPECT_TRUE(IsDirectory(shown));
    ::RemoveDirectoryA(shown.c_str());
}

TEST_F(SetupPagesTest, GroupPageListsSortedGroupsAndFollowsTheLastAction) {
    HWND folder = OpenFolderPage();
    ASSERT_NE(folder, nullptr);
    ASSERT_TRUE(gui::PressButton(folder, IDOK));
    HWND group = WaitForPage(IDD_SELECT_GROUP);
    ASSERT_NE(group, nullptr);
    EXPECT_TRUE(IsDirectory("C:\\" + m_appFolder));
    EXPECT_EQ(gui::WindowText(group), "Select Program Group");
    HWND list = ::GetDlgItem(group, IDC_GROUP_LIST);
    // The page fills its controls before it appears.
    EXPECT_EQ(ListBoxEntries(list),
              (std::vector<std::string>{"Accessories", "Main", "Zeta Tools"}));
    EXPECT_EQ(gui::ControlText(group, IDC_GROUP_NAME), "Demo");
    EXPECT_TRUE(IsChecked(group, IDC_NEW_GROUP));
    EXPECT_FALSE(IsChecked(group, IDC_EXISTING_GROUP));
    Screenshot(group, "page-106-groups");

    // "Use existing group" with no group selected: Continue (sent, so that it has been
    // handled when the call returns) keeps the page.
    ::PostMessageA(::GetDlgItem(group, IDC_EXISTING_GROUP), BM_CLICK, 0, 0);
    ASSERT_TRUE(gui::WaitUntil([&] { return IsChecked(group, IDC_EXISTING_GROUP); }, kTimeoutMs));
    DWORD_PTR result = 0;
    ASSERT_NE(::SendMessageTimeoutA(group, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0, 0,
                                    kTimeoutMs, &result),
              0);
    EXPECT_TRUE(::IsWindow(group));
    EXPECT_EQ(gui::CurrentDialogId(m_process.GetId()), IDD_SELECT_GROUP);

    // Typing a name selects "Create new group", choosing a group "Use existing group"; the
    // last action wins. Each step starts from the other radio button, so each wait shows the
    // step's own effect.
    const auto choose = [&](int index) {
        ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ::PostMessageA(group, WM_COMMAND, MAKEWPARAM(IDC_GROUP_LIST, LBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(list));
        return gui::WaitUntil(
            [&] {
                return IsChecked(group, IDC_EXISTING_GROUP) && !IsChecked(group, IDC_NEW_GROUP);
            },
            kTimeoutMs);
    };
    const auto type = [&](const std::string& name) {
        return gui::SetControlText(group, IDC_GROUP_NAME, name) &&
               gui::WaitUntil(
                   [&] {
                       return IsChecked(group, IDC_NEW_GROUP) &&
                              !IsChecked(group, IDC_EXISTING_GROUP);
                   },
                   kTimeoutMs);
    };
    EXPECT_TRUE(type("My Group"));
    EXPECT_TRUE(choose(0));
    EXPECT_TRUE(type("Other Group"));
    EXPECT_TRUE(choose(1));
    Screenshot(group, "page-106-existing-chosen");

    ASSERT_TRUE(gui::PressButton(group, IDOK));
    HWND complete = WaitForPage(IDD_COMPLETE);
    ASSERT_NE(complete, nullptr);
    ASSERT_TRUE(gui::PressButton(complete, IDOK));
    EXPECT_TRUE(m_process.Wait(kTimeoutMs));
}

TEST_F(SetupPagesTest, UnattendedRunWithImpossibleFolderLogsAndGivesUp) {
    WriteProfile("bad?folder");
    Start("/B");
    // Nobody is asked: the run ends by itself, as failed, and the log says why.
    DWORD exitCode = 0;
    ASSERT_TRUE(m_process.Wait(kTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 1603u);
    std::ifstream in(m_dir + "\\install.log", std::ios::binary);
    std::stringstream log;
    log << in.rdbuf();
    EXPECT_NE(log.str().find(std::string("=Unattended: OK after: ") + kCannotCreate + ": "),
              std::string::npos)
        << log.str();
    EXPECT_NE(log.str().find("=Unattended: end of setup: failed, exit code 1603"),
              std::string::npos)
        << log.str();
}

} // namespace
