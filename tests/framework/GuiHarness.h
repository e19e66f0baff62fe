// The GUI test harness: drives the program's windows from a test, in the same process or in
// a program the test starts, under Wine and Xvfb.
//
// Finding windows: every dialog of the program carries its template id as the window
// property "SetupTemplateId" (framework/WindowProperty.h); the harness finds a process's
// dialogs by that id. Waiting: every wait has a timeout and returns false (or nullptr) when
// it runs out, so a test that goes wrong fails instead of hanging. Acting: buttons are
// pressed by posting BN_CLICKED commands or BM_CLICK, keys by posting WM_KEYDOWN/WM_KEYUP to
// the control that has the focus, so that the dialog manager of the window's own thread
// handles them as it handles real keystrokes. Screenshots are written as PNG files into the
// build tree (ScreenshotPath).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace gui {

// A program started by a test. The destructor ends it if it is still running.
class CTestProcess {
public:
    CTestProcess() = default;
    ~CTestProcess();
    CTestProcess(const CTestProcess&) = delete;
    CTestProcess& operator=(const CTestProcess&) = delete;

    // Starts `program` with the command line `arguments` (what follows the program name) in
    // `directory` (empty: the current one) and waits until it reaches its message loop (at
    // most 5 s) unless waitForIdle is false. False when it cannot be started.
    bool Start(const std::string& program, const std::string& arguments,
               const std::string& directory = "", bool waitForIdle = true);
    DWORD GetId() const noexcept { return m_processId; }
    DWORD GetThreadId() const noexcept { return m_threadId; }
    bool IsRunning() const noexcept;
    // Waits for the program to end. False on timeout; exitCode gets its exit code.
    bool Wait(DWORD timeoutMs, DWORD* exitCode = nullptr);
    // Ends the program at once when it still runs.
    void Kill() noexcept;

private:
    HANDLE m_process = nullptr;
    DWORD m_processId = 0;
    DWORD m_threadId = 0;
};

// A build-tree path (Unix form, as CMake gives it) in the Windows form Wine uses.
std::string WindowsPath(std::string path);
// Creates a new, empty directory in the temporary folder, its name starting with prefix (at
// most three characters). Its path, or "" on failure.
std::string MakeTempDirectory(const char* prefix);
// Deletes dir with everything below it, read-only files included; what cannot go stays.
void RemoveTree(const std::string& dir);

// The template id of a dialog of the program (0 for any other window).
int TemplateIdOf(HWND window) noexcept;
// The top-level dialogs of a process (0: this process) that carry a template id, topmost
// first.
std::vector<HWND> ListDialogs(DWORD processId);
// The process's dialog with that template id, or nullptr.
HWND FindDialog(DWORD processId, int templateId);
// Waits until the process has a visible dialog with that template id; nullptr on timeout.
HWND WaitForDialog(DWORD processId, int templateId, DWORD timeoutMs);
// The template id of the dialog the user would be working with: the topmost visible and
// enabled one (a modal dialog disables the page below it); 0 when there is none.
int CurrentDialogId(DWORD processId);
// Waits until CurrentDialogId is `templateId`; false on timeout.
bool WaitForCurrentDialog(DWORD processId, int templateId, DWORD timeoutMs);
// A visible message box of the process (0: this process): a dialog without template id.
// nullptr when there is none.
HWND FindMessageBox(DWORD processId);
// Waits for FindMessageBox; nullptr on timeout.
HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs);
// The message of a message box: the longest text of its static controls.
std::string MessageBoxText(HWND box);
// Waits until the window no longer exists; false on timeout.
bool WaitForWindowGone(HWND window, DWORD timeoutMs);
// Waits until `condition` returns true, checking every 20 ms; false on timeout.
template <typename Condition> bool WaitUntil(Condition condition, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (condition()) {
            return true;
        }
        if (::GetTickCount() - start >= timeoutMs) {
            return false;
        }
        ::Sleep(20);
    }
}

// Window texts (work across processes).
std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int controlId);
// Whether a control exists, is visible, is enabled.
bool ControlExists(HWND dialog, int controlId);
bool ControlVisible(HWND dialog, int controlId);
bool ControlEnabled(HWND dialog, int controlId);

// Presses a button: posts BN_CLICKED for it to the dialog (works also while the button is
// hidden). False when the control does not exist.
bool PressButton(HWND dialog, int controlId);
// Clicks a button as the user does (BM_CLICK, posted): does nothing when it is disabled.
bool ClickButton(HWND dialog, int controlId);
// Types a key (virtual-key code) into the window's focused control (or into the window
// when none of its controls has the focus).
bool PressKey(HWND window, UINT virtualKey);
// Sets the text of an edit control (WM_SETTEXT, sends its change notification).
bool SetControlText(HWND dialog, int controlId, const std::string& text);

// Handles this thread's window messages for `ms` milliseconds (for windows of the test's
// own thread). A quit message is put back and ends the wait.
void PumpMessagesFor(DWORD ms);

// The path for a screenshot named `name` ("error-folded" gives <dir>/error-folded.png);
// the directory is created on first use.
std::string ScreenshotPath(const std::string& name);
// Writes a picture of the window as it is on the screen (frame included) to `path` (PNG).
// Brings the window to the top first. False when it cannot be captured or written.
bool SaveWindowPng(HWND window, const std::string& path);
// The window (frame included) as it is on the screen: rgb gets width x height pixels of three
// bytes (red, green, blue), top row first. Brings the window to the top first.
bool CaptureWindow(HWND window, std::vector<unsigned char>& rgb, int& width, int& height);
// The colour of the window's pixel at x,y (client coordinates) as it is on the screen.
bool ScreenPixel(HWND window, int x, int y, COLORREF& colour);

// Undoes a Program Manager group that a setup run made through the Wine shell's server: the
// shell shows a created group in an explorer window, which would keep the prefix's processes
// alive after the test. When the group's folder exists in the start menu's programs folder,
// waits up to timeoutMs for that window, closes it and deletes the folder with its items.
// True when a group was there.
bool RemoveShellGroup(const std::string& group, DWORD timeoutMs = 5000);

} // namespace gui
