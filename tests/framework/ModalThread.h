// Something modal (a dialog box, a report, a prompt behind a locator) run on a thread of its
// own, so that the test drives its dialog from the main thread through the harness as a user
// would; its result once it has returned.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>

namespace gui {

class CModalThread {
public:
    // Starts run at once. templateId is the dialog that run shows; timeoutMs bounds every
    // wait for it.
    CModalThread(int templateId, std::function<INT_PTR()> run, DWORD timeoutMs = 10000);
    // Never leaves a dialog behind: one that a failed test left open is cancelled.
    ~CModalThread();
    CModalThread(const CModalThread&) = delete;
    CModalThread& operator=(const CModalThread&) = delete;

    // The dialog once it is on the screen; nullptr on timeout.
    HWND WaitForDialog() const;
    // What run returned once it has returned; -2 on timeout.
    INT_PTR Result() const;
    // Whether run has returned.
    bool Done() const { return m_done; }

private:
    const int m_templateId;
    const DWORD m_timeoutMs;
    std::atomic<INT_PTR> m_result{-2};
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

} // namespace gui
