// The Program Manager conversation against progman_test_server (exact command strings, the
// group list, refused and late commands) and against the shell's own server of the Wine
// prefix. Every wait has a time-out; the servers end themselves after a minute at the latest.
#include "engine/ProgramManager.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "GuiHarness.h"
#include "profile/TargetRecord.h"
#include "support/StringUtil.h"

namespace {

const std::string kServerExe = PROGMAN_TEST_SERVER_EXE;
const std::string kDir = PROGMAN_TEST_DIR;
// The test servers answer under a name of their own: the shell of the Wine prefix may serve
// "PROGMAN" itself, and the tests must know which server they talk to.
const std::string kService = "PMTEST" + std::to_string(::GetCurrentProcessId());
// Started when no server answers: a program that does not exist (never the real one).
const std::string kNoStarter = kServerExe + "-missing.exe";

CProgramManager TestManager() {
    return CProgramManager(kNoStarter, kService);
}

std::string DirPath(const std::string& name) {
    ::CreateDirectoryA(kDir.c_str(), nullptr);
    return kDir + "/" + name;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(path));
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Ends the process whose id the server wrote into its ready file, and waits for it.
void EndServer(DWORD processId) {
    HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
    if (process != nullptr) {
        ::TerminateProcess(process, 0);
        ::WaitForSingleObject(process, 5000);
        ::CloseHandle(process);
    }
}

// One test server; it is ended when the object goes.
class CServer {
public:
    explicit CServer(const std::string& name) : m_name(name), m_ready(DirPath(name + ".ready")) {
        ::DeleteFileA(m_ready.c_str());
        m_record = DirPath(name + ".record");
        ::DeleteFileA(m_record.c_str());
    }
    ~CServer() {
        if (m_processId != 0) {
            EndServer(m_processId);
        }
    }
    CServer(const CServer&) = delete;
    CServer& operator=(const CServer&) = delete;

    // The command line of the server with extra options.
    std::string CommandLine(const std::string& options) const {
        return "\"" + kServerExe + "\" --service " + kService + " --ready \"" + m_ready +
               "\" --record \"" + m_record + "\" " + options;
    }
    // Starts the server and waits until it answers.
    bool Start(const std::string& options) {
        std::string arguments = CommandLine(options);
        arguments.erase(0, kServerExe.size() + 3);
        return m_process.Start(kServerExe, arguments) && WaitReady();
    }
    // Waits for the ready file (also of a server started by someone else).
    bool WaitReady() {
        const bool ready = gui::WaitUntil(
            [this] {
                std::istringstream in(ReadFile(m_ready));
                return static_cast<bool>(in >> m_processId);
            },
            15000);
        return ready;
    }
    std::vector<std::string> Commands() const { return ReadLines(m_record); }

private:
    std::string m_name;
    std::string m_ready;
    std::string m_record;
    gui::CTestProcess m_process;
    DWORD m_processId = 0;
};

// A targets map loaded from an install-log-like file (field 6 is the installed path).
TargetMap LoadTargets(const std::string& name, const std::string& section) {
    const std::string path = DirPath(name + ".ini");
    WriteFile(path, "[targets]\r\n" + section);
    TargetMap targets;
    targets.Load(CFilePath(path));
    return targets;
}

ProgramItemsContext Context(const std::string& group, int* pumps = nullptr) {
    ProgramItemsContext context;
    context.groupName = group;
    context.appDirectory = "C:\\APP\\";
    if (pumps != nullptr) {
        context.pump = [pumps] { ++*pumps; };
    }
    return context;
}

TEST(ProgramManager, CreateItemsSendsExactCommands) {
    CServer server("create");
    ASSERT_TRUE(server.Start(""));
    // A file whose path holds a blank goes into the command line in its short form.
    const std::string blankDir = DirPath("with blank");
    ::CreateDirectoryA(blankDir.c_str(), nullptr);
    std::string blankFile = blankDir + "/B.HLP";
    WriteFile(blankFile, "help");
    for (char& c : blankFile) {
        c = c == '/' ? '\\' : c;
    }
    const std::string shortForm = GetShortPath(blankFile);
    ASSERT_FALSE(shortForm.empty());

    const TargetMap targets =
        LoadTargets("create", "a.hlp=0|-1|0|App Help||APP.ICO|C:\\APP\\A.HLP\r\n"
                              "b.hlp=2|0|1|Help, Index|-n 1||" +
                                  blankFile +
                                  "\r\n"
                                  "c.hlp=0|-1|0|Not Installed|||\r\n");
    int pumps = 0;
    CProgramManager manager = TestManager();
    EXPECT_EQ(2, CreateProgramItems(manager, targets, Context("App Group", &pumps)));
    EXPECT_EQ(2, pumps);
    EXPECT_FALSE(manager.IsConnected());
    EXPECT_EQ(0, manager.GetStartCount());

    const std::vector<std::string> expected = {
        "[CreateGroup (\"App Group\")]",
        "[ReplaceItem (App Help)]",
        "[AddItem (winhlp32  C:\\APP\\A.HLP,\"App Help\",C:\\APP\\APP.ICO,0,-1,-1,,,0)]",
        "[ReplaceItem (\"Help, Index\")]",
        "[AddItem (winhlp32 -n 1 " + shortForm + ",\"Help, Index\",winhlp32 -n 1 " + shortForm +
            ",2,-1,-1,,0,1)]",
    };
    EXPECT_EQ(expected, server.Commands());
}

TEST(ProgramManager, DeleteItemsRemovesGroupOnlyWhenNothingElseIsInIt) {
    const TargetMap targets = LoadTargets("delete", "a.hlp=0|-1|0|App Help|||C:\\APP\\A.HLP\r\n"
                                                    "c.hlp=0|-1|0|Not Installed|||\r\n");
    struct Case {
        const char* name;
        const char* groupAnswer; // nullptr: the server does not describe groups
        bool groupDeleted;
    };
    const Case cases[] = {
        {"empty-group", "\"App Group\",C:\\G\\APP.GRP,0\r\n", true},
        {"other-items", "\"App Group\",C:\\G\\APP.GRP,1\r\n\"x.exe\",\"Other\",x.exe,0\r\n", false},
        {"no-answer", nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CServer server(std::string("delete-") + c.name);
        std::string options;
        if (c.groupAnswer != nullptr) {
            const std::string answer = DirPath(std::string(c.name) + ".group");
            WriteFile(answer, c.groupAnswer);
            options = "--group-items \"" + answer + "\"";
        }
        ASSERT_TRUE(server.Start(options));
        int pumps = 0;
        CProgramManager manager = TestManager();
        EXPECT_EQ(1, DeleteProgramItems(manager, targets, Context("App Group", &pumps)));
        EXPECT_EQ(1, pumps);
        std::vector<std::string> expected = {"[CreateGroup (\"App Group\")]",
                                             "[DeleteItem (App Help)]"};
        if (c.groupDeleted) {
            expected.push_back("[DeleteGroup(\"App Group\")]");
        }
        EXPECT_EQ(expected, server.Commands());
    }
}

TEST(ProgramManager, GroupListFillsListBoxInServerOrder) {
    struct Case {
        const char* answer; // nullptr: no answer
        std::vector<std::string> entries;
    };
    const Case cases[] = {
        {"Main\r\nAccessories\r\n", {"Main", "Accessories"}},
        {"Zeta\nAlpha, Beta\r\n\r\n", {"Zeta", "Alpha, Beta"}},
        {nullptr, {}},
    };
    int index = 0;
    for (const Case& c : cases) {
        CServer server("groups" + std::to_string(index++));
        std::string options;
        if (c.answer != nullptr) {
            const std::string answer = DirPath("groups.txt");
            WriteFile(answer, c.answer);
            options = "--groups \"" + answer + "\"";
        }
        ASSERT_TRUE(server.Start(options));
        HWND list = ::CreateWindowExA(0, "LISTBOX", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                      nullptr, nullptr);
        ASSERT_NE(nullptr, list);
        {
            CProgramManager manager = TestManager();
            EXPECT_EQ(c.answer != nullptr, manager.ListGroups(list));
        }
        std::vector<std::string> entries;
        const LRESULT count = ::SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            char text[256] = {};
            ::SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i),
                           reinterpret_cast<LPARAM>(text));
            entries.push_back(text);
        }
        ::DestroyWindow(list);
        EXPECT_EQ(c.entries, entries);
        EXPECT_TRUE(server.Commands().empty());
    }
}

TEST(ProgramManager, AbsentServerMakesEveryCommandFailQuickly) {
    const DWORD start = ::GetTickCount();
    CProgramManager manager = TestManager();
    EXPECT_FALSE(manager.EnsureConnected(false));
    EXPECT_EQ(0, manager.GetStartCount());
    EXPECT_FALSE(manager.EnsureConnected(true));
    EXPECT_EQ(1, manager.GetStartCount());
    EXPECT_FALSE(manager.CreateGroup("App Group"));
    EXPECT_FALSE(manager.ReplaceItem("App Help"));
    EXPECT_FALSE(manager.DeleteGroup("App Group"));
    std::vector<std::string> groups = {"stale"};
    EXPECT_FALSE(manager.ListGroups(groups));
    EXPECT_TRUE(groups.empty());
    EXPECT_TRUE(manager.Disconnect());

    const TargetMap targets = LoadTargets("absent", "a.hlp=0|-1|0|App Help|||C:\\APP\\A.HLP\r\n");
    EXPECT_EQ(0, CreateProgramItems(manager, targets, Context("App Group")));
    EXPECT_EQ(0, DeleteProgramItems(manager, targets, Context("App Group")));
    EXPECT_LT(::GetTickCount() - start, 10000u);
}

TEST(ProgramManager, StartsProgramManagerOnceAndRetries) {
    CServer server("started");
    CProgramManager manager(server.CommandLine(""), kService);
    EXPECT_TRUE(manager.EnsureConnected(true));
    EXPECT_EQ(1, manager.GetStartCount());
    ASSERT_TRUE(server.WaitReady());
    EXPECT_TRUE(manager.EnsureConnected(true));
    EXPECT_EQ(1, manager.GetStartCount());
    EXPECT_TRUE(manager.CreateGroup("App Group"));
    EXPECT_EQ(std::vector<std::string>{"[CreateGroup (\"App Group\")]"}, server.Commands());
}

TEST(ProgramManager, RefusedAndLateCommandsReportFailure) {
    const TargetMap targets = LoadTargets("refused", "a.hlp=0|-1|0|App Help|||C:\\APP\\A.HLP\r\n");
    {
        CServer server("refused");
        ASSERT_TRUE(server.Start("--refuse"));
        CProgramManager manager = TestManager();
        EXPECT_EQ(0, CreateProgramItems(manager, targets, Context("App Group")));
        // Refusals stop nothing: every command of the sequence was still sent.
        EXPECT_EQ(3u, server.Commands().size());
    }
    {
        CServer server("late");
        ASSERT_TRUE(server.Start("--delay 3000"));
        CProgramManager manager = TestManager();
        const DWORD start = ::GetTickCount();
        EXPECT_FALSE(manager.CreateGroup("App Group"));
        EXPECT_LT(::GetTickCount() - start, 2500u);
    }
}

TEST(ProgramManager, EmptyGroupNameOrUncarriableNameSendsNothing) {
    CServer server("names");
    ASSERT_TRUE(server.Start(""));
    const TargetMap targets = LoadTargets("names", "a.hlp=0|-1|0|Say \"hi\"|||C:\\APP\\A.HLP\r\n");
    CProgramManager manager = TestManager();
    EXPECT_EQ(0, CreateProgramItems(manager, targets, Context("")));
    EXPECT_EQ(0, DeleteProgramItems(manager, targets, Context("")));
    EXPECT_TRUE(server.Commands().empty());
    EXPECT_EQ(0, CreateProgramItems(manager, targets, Context("App Group")));
    EXPECT_EQ(std::vector<std::string>{"[CreateGroup (\"App Group\")]"}, server.Commands());
}

// The shell's own Program Manager server of the Wine prefix: groups are folders of the start
// menu's programs folder, and a created group is shown in an explorer window (closed here, so
// that no process of the test stays behind).
TEST(ProgramManager, ShellServerListsCreatesAndDeletesGroup) {
    CServer server("shell");
    ASSERT_TRUE(server.Start("--wine-shell"));
    char programs[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs)));
    const std::string group = "Progman Test, Group (1)";
    const std::string folder = std::string(programs) + "\\" + group;

    CProgramManager manager(kNoStarter);
    ASSERT_TRUE(manager.EnsureConnected(false));
    std::vector<std::string> groups;
    EXPECT_TRUE(manager.ListGroups(groups));
    EXPECT_TRUE(manager.CreateGroup(group));
    EXPECT_TRUE(gui::WaitUntil(
        [&] { return ::GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES; }, 5000));
    HWND shown = nullptr;
    gui::WaitUntil([&] { return (shown = ::FindWindowA(nullptr, group.c_str())) != nullptr; },
                   5000);
    if (shown != nullptr) {
        ::PostMessageA(shown, WM_CLOSE, 0, 0);
        gui::WaitUntil([&] { return !::IsWindow(shown); }, 5000);
    }
    // An item whose name needs quotes in the item commands; the shell takes only the path of
    // an existing program as the command line.
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    ProgmanItem item;
    item.commandLine = std::string(windows) + "\\notepad.exe";
    item.name = "Help, Index";
    const std::string link = folder + "\\Help, Index.lnk";
    EXPECT_TRUE(manager.AddItem(item));
    EXPECT_TRUE(gui::WaitUntil(
        [&] { return ::GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES; }, 5000));
    EXPECT_TRUE(manager.DeleteItem(item.name));
    EXPECT_TRUE(gui::WaitUntil(
        [&] { return ::GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; }, 5000));
    EXPECT_TRUE(manager.DeleteGroup(group));
    EXPECT_TRUE(gui::WaitUntil(
        [&] { return ::GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES; }, 5000));
    ::RemoveDirectoryA(folder.c_str());
}

} // namespace
