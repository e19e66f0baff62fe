// The real setup program under Wine: page sequences in unattended and attended runs, the
// Cancel question, the exit notification and the removal helper. Every page the tests see is
// also saved as a screenshot in the build tree.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "GuiHarness.h"
#include "resources/resource.h"

namespace {

constexpr DWORD kTimeoutMs = 30000;
constexpr const char* kAppTitle = "Demo App";
constexpr const char* kAppSetup = "Demo App Setup";
// Destinations enough to keep the Reading page busy for a while.
constexpr int kSlowProfileDestinations = 2500;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int CountOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::string::size_type pos = text.find(part); pos != std::string::npos;
         pos = text.find(part, pos + part.size())) {
        ++count;
    }
    return count;
}

// Records the template id of every dialog that the program opens, in order: a global
// window hook (the test library PageHook) runs inside the program and appends each id to a
// file named by the environment variable SETUP_PAGE_LOG, which the program inherits.
class CPageRecorder {
public:
    explicit CPageRecorder(const std::string& logPath) : m_logPath(logPath) {
        ::DeleteFileA(m_logPath.c_str());
        ::SetEnvironmentVariableA("SETUP_PAGE_LOG", m_logPath.c_str());
        m_library = ::LoadLibraryA(gui::WindowsPath(PAGE_HOOK_LIBRARY).c_str());
        auto proc = reinterpret_cast<HOOKPROC>(
            reinterpret_cast<void (*)()>(::GetProcAddress(m_library, "PageHookProc")));
        if (proc != nullptr) {
            m_hook = ::SetWindowsHookExA(WH_CALLWNDPROCRET, proc, m_library, 0);
        }
    }
    ~CPageRecorder() {
        if (m_hook != nullptr) {
            ::UnhookWindowsHookEx(m_hook);
        }
        if (m_library != nullptr) {
            ::FreeLibrary(m_library);
        }
        ::SetEnvironmentVariableA("SETUP_PAGE_LOG", nullptr);
        ::DeleteFileA(m_logPath.c_str());
    }
    CPageRecorder(const CPageRecorder&) = delete;
    CPageRecorder& operator=(const CPageRecorder&) = delete;

    bool IsHooked() const { return m_hook != nullptr; }

    std::vector<int> Pages() const {
        std::vector<int> pages;
        for (const OpenedPage& page : OpenedPages()) {
            pages.push_back(page.id);
        }
        return pages;
    }

    // Every page with its window size when it had been initialised.
    struct OpenedPage {
        int id;
        long width;
        long height;
    };
    std::vector<OpenedPage> OpenedPages() const {
        std::vector<OpenedPage> pages;
        std::istringstream in(ReadFile(m_logPath));
        OpenedPage page{};
        while (in >> page.id >> page.width >> page.height) {
            pages.push_back(page);
        }
        return pages;
    }

private:
    std::string m_logPath;
    HMODULE m_library = nullptr;
    HHOOK m_hook = nullptr;
};

// A temporary distribution directory with the setup program and a small profile.
class SetupProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = gui::MakeTempDirectory("stp");
        ASSERT_FALSE(m_dir.empty());
        m_program = m_dir + "\\setup.exe";
        ASSERT_TRUE(::CopyFileA(gui::WindowsPath(SETUP_PROGRAM).c_str(), m_program.c_str(), FALSE));
        WriteProfile(0);

        char system[MAX_PATH];
        ::GetSystemDirectoryA(system, MAX_PATH);
        m_helper = std::string(system) + "\\_xktinst.exe";
        ASSERT_TRUE(::CopyFileA(gui::WindowsPath(REMOVAL_HELPER_STAND_IN).c_str(), m_helper.c_str(),
                                FALSE));
    }

    void TearDown() override {
        m_process.Kill();
        m_process.Wait(5000);
        // A completed installation made the profile's program group.
        gui::RemoveShellGroup("Demo");
        ::DeleteFileA(m_helper.c_str());
        for (const char* file :
             {"setup.exe", "setup.ini", "install.log", "removal-helper.txt", "pages.txt"}) {
            ::DeleteFileA((m_dir + "\\" + file).c_str());
        }
        ::RemoveDirectoryA(m_dir.c_str());
        // An installation leaves its log in the application directory (C:\\DEMO).
        ::DeleteFileA("C:\\DEMO\\install.log");
        ::RemoveDirectoryA("C:\\DEMO");
    }

    // The profile: titles and one destination; extraDestinations more records make the
    // Reading page take a while.
    void WriteProfile(int extraDestinations, const std::string& title = kAppTitle,
                      const std::string& splash = "", const std::string& directory = "") {
        std::ofstream out((directory.empty() ? m_dir : directory) + "\\setup.ini",
                          std::ios::binary);
        out << "[general]\r\nApp Title=" << title << "\r\nApp Setup=" << kAppSetup
            << "\r\nPM Group=Demo\r\n";
        if (!splash.empty()) {
            out << "Splash Path=" << splash << "\r\n";
        }
        out << "[destinations]\r\n0=DEMO|-1|\r\n";
        for (int i = 1; i <= extraDestinations; ++i) {
            out << i << "=SUB" << i << "|0|\r\n";
        }
    }

    // The install log that a removal reads as its profile.
    void WriteInstallLog() {
        std::ofstream out(m_dir + "\\install.log", std::ios::binary);
        out << "[destinations]\r\n0=DEMO|-1|C:\\DEMO\\\r\n";
    }

    void Start(const std::string& arguments) {
        ASSERT_TRUE(m_process.Start(m_program, arguments, m_dir)) << arguments;
    }

    // Waits until the page is the current dialog and returns it.
    HWND WaitForPage(int id) {
        if (!gui::WaitForCurrentDialog(m_process.GetId(), id, kTimeoutMs)) {
            ADD_FAILURE() << "page " << id << " did not appear; current "
                          << gui::CurrentDialogId(m_process.GetId());
            return nullptr;
        }
        return gui::FindDialog(m_process.GetId(), id);
    }

    void Screenshot(HWND window, const std::string& name) {
        EXPECT_TRUE(gui::SaveWindowPng(window, gui::ScreenshotPath("setup-" + name))) << name;
    }

    HWND WaitForMessageBox() { return gui::WaitForMessageBox(m_process.GetId(), kTimeoutMs); }

    // The longest text of the message box's static controls: its message.
    static std::string MessageBoxText(HWND box) {
        std::string longest;
        for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            char className[32] = {};
            ::GetClassNameA(child, className, sizeof(className));
            std::string text = gui::WindowText(child);
            if (_stricmp(className, "Static") == 0 && text.size() > longest.size()) {
                longest = text;
            }
        }
        return longest;
    }

    bool WaitForExit(DWORD* exitCode = nullptr) { return m_process.Wait(kTimeoutMs, exitCode); }

    std::string m_dir;
    std::string m_program;
    std::string m_helper;
    gui::CTestProcess m_process;
};

TEST_F(SetupProgramTest, UnattendedInstallPassesEveryPageAndEnds) {
    CPageRecorder recorder(m_dir + "\\pages.txt");
    ASSERT_TRUE(recorder.IsHooked());
    Start("/B");
    DWORD exitCode = 1;
    ASSERT_TRUE(WaitForExit(&exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(recorder.Pages(),
              (std::vector<int>{IDD_WELCOME, IDD_READING, IDD_SELECT_FOLDER, IDD_SELECT_GROUP,
                                IDD_COPYING, IDD_REGISTERING, IDD_COMPLETE}));
    // Every page was moved and sized to nothing.
    for (const auto& page : recorder.OpenedPages()) {
        EXPECT_EQ(page.width, 0) << page.id;
        EXPECT_EQ(page.height, 0) << page.id;
    }
    // An installation never starts the removal helper.
    EXPECT_FALSE(FileExists(m_dir + "\\removal-helper.txt"));
}

TEST_F(SetupProgramTest, UnattendedRemovalWaitsForContinueAndStartsHelper) {
    WriteInstallLog();
    CPageRecorder recorder(m_dir + "\\pages.txt");
    ASSERT_TRUE(recorder.IsHooked());
    Start("/U /B");
    HWND confirm = WaitForPage(IDD_REMOVE_CONFIRM);
    ASSERT_NE(confirm, nullptr);
    std::string text = gui::ControlText(confirm, IDC_PAGE_TEXT);
    EXPECT_EQ(CountOf(text, "%app title%"), 0) << text;
    EXPECT_EQ(CountOf(text, kAppTitle), 4) << text;
    EXPECT_EQ(gui::WindowText(confirm), kAppSetup);

    // It stays, even in unattended mode, and it can be seen, since it waits for the user.
    RECT rect{};
    ::GetWindowRect(confirm, &rect);
    EXPECT_GT(rect.right - rect.left, 100);
    EXPECT_TRUE(::IsWindowVisible(confirm));
    gui::WaitUntil([] { return false; }, 1500);
    EXPECT_EQ(gui::CurrentDialogId(m_process.GetId()), IDD_REMOVE_CONFIRM);
    EXPECT_TRUE(m_process.IsRunning());

    ASSERT_TRUE(gui::PressButton(confirm, IDOK));
    ASSERT_TRUE(WaitForExit());
    EXPECT_EQ(recorder.Pages(), (std::vector<int>{IDD_REMOVE_CONFIRM, IDD_READING, IDD_REMOVING,
                                                  IDD_UNREGISTERING, IDD_REMOVED}));
    // The confirmation that waits for the user can be seen; the others are sized to nothing.
    for (const auto& page : recorder.OpenedPages()) {
        EXPECT_EQ(page.width > 0, page.id == IDD_REMOVE_CONFIRM) << page.id;
    }

    // The helper gets the system directory's _xktinst.exe, /U and /PP: with the profile.
    std::string record = m_dir + "\\removal-helper.txt";
    ASSERT_TRUE(gui::WaitUntil([&] { return FileExists(record); }, kTimeoutMs));
    gui::WaitUntil([&] { return !ReadFile(record).empty(); }, 5000);
    EXPECT_EQ(ReadFile(record), m_helper + " /U /PP:" + m_dir + "\\setup.ini");
}

// A removal that is declined on its confirmation page keeps the program, its profile and
// the log for another try: the removal helper, which would delete them, is not started.
TEST_F(SetupProgramTest, DeclinedRemovalKeepsTheFilesOfTheNextTry) {
    WriteInstallLog();
    Start("/U /B");
    HWND confirm = WaitForPage(IDD_REMOVE_CONFIRM);
    ASSERT_NE(confirm, nullptr);
    ASSERT_TRUE(gui::PressButton(confirm, IDCANCEL));
    DWORD exitCode = 0;
    ASSERT_TRUE(WaitForExit(&exitCode));
    EXPECT_EQ(exitCode, 1602u);
    gui::WaitUntil([] { return false; }, 2000);
    EXPECT_FALSE(FileExists(m_dir + "\\removal-helper.txt"));
    for (const char* file : {"setup.exe", "setup.ini", "install.log"}) {
        EXPECT_TRUE(FileExists(m_dir + "\\" + file)) << file;
    }
}

TEST_F(SetupProgramTest, AttendedInstallShowsEachPage) {
    Start("");
    HWND welcome = WaitForPage(IDD_WELCOME);
    ASSERT_NE(welcome, nullptr);
    EXPECT_EQ(gui::WindowText(welcome), "Welcome");
    std::string text = gui::ControlText(welcome, IDC_PAGE_TEXT);
    EXPECT_EQ(CountOf(text, "%app title%"), 0);
    EXPECT_EQ(CountOf(text, kAppTitle), 3) << text;
    EXPECT_EQ(text.rfind("Welcome to Demo App.", 0), 0u) << text;
    Screenshot(welcome, "page-102-welcome");
    HWND mainWindow = ::GetWindow(welcome, GW_OWNER);
    ASSERT_NE(mainWindow, nullptr);
    EXPECT_EQ(gui::WindowText(mainWindow), kAppSetup);
    EXPECT_TRUE(::IsZoomed(mainWindow));
    RECT mainRect{};
    ::GetWindowRect(mainWindow, &mainRect);
    EXPECT_GE(mainRect.right - mainRect.left, ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_GE(mainRect.bottom - mainRect.top,
              ::GetSystemMetrics(SM_CYSCREEN) - ::GetSystemMetrics(SM_CYCAPTION));
    Screenshot(mainWindow, "main-window");

    ASSERT_TRUE(gui::PressButton(welcome, IDOK));
    HWND folder = WaitForPage(IDD_SELECT_FOLDER);
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(CountOf(gui::ControlText(folder, IDC_PAGE_TEXT), kAppTitle), 2);
    Screenshot(folder, "page-104-select-folder");
    // The install-conditions page was never shown.
    EXPECT_EQ(gui::FindDialog(m_process.GetId(), IDD_INSTALL_CONDITIONS), nullptr);

    ASSERT_TRUE(gui::PressButton(folder, IDOK));
    HWND group = WaitForPage(IDD_SELECT_GROUP);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(CountOf(gui::ControlText(group, IDC_PAGE_TEXT), kAppTitle), 1);
    Screenshot(group, "page-106-program-group");

    ASSERT_TRUE(gui::PressButton(group, IDOK));
    HWND complete = WaitForPage(IDD_COMPLETE);
    ASSERT_NE(complete, nullptr);
    EXPECT_EQ(gui::ControlText(complete, IDC_PAGE_TEXT), "Demo App Installation is complete.");
    EXPECT_EQ(gui::WindowText(complete), kAppSetup);
    Screenshot(complete, "page-115-complete");

    ASSERT_TRUE(gui::PressButton(complete, IDOK));
    DWORD exitCode = 1;
    ASSERT_TRUE(WaitForExit(&exitCode));
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(SetupProgramTest, ConfirmedCancelOnWelcomeShowsNotComplete) {
    Start("");
    HWND welcome = WaitForPage(IDD_WELCOME);
    ASSERT_NE(welcome, nullptr);
    ASSERT_TRUE(gui::PressButton(welcome, IDCANCEL));
    HWND box = WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(gui::WindowText(box), kAppSetup);
    EXPECT_EQ(MessageBoxText(box),
              "Demo App  installation not complete. Do you really want to exit Setup?");
    Screenshot(box, "cancel-question");
    ASSERT_TRUE(gui::PressButton(box, IDYES));

    HWND notComplete = WaitForPage(IDD_NOT_COMPLETE);
    ASSERT_NE(notComplete, nullptr);
    EXPECT_EQ(gui::ControlText(notComplete, IDC_PAGE_TEXT),
              "Demo App has NOT been properly installed. You should run this setup procedure "
              "again in its entirety.");
    Screenshot(notComplete, "page-116-not-complete");
    EXPECT_EQ(gui::FindDialog(m_process.GetId(), IDD_WELCOME), nullptr);
    ASSERT_TRUE(gui::PressButton(notComplete, IDOK));
    ASSERT_TRUE(WaitForExit());
}

TEST_F(SetupProgramTest, CancelAnsweredNoKeepsThePage) {
    Start("");
    HWND welcome = WaitForPage(IDD_WELCOME);
    ASSERT_NE(welcome, nullptr);
    ASSERT_TRUE(gui::PressButton(welcome, IDCANCEL));
    HWND box = WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(gui::PressButton(box, IDNO));
    ASSERT_TRUE(gui::WaitForWindowGone(box, kTimeoutMs));
    EXPECT_TRUE(gui::WaitForCurrentDialog(m_process.GetId(), IDD_WELCOME, kTimeoutMs));
    EXPECT_EQ(gui::FindDialog(m_process.GetId(), IDD_WELCOME), welcome);
    EXPECT_EQ(gui::FindDialog(m_process.GetId(), IDD_NOT_COMPLETE), nullptr);
    // The page still works: Continue goes on.
    ASSERT_TRUE(gui::PressButton(welcome, IDOK));
    EXPECT_NE(WaitForPage(IDD_SELECT_FOLDER), nullptr);
}

TEST_F(SetupProgramTest, CancelWhileReadingStopsTheStepAndShowsNotComplete) {
    // Enough destinations that reading them takes a noticeable time.
    WriteProfile(kSlowProfileDestinations);
    Start("");
    HWND welcome = WaitForPage(IDD_WELCOME);
    ASSERT_NE(welcome, nullptr);
    ASSERT_TRUE(gui::PressButton(welcome, IDOK));
    HWND reading = WaitForPage(IDD_READING);
    ASSERT_NE(reading, nullptr);
    DWORD shown = ::GetTickCount();
    // Escape arrives while the step is running; it is handled between two sections.
    ASSERT_TRUE(gui::PressKey(reading, VK_ESCAPE));
    EXPECT_EQ(gui::WindowText(reading), kAppSetup);
    // By now the question may be up over the page; the name says so.
    Screenshot(reading, "cancel-while-reading");
    HWND box = WaitForMessageBox();
    ASSERT_NE(box, nullptr) << "current page " << gui::CurrentDialogId(m_process.GetId())
                            << " after " << ::GetTickCount() - shown << " ms";
    // The page is still there under its running step.
    EXPECT_TRUE(::IsWindow(reading));
    ASSERT_TRUE(gui::PressButton(box, IDYES));
    HWND notComplete = WaitForPage(IDD_NOT_COMPLETE);
    ASSERT_NE(notComplete, nullptr);
    EXPECT_FALSE(::IsWindow(reading));
    // The reading did not go on to the next page behind the not-complete page.
    gui::WaitUntil([] { return false; }, 1000);
    EXPECT_EQ(gui::CurrentDialogId(m_process.GetId()), IDD_NOT_COMPLETE);
    EXPECT_EQ(gui::FindDialog(m_process.GetId(), IDD_SELECT_FOLDER), nullptr);
    ASSERT_TRUE(gui::PressButton(notComplete, IDOK));
    DWORD exitCode = 0;
    ASSERT_TRUE(WaitForExit(&exitCode));
    // A confirmed cancel is not a success.
    EXPECT_EQ(exitCode, 1602u);
}

TEST_F(SetupProgramTest, AttendedRemovalShowsEachPage) {
    WriteInstallLog();
    Start("/U");
    HWND confirm = WaitForPage(IDD_REMOVE_CONFIRM);
    ASSERT_NE(confirm, nullptr);
    Screenshot(confirm, "page-1545-remove-confirm");
    ASSERT_TRUE(gui::PressButton(confirm, IDOK));
    HWND removed = WaitForPage(IDD_REMOVED);
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(gui::ControlText(removed, IDC_PAGE_TEXT),
              "Demo App has been removed from your computer.");
    Screenshot(removed, "page-1547-removed");
    ASSERT_TRUE(gui::PressButton(removed, IDOK));
    ASSERT_TRUE(WaitForExit());
}

TEST_F(SetupProgramTest, MissingProfileReportsAndShowsNotComplete) {
    ::DeleteFileA((m_dir + "\\setup.ini").c_str());
    Start("");
    HWND welcome = WaitForPage(IDD_WELCOME);
    ASSERT_NE(welcome, nullptr);
    EXPECT_EQ(CountOf(gui::ControlText(welcome, IDC_PAGE_TEXT), "MISSING APP TITLE"), 3);
    ASSERT_TRUE(gui::PressButton(welcome, IDOK));
    // The reading step's profile exception is reported with "Setup cannot continue".
    HWND report = WaitForPage(IDD_ERROR);
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(gui::ControlText(report, IDC_MESSAGE), "Setup cannot continue");
    EXPECT_EQ(gui::ControlText(report, IDC_SHORT_TEXT), "Incomplete or missing profile.");
    Screenshot(report, "report-missing-profile");
    ASSERT_TRUE(gui::PressButton(report, IDOK));
    HWND notComplete = WaitForPage(IDD_NOT_COMPLETE);
    ASSERT_NE(notComplete, nullptr);
    ASSERT_TRUE(gui::PressButton(notComplete, IDOK));
    ASSERT_TRUE(WaitForExit());
}

// A 24-bit bitmap file of width x height pixels in a blue-to-red pattern.
void WriteBitmap(const std::string& path, int width, int height) {
    const int rowBytes = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = static_cast<DWORD>(rowBytes * height);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::string pixels(static_cast<std::size_t>(rowBytes) * height, '\0');
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            char* p = &pixels[static_cast<std::size_t>(y) * rowBytes + x * 3];
            p[0] = static_cast<char>(255 * x / width);
            p[1] = 64;
            p[2] = static_cast<char>(255 - 255 * x / width);
        }
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info), sizeof(info));
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
}

TEST_F(SetupProgramTest, SplashShowsPictureFromSourceDirectoryForFiveSeconds) {
    // The directory written in the profile is ignored: the picture comes from beside the
    // program.
    WriteProfile(0, kAppTitle, "C:\\PICS\\LOGO.BMP");
    WriteBitmap(m_dir + "\\LOGO.BMP", 240, 120);
    Start("");
    HWND splash = WaitForPage(IDD_SPLASH);
    ASSERT_NE(splash, nullptr);
    DWORD shown = ::GetTickCount();
    RECT client{};
    ::GetClientRect(splash, &client);
    EXPECT_EQ(client.right - client.left, 240);
    EXPECT_EQ(client.bottom - client.top, 120);
    COLORREF left = 0;
    ASSERT_TRUE(gui::ScreenPixel(splash, 2, 60, left));
    EXPECT_GT(GetRValue(left), 200);
    EXPECT_LT(GetBValue(left), 50);
    Screenshot(splash, "splash");
    HWND welcome = WaitForPage(IDD_WELCOME);
    ASSERT_NE(welcome, nullptr);
    EXPECT_GE(::GetTickCount() - shown, 4000u);
    EXPECT_TRUE(gui::WaitForWindowGone(splash, kTimeoutMs));
}

TEST_F(SetupProgramTest, SplashWithoutPictureStillStartsTheWizard) {
    WriteProfile(0, kAppTitle, "MISSING.BMP");
    Start("");
    HWND splash = WaitForPage(IDD_SPLASH);
    ASSERT_NE(splash, nullptr);
    DWORD shown = ::GetTickCount();
    HWND welcome = WaitForPage(IDD_WELCOME);
    ASSERT_NE(welcome, nullptr);
    EXPECT_GE(::GetTickCount() - shown, 4000u);
    EXPECT_TRUE(gui::WaitForWindowGone(splash, kTimeoutMs));
}

TEST_F(SetupProgramTest, DamagedSplashPictureStartsTheWizardAtOnce) {
    WriteProfile(0, kAppTitle, "LOGO.BMP");
    {
        std::ofstream out(m_dir + "\\LOGO.BMP", std::ios::binary);
        out << "BM this is not a bitmap";
    }
    CPageRecorder recorder(m_dir + "\\pages.txt");
    ASSERT_TRUE(recorder.IsHooked());
    Start("");
    ASSERT_NE(WaitForPage(IDD_WELCOME), nullptr);
    EXPECT_EQ(recorder.Pages(), std::vector<int>{IDD_WELCOME});
}

TEST_F(SetupProgramTest, TitleHoldingItsPlaceholderIsInsertedOnce) {
    WriteProfile(0, "Loop %app title%");
    Start("");
    HWND welcome = WaitForPage(IDD_WELCOME);
    ASSERT_NE(welcome, nullptr);
    std::string text = gui::ControlText(welcome, IDC_PAGE_TEXT);
    EXPECT_EQ(text.rfind("Welcome to Loop %app title%.", 0), 0u) << text;
    EXPECT_EQ(CountOf(text, "%app title%"), 3) << text;
}

TEST_F(SetupProgramTest, DirectoryOptionNamesTheProfile) {
    std::string other = m_dir + "\\other";
    ASSERT_TRUE(::CreateDirectoryA(other.c_str(), nullptr));
    WriteProfile(0, "Other App", "", other);
    for (const std::string& option : {"/D:" + other, "/D:" + other + "\\"}) {
        SCOPED_TRACE(option);
        gui::CTestProcess process;
        ASSERT_TRUE(process.Start(m_program, option, m_dir));
        ASSERT_TRUE(gui::WaitForCurrentDialog(process.GetId(), IDD_WELCOME, kTimeoutMs));
        HWND welcome = gui::FindDialog(process.GetId(), IDD_WELCOME);
        EXPECT_EQ(gui::ControlText(welcome, IDC_PAGE_TEXT).rfind("Welcome to Other App.", 0), 0u);
        process.Kill();
        process.Wait(5000);
    }
}

TEST_F(SetupProgramTest, OptionNamesAreCaseSensitive) {
    // /u is not /U: this is an installation, and /b is not unattended.
    CPageRecorder recorder(m_dir + "\\pages.txt");
    ASSERT_TRUE(recorder.IsHooked());
    Start("/u /b");
    HWND welcome = WaitForPage(IDD_WELCOME);
    ASSERT_NE(welcome, nullptr);
    gui::WaitUntil([] { return false; }, 500);
    EXPECT_EQ(gui::CurrentDialogId(m_process.GetId()), IDD_WELCOME);
    EXPECT_EQ(recorder.Pages(), std::vector<int>{IDD_WELCOME});
}

// A thread of this test with a message queue, waiting for the program's exit message.
TEST_F(SetupProgramTest, NotifyThreadGetsExitMessage) {
    DWORD threadId = 0;
    HANDLE ready = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    MSG received{};
    bool got = false;
    std::thread waiter([&] {
        MSG message;
        ::PeekMessageA(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
        threadId = ::GetCurrentThreadId();
        ::SetEvent(ready);
        got = gui::WaitUntil(
            [&] {
                if (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) && message.message == 1338) {
                    received = message;
                    return true;
                }
                return false;
            },
            kTimeoutMs);
    });
    ::WaitForSingleObject(ready, kTimeoutMs);
    Start("/B /T:" + std::to_string(threadId));
    waiter.join();
    ::CloseHandle(ready);
    ASSERT_TRUE(got);
    EXPECT_EQ(received.message, 1338u);
    EXPECT_EQ(received.wParam, 0u);
    EXPECT_EQ(received.lParam, 0);
    EXPECT_TRUE(WaitForExit());
}

} // namespace
