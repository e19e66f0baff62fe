// Page 108: the installation itself. Its work step runs the file installation engine, for
// which the page is the progress display: the archive being read, the file being written
// and a gauge of the bytes installed. Cancel only records a request; the run asks about it
// at its next progress call or between two members, so the question never interrupts a
// file half-way.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/DisketteLocator.h"
#include "engine/InstallEngine.h"
#include "framework/Gauge.h"
#include "wizard/SetupPage.h"

class CWin32InstallPlatform;
class CWizardContext;

// The installation run of the setup program: the program object's abort flag and source
// directory, the current progress display, diskettes found by the locator with the Insert
// Diskette prompt.
class CSetupArchiveRun : public CArchiveRun {
public:
    // parent: the window the prompt belongs to (may be nullptr).
    CSetupArchiveRun(CWizardContext& app, HWND parent) : m_app(app), m_parent(parent) {}

    bool IsAborted() const override;
    void SetAbort() override;
    CProgressSink* GetProgressSink() const override;
    CFilePath GetSourceDirectory() const override;
    // Locates the file; a source directory moved to another diskette's directory is kept
    // for the rest of the run.
    bool Locate(const std::string& fileName, std::int32_t diskNumber) override;

private:
    CWizardContext& m_app;
    HWND m_parent;
};

class CCopyPage : public CSetupPage, public CInstallProgress {
public:
    CCopyPage(int pageId, int nextPageId) : CSetupPage(pageId, nextPageId) {}

    // Runs the installation; the next page, or 116 when it did not complete.
    int DoWork() override;

    void SetRange(std::uint32_t total) override;
    void ShowSource(const std::string& text) override;
    void AddDone(std::uint32_t bytes) override { m_bytesDone += bytes; }
    void SetCurrentFile(CInstallFile* file) override { m_currentFile = file; }
    // Pumps messages, handles a pending cancel, moves the gauge to the bytes done plus what
    // the current member has written so far and shows the member's destination path.
    void ShowProgress() override;

protected:
    BOOL OnInitDialog() override;
    // Records the request; the run asks about it.
    void OnCancel() override;
    // The log-saving timer of a run.
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Pumps messages and asks about a pending cancel; true when the user confirmed it (the
    // run is then aborted and the page leads to the not-complete page).
    bool PumpAndHandleCancel();

    // The platform of the run going on, or nullptr.
    CWin32InstallPlatform* m_platform = nullptr;
    bool m_cancelPending = false;
    CGauge m_gauge{0, 99, 0};
    std::uint32_t m_bytesDone = 0;
    CInstallFile* m_currentFile = nullptr;
};
