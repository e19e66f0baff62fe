// SetupApp: the program object. One instance per process (made in SetupMain.cpp).
//
// It owns everything that lives for the whole run: the collections loaded from the install
// profile, the three paths of the run (profile, source directory, install log), the titles
// read from the profile's "general" section and the flags set by the command line. Start-up
// decides the run mode, reads the titles, shows the optional splash picture and starts the
// wizard; shutdown frees the collections, tells the thread named by /T and, after a removal,
// starts the removal helper. The exit code tells how the run ended (RunOutcome.h); in an
// unattended run every answer the program gives in place of a person is an event line of
// the install log, and so is the end of the run.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "app/RunOutcome.h"
#include "app/RunSettings.h"
#include "framework/Application.h"
#include "support/FilePath.h"
#include "wizard/Wizard.h"
#include "wizard/WizardContext.h"

struct ProfileCollections;
class CSystemFolders;
class CMainWnd;

class SetupApp : public CApplication, public CWizardContext {
public:
    SetupApp();
    ~SetupApp() override;

    // The steps of start-up; always true (the framework ends the run by itself when no main
    // window exists afterwards).
    bool InitInstance() override;
    // Frees the collections, notifies the /T thread, starts the removal helper after a
    // removal; returns the exit code of the run's outcome.
    int ExitInstance() override;
    // Reports the exception with "Setup cannot continue" (string 9); the message counts as
    // handled with result 0.
    LRESULT ProcessWndProcException(std::exception_ptr error, const MSG& message) override;

    // Creates the background window and opens the first page (102; in removal mode the
    // install log becomes the profile and the first page is 1545). When the window cannot
    // be created the failure is reported and the run ends.
    void StartWizard();

    // Flags of the run.
    bool IsRemovalMode() const override { return m_options.removal; }
    bool IsUnattended() const override { return m_options.unattended; }
    bool IgnoresConditions() const override { return m_options.ignoreConditions; }
    // Option Y: the removal confirmation is answered Continue (the run is unattended too).
    bool ConfirmsRemoval() const override { return m_options.confirmRemoval; }
    bool IsAborted() const override { return m_aborted; }
    // Set once by any step that gives up; never cleared.
    void SetAbort() override { m_aborted = true; }
    bool GetWriteLog() const { return m_writeLog; }
    DWORD GetNotifyThread() const { return m_options.notifyThread; }

    // Texts of the profile's "general" section.
    const std::string& GetAppTitle() const override { return m_general.appTitle; }
    const std::string& GetSetupTitle() const override { return m_general.appSetup; }
    const std::string& GetMainCaption() const { return m_mainCaption; }
    const std::string& GetProgramGroup() const override { return m_programGroup; }
    void SetProgramGroup(const std::string& group) override { m_programGroup = group; }
    const std::string& GetDisplayName() const override { return m_general.displayName; }
    const std::string& GetPrimaryFileName() const override {
        return m_general.primaryNameExtension;
    }
    const CFilePath& GetSplashPath() const { return m_general.splashPath; }

    // Paths of the run (valid from start-up to shutdown).
    const CFilePath& GetProfilePath() const override { return m_paths->profile; }
    const CFilePath& GetSourceDirectory() const override { return m_paths->sourceDir; }
    void SetSourceDirectory(const CFilePath& directory) override { m_paths->sourceDir = directory; }
    const CFilePath& GetInstallLogPath() const override { return m_paths->installLog; }
    // An installation writes its log into the application directory (destination 0) once
    // the folder page has fixed it, so that the removal command registered there finds it
    // (and a read-only distribution needs no log). Removal runs never move it.
    void MoveInstallLogTo(const CFilePath& applicationDirectory) override;
    // This program's full path.
    const CFilePath& GetProgramPath() const override { return m_programPath; }

    ProfileCollections& GetCollections() override { return *m_collections; }

    // What happened so far: cancel, failure, restart needed.
    CRunOutcome& GetOutcome() { return m_outcome; }
    void NoteCancelled() override { m_outcome.NoteCancelled(); }
    void NoteFailure() override { m_outcome.NoteFailure(); }
    void NoteRestartNeeded() override { m_outcome.NoteRestartNeeded(); }

    std::optional<DestinationMap>& GetLoadedDestinations() override { return m_loadedDestinations; }
    CPageDriver& GetPageDriver() override { return m_pageDriver; }
    // The background window (the application's main window once the wizard runs).
    HWND GetBackgroundWindow() const override { return GetMainWindow(); }
    // In an unattended run: appends "Unattended: <answer> <what>" to the install log's
    // events, so that a script can see what was decided for nobody. Nothing otherwise.
    void LogUnattended(const std::string& answer, const std::string& what) const override;
    // Reports the exception under string messageId with OK only: as the error dialog, or in
    // an unattended run as an event line. The run counts as failed.
    void ReportFailure(int messageId, std::exception_ptr error) override;

    // The background window's palette, or nullptr.
    HPALETTE GetMainPalette() const override;

private:
    void SetUpThreeDControls();
    void ReleaseThreeDControls();
    void ShowSplashOrStart();
    // The /? text: a message box, or in an unattended run the standard output if any.
    void ShowUsage() const;
    RunOutcome DecideOutcome() const;

    std::string m_mainCaption;
    std::string m_programGroup;
    HMODULE m_threeDControls = nullptr;

    std::unique_ptr<CSystemFolders> m_systemFolders;
    std::unique_ptr<ProfileCollections> m_collections;
    std::unique_ptr<CRunPaths> m_paths;
    CFilePath m_programPath;
    CRunOptions m_options;
    CGeneralSettings m_general;
    CRunOutcome m_outcome;
    std::optional<DestinationMap> m_loadedDestinations;
    // Declared before the background window: pages destroyed with that window still find
    // their driver.
    CWizardPageDriver m_pageDriver;

    bool m_writeLog = false;
    bool m_aborted = false;

    std::unique_ptr<CMainWnd> m_mainWnd;
};
