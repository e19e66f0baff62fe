// CWizardContext: what the pages need of the run they belong to.
//
// The collections loaded from the profile, the flags of the command line, the titles of the
// profile's "general" section, the paths of the run, the background window, the destinations
// as the profile gave them, the page driver, and the notes a page makes about how the run
// ends. The setup program's object implements it; tests implement it to run pages without
// the program.
// The wizard reaches it through WizardContext(): a context makes itself the run's context
// while it exists (the setup program's application object is one), so no cast from the
// application object is needed.
#pragma once

#include <windows.h>

#include <exception>
#include <optional>
#include <string>

#include "profile/DestinationRecord.h"
#include "support/FilePath.h"

class CPageDriver;
struct ProfileCollections;

class CWizardContext {
public:
    CWizardContext() noexcept;
    CWizardContext(const CWizardContext&) = delete;
    CWizardContext& operator=(const CWizardContext&) = delete;
    virtual ~CWizardContext();

    // The run's context: the one made last, while it exists; else nullptr.
    static CWizardContext* Current() noexcept { return s_current; }

    // Flags of the run.
    virtual bool IsRemovalMode() const = 0;
    virtual bool IsUnattended() const = 0;
    virtual bool IgnoresConditions() const = 0;
    // Option Y: the removal confirmation is answered Continue.
    virtual bool ConfirmsRemoval() const = 0;
    virtual bool IsAborted() const = 0;
    // Set once by any step that gives up; never cleared.
    virtual void SetAbort() = 0;

    // Texts of the profile's "general" section, and the program group chosen so far.
    virtual const std::string& GetAppTitle() const = 0;
    virtual const std::string& GetSetupTitle() const = 0;
    virtual const std::string& GetDisplayName() const = 0;
    virtual const std::string& GetPrimaryFileName() const = 0;
    virtual const std::string& GetProgramGroup() const = 0;
    virtual void SetProgramGroup(const std::string& group) = 0;

    // Paths of the run.
    virtual const CFilePath& GetProfilePath() const = 0;
    virtual const CFilePath& GetSourceDirectory() const = 0;
    virtual void SetSourceDirectory(const CFilePath& directory) = 0;
    virtual const CFilePath& GetInstallLogPath() const = 0;
    // The install log moves into the application directory once the folder page fixed it.
    virtual void MoveInstallLogTo(const CFilePath& applicationDirectory) = 0;
    // The setup program's own full path.
    virtual const CFilePath& GetProgramPath() const = 0;

    virtual ProfileCollections& GetCollections() = 0;
    // The destinations as the profile gave them, kept by the folder page on its first
    // visit, so that a later visit resolves a new choice from them (empty until then).
    virtual std::optional<DestinationMap>& GetLoadedDestinations() = 0;

    // The driver of this run's pages: one per run, so that a run that ended stays ended and
    // a new context starts a new run.
    virtual CPageDriver& GetPageDriver() = 0;

    // The background window (owner of the pages), or nullptr; its palette, or nullptr.
    virtual HWND GetBackgroundWindow() const = 0;
    virtual HPALETTE GetMainPalette() const = 0;

    // How the run ends: a confirmed cancel, an error, a replacement at the next restart.
    virtual void NoteCancelled() = 0;
    virtual void NoteFailure() = 0;
    virtual void NoteRestartNeeded() = 0;
    // In an unattended run: the answer given in place of a person, as an install-log event.
    virtual void LogUnattended(const std::string& answer, const std::string& what) const = 0;
    // Reports the exception under string messageId (a dialog, or unattended an event line);
    // the run counts as failed.
    virtual void ReportFailure(int messageId, std::exception_ptr error) = 0;

private:
    static CWizardContext* s_current;
};
