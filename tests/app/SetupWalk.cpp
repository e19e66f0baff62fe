// setup_walk: runs a setup program with its pages shown and walks through them as a user
// who takes every default would, saving a screenshot of every page and dialog it meets.
//
//   setup_walk.exe SCREENSHOT-DIR PROGRAM [ARGUMENTS...]
//
// Each page is saved once as SCREENSHOT-DIR\page-<id>-<name>.png when it becomes the current
// dialog; pages that wait for the user are confirmed (OK), pages with a work step are left
// to go on by themselves. A message box (an error report) is saved and answered with its
// default button. Exit code: the program's, or 100 when it could not be started, 101 when it
// did not end within five minutes.
#include <windows.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "GuiHarness.h"
#include "resources/resource.h"

namespace {

constexpr DWORD kRunLimitMs = 300000;

const std::map<int, std::string>& PageNames() {
    static const std::map<int, std::string> names = {{IDD_WELCOME, "welcome"},
                                                     {IDD_SELECT_FOLDER, "folder"},
                                                     {IDD_SELECT_GROUP, "group"},
                                                     {IDD_COPYING, "copying"},
                                                     {IDD_INSERT_DISKETTE, "insert-diskette"},
                                                     {IDD_READING, "reading"},
                                                     {IDD_COMPLETE, "complete"},
                                                     {IDD_NOT_COMPLETE, "not-complete"},
                                                     {IDD_SPLASH, "splash"},
                                                     {IDD_REMOVE_CONFIRM, "remove-confirm"},
                                                     {IDD_REMOVING, "removing"},
                                                     {IDD_REMOVED, "removed"},
                                                     {IDD_REGISTERING, "registering"},
                                                     {IDD_UNREGISTERING, "unregistering"}};
    return names;
}

// Pages the user confirms; the others run a work step and go on by themselves.
bool WaitsForUser(int id) {
    static const std::set<int> waiting = {IDD_WELCOME,         IDD_SELECT_FOLDER, IDD_SELECT_GROUP,
                                          IDD_INSERT_DISKETTE, IDD_COMPLETE,      IDD_NOT_COMPLETE,
                                          IDD_REMOVE_CONFIRM,  IDD_REMOVED};
    return waiting.count(id) != 0;
}

std::string PageFile(const std::string& dir, int id) {
    auto name = PageNames().find(id);
    return dir + "\\page-" + std::to_string(id) + "-" +
           (name != PageNames().end() ? name->second : std::string("dialog")) + ".png";
}

void Save(HWND window, const std::string& path, DWORD settleMs) {
    // Let the window finish painting before it is captured.
    ::Sleep(settleMs);
    if (gui::SaveWindowPng(window, path))
        std::printf("screenshot %s\n", path.c_str());
}

// One step of the walk; returns false when nothing was to be done.
bool Step(const gui::CTestProcess& process, const std::string& dir, std::set<int>& seen,
          int& messageBoxes) {
    if (HWND box = gui::FindMessageBox(process.GetId())) {
        std::string title = gui::WindowText(box);
        std::printf("message box: %s\n", title.c_str());
        Save(box, dir + "\\message-" + std::to_string(++messageBoxes) + ".png", 400);
        gui::PressKey(box, VK_RETURN);
        gui::WaitForWindowGone(box, 10000);
        return true;
    }
    int id = gui::CurrentDialogId(process.GetId());
    if (id == 0 || seen.count(id) != 0)
        return false;
    HWND page = gui::FindDialog(process.GetId(), id);
    if (page == nullptr)
        return false;
    seen.insert(id);
    std::printf("page %d\n", id);
    // A page with a work step may be gone soon: it is captured at once.
    Save(page, PageFile(dir, id), WaitsForUser(id) ? 400 : 30);
    if (WaitsForUser(id) && id != IDD_INSERT_DISKETTE)
        gui::PressButton(page, IDOK);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: setup_walk SCREENSHOT-DIR PROGRAM [ARGUMENTS...]\n");
        return 100;
    }
    std::string dir = argv[1];
    ::CreateDirectoryA(dir.c_str(), nullptr);
    std::string arguments;
    for (int i = 3; i < argc; ++i)
        arguments += (i > 3 ? " " : "") + std::string(argv[i]);
    std::string program = argv[2];
    std::string directory = program.substr(0, program.find_last_of("\\/") + 1);
    gui::CTestProcess process;
    if (!process.Start(program, arguments, directory)) {
        std::fprintf(stderr, "setup_walk: cannot start %s\n", program.c_str());
        return 100;
    }
    std::set<int> seen;
    int messageBoxes = 0;
    const DWORD start = ::GetTickCount();
    while (process.IsRunning()) {
        if (::GetTickCount() - start > kRunLimitMs) {
            std::fprintf(stderr, "setup_walk: the program did not end in time\n");
            process.Kill();
            return 101;
        }
        if (!Step(process, dir, seen, messageBoxes))
            ::Sleep(50);
    }
    DWORD exitCode = 0;
    process.Wait(1000, &exitCode);
    std::printf("exit code %lu\n", static_cast<unsigned long>(exitCode));
    return static_cast<int>(exitCode);
}
