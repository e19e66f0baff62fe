// Page 104, "Select Folder": where the application goes.
//
// The page proposes a folder from the profile (FolderChoice.h), lets the user type another
// one or pick one in the folder browser, and on Continue makes sure the folder exists, makes
// it destination 0, resolves the destinations built on it and selects the typical setup.
// A folder that cannot be made is answered with "Cannot Create Directory" (string 7) and the
// page stays; in an unattended run, where no one could type another folder, the run then
// gives up with the not-complete page.
#pragma once

#include <windows.h>

#include <string>

#include "wizard/SetupPage.h"

class CFolderPage : public CTextPage {
public:
    using CTextPage::CTextPage;

protected:
    // Substitutes the text, runs the page start-up and proposes the location.
    BOOL OnInitDialog() override;
    // Continue: validates and stores the location, then the next page.
    void OnOK() override;
    // The Browse button.
    bool OnCommand(int id, int code, HWND control) override;

private:
    void Browse();
    void RefuseFolder();

    // The text of the location field (edit 1001) as last read or written.
    std::string m_location;
};

// The folder browser: the old-style save-file dialog of the platform with the program's own
// template 1536, showing a directory tree, the drives, a new-subdirectory field and, live,
// the folder that OK returns (the dialog's current directory plus the new subdirectory). Its
// hidden file-name field holds a fixed name so that OK is always accepted. Nothing is created
// here; the page creates the folder on Continue.
class CFolderDialog {
public:
    CFolderDialog(HWND owner, std::string startDirectory, std::string newSubdirectory);
    virtual ~CFolderDialog() = default;
    CFolderDialog(const CFolderDialog&) = delete;
    CFolderDialog& operator=(const CFolderDialog&) = delete;

    // Runs the dialog; true for OK. The chosen folder is then GetResultingLocation().
    bool DoModal();
    const std::string& GetResultingLocation() const { return m_resultingLocation; }

protected:
    // true: controls into the fields; false: fields into the controls. Nothing before the
    // dialog's initialisation.
    virtual void DoDataExchange(bool saveAndValidate);
    virtual BOOL OnInitDialog();
    // OK: refreshes; true lets the dialog close.
    virtual bool OnOK();
    // A selection changed in one of the dialog's lists.
    virtual void OnListSelectionChange();
    // Whether the resulting location may be returned. Always 1.
    virtual int ValidateLocation();

private:
    static UINT_PTR CALLBACK HookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    UINT_PTR OnHookMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Resulting location = current directory + new subdirectory, shown in static 1002.
    void Refresh();

    HWND m_owner;
    HWND m_window = nullptr;
    std::string m_startDirectory;
    std::string m_newSubdirectory;
    std::string m_resultingLocation;
    std::string m_currentDirectory;
    int m_initialized = 0;
};

// Runs the folder browser from start: an existing folder is opened; for one that does not
// exist yet the browser opens its nearest existing parent with the missing part prefilled as
// the new subdirectory. True and chosen = the folder the user took, or false (Cancel).
bool BrowseForFolder(HWND owner, const std::string& start, std::string& chosen);
