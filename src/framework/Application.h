// CApplication: the program object's base. One instance per process.
//
// Run() drives the whole program: InitInstance, the message loop, ExitInstance. The message
// loop hands every keystroke meant for one of our modeless dialogs (a wizard page) to
// IsDialogMessage first, so Tab, Enter and Escape work on pages as they do in modal dialogs.
// The loop ends with the quit message, which is posted when the main window is destroyed;
// the quit message's code becomes the exit code that ExitInstance returns by default.
//
// Every window procedure of this layer catches C++ exceptions at the boundary and passes
// them to ProcessWndProcException of the application object, so that the program can report
// them; the message then counts as handled with the result that function returns.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

class CApplication {
public:
    CApplication();
    virtual ~CApplication();
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    // The one application object, or nullptr when none exists (as in unit tests).
    static CApplication* Get() noexcept;

    // InitInstance, then (when it returned true and a main window exists) the message loop,
    // then ExitInstance. Returns ExitInstance's result. An exception escaping InitInstance
    // is passed to ProcessWndProcException and ends the run with exit code 1.
    int Run();

    // Start-up; false ends the program without entering the message loop. Base: true.
    virtual bool InitInstance();
    // Shutdown after the message loop. Base: returns the exit code (quit message's code).
    virtual int ExitInstance();
    // Called with the exception that escaped a window procedure (or InitInstance) and the
    // message being handled (all zero outside a window procedure). Returns the message
    // result. Base: shows a plain message box with the exception's what() text, returns 0.
    virtual LRESULT ProcessWndProcException(std::exception_ptr error, const MSG& message);

    HINSTANCE GetInstance() const noexcept { return m_instance; }
    // The raw command line after the program name (as WinMain receives it).
    const std::string& GetCommandLineText() const noexcept { return m_commandLine; }

    // The window whose destruction ends the message loop (posts the quit message with 0).
    HWND GetMainWindow() const noexcept { return m_mainWindow; }
    void SetMainWindow(HWND window) noexcept { m_mainWindow = window; }

    // The exit code that ExitInstance returns by default.
    int GetExitCode() const noexcept { return m_exitCode; }
    void SetExitCode(int code) noexcept { m_exitCode = code; }

    // Called by this layer when one of its windows gets WM_NCDESTROY: if it is the main
    // window, the main window is forgotten and the quit message is posted.
    void OnWindowDestroyed(HWND window) noexcept;

    // One message for the loop: lets our modeless dialogs see their keystrokes. Returns
    // true when the message was handled and must not be dispatched. Used by the message
    // loop and by message pumps inside long work steps.
    static bool PreTranslate(MSG& message) noexcept;

private:
    HINSTANCE m_instance;
    std::string m_commandLine;
    HWND m_mainWindow = nullptr;
    int m_exitCode = 0;
};

// Passes the exception being handled (call only inside a catch block) to the application
// object's ProcessWndProcException, or, without an application object, writes it to the
// debugger output. Never throws. Returns the result for the message.
LRESULT HandleCallbackException(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
