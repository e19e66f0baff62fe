// CTestWizardContext: a run of real wizard pages inside a test, without the setup program.
//
// It is the process's application object and the pages' context at once: the test sets the
// flags, titles and paths; the collections sit on fixed system folders; and everything the
// pages report is recorded (notes, unattended answers, failures, exceptions that reach the
// window-procedure barrier). Its page driver makes the real page (CreatePage) for the ids
// the test opens and a window-less stand-in for every other id, which only records that the
// run went there, so a test sees where a page leads without running the next page's work.
#pragma once

#include <windows.h>

#include <exception>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "profile/ProfileCollections.h"
#include "profile/SystemFolders.h"
#include "wizard/PageDriver.h"
#include "wizard/WizardContext.h"

// What the test sets before it opens a page.
struct TestRunSettings {
    bool removal = false;
    bool unattended = false;
    bool ignoreConditions = false;
    bool confirmRemoval = false;
    std::string appTitle = "Demo";
    std::string setupTitle = "Demo Setup";
    std::string displayName = "Demo Application";
    std::string primaryFileName = "DEMO.EXE";
    CFilePath profilePath;
    CFilePath sourceDirectory;
    CFilePath installLogPath;
    CFilePath programPath;
};

// One report of a failure: the message id and the exception's class and cause.
struct ReportedFailure {
    int messageId = 0;
    std::string className;
    int cause = 0;
};

// What the pages told the run.
struct TestRunRecord {
    int cancelled = 0;
    int failures = 0;
    int restarts = 0;
    int runEnds = 0;
    // "<answer> <what>" of each unattended answer, in order.
    std::vector<std::string> unattendedAnswers;
    std::vector<ReportedFailure> reports;
    // what() (or the class name) of each exception passed to the window-procedure barrier.
    std::vector<std::string> barrierExceptions;
    std::vector<CFilePath> logMoves;
    // Every page id the driver asked for a stand-in, in order.
    std::vector<int> standInPages;
};

class CTestWizardContext : public CApplication, public CWizardContext {
public:
    // realPages: the ids for which the real page is made.
    explicit CTestWizardContext(std::set<int> realPages);
    // Closes the current page first, so that no page outlives its context.
    ~CTestWizardContext() override;

    TestRunSettings settings;
    // Mutable: LogUnattended is const on the interface, and the test still sees its answers.
    mutable TestRunRecord record;

    // The id of the current page (a real page or a stand-in), or 0.
    int CurrentPageId() const;
    // The window of the current page when it is a real one, or nullptr.
    HWND CurrentPageWindow() const;

    LRESULT ProcessWndProcException(std::exception_ptr error, const MSG& message) override;

    bool IsRemovalMode() const override { return settings.removal; }
    bool IsUnattended() const override { return settings.unattended; }
    bool IgnoresConditions() const override { return settings.ignoreConditions; }
    bool ConfirmsRemoval() const override { return settings.confirmRemoval; }
    bool IsAborted() const override { return m_aborted; }
    void SetAbort() override { m_aborted = true; }

    const std::string& GetAppTitle() const override { return settings.appTitle; }
    const std::string& GetSetupTitle() const override { return settings.setupTitle; }
    const std::string& GetDisplayName() const override { return settings.displayName; }
    const std::string& GetPrimaryFileName() const override { return settings.primaryFileName; }
    const std::string& GetProgramGroup() const override { return m_programGroup; }
    void SetProgramGroup(const std::string& group) override { m_programGroup = group; }

    const CFilePath& GetProfilePath() const override { return settings.profilePath; }
    const CFilePath& GetSourceDirectory() const override { return settings.sourceDirectory; }
    void SetSourceDirectory(const CFilePath& directory) override {
        settings.sourceDirectory = directory;
    }
    const CFilePath& GetInstallLogPath() const override { return settings.installLogPath; }
    void MoveInstallLogTo(const CFilePath& applicationDirectory) override {
        record.logMoves.push_back(applicationDirectory);
    }
    const CFilePath& GetProgramPath() const override { return settings.programPath; }

    ProfileCollections& GetCollections() override { return m_collections; }
    std::optional<DestinationMap>& GetLoadedDestinations() override { return m_loadedDestinations; }
    CPageDriver& GetPageDriver() override { return m_driver; }

    HWND GetBackgroundWindow() const override { return nullptr; }
    HPALETTE GetMainPalette() const override { return nullptr; }

    void NoteCancelled() override { ++record.cancelled; }
    void NoteFailure() override { ++record.failures; }
    void NoteRestartNeeded() override { ++record.restarts; }
    void LogUnattended(const std::string& answer, const std::string& what) const override;
    void ReportFailure(int messageId, std::exception_ptr error) override;

private:
    class CStandInPage;
    CDriverPage* MakePage(int pageId);

    std::set<int> m_realPages;
    CFixedSystemFolders m_systemFolders;
    ProfileCollections m_collections;
    std::optional<DestinationMap> m_loadedDestinations;
    std::string m_programGroup;
    bool m_aborted = false;
    std::vector<std::unique_ptr<CStandInPage>> m_standIns;
    CPageDriver m_driver;
};

// Handles this thread's messages until condition() holds (true) or timeoutMs ran out.
template <typename Condition> bool PumpUntil(Condition condition, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!condition()) {
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!CApplication::PreTranslate(message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageA(&message);
            }
        }
        if (condition()) {
            break;
        }
        if (::GetTickCount() - start >= timeoutMs) {
            return false;
        }
        ::Sleep(10);
    }
    return true;
}
