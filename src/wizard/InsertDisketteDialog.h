// The Insert Diskette prompt (dialog template IDD_INSERT_DISKETTE, "Insert Diskette"): asks the
// user to insert a diskette until the file that is wanted from it is there. It answers the
// engine's CDiskettePrompt for the setup program. Windows only.
//
// The text (control IDC_DISKETTE_TEXT) names the diskette by its label from the profile's
// "diskettes" section, or by its number when it has none, and the drive of the file. OK checks that
// the file is there now: if so the dialog ends with OK, otherwise it stays, flashes once and sounds
// the information beep. Cancel (also Escape and the close box) gives up.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/DisketteLocator.h"
#include "framework/DialogBox.h"
#include "support/FilePath.h"

class DisketteArray;

class CInsertDisketteDialog : public CDialogBox {
public:
    // filePath: the file that must appear; label: the diskette's label (null or empty: the
    // text names the number). The label is copied.
    CInsertDisketteDialog(const CFilePath& filePath, std::int32_t number, const std::string* label,
                          HWND parent);

    const std::string& GetText() const { return m_text; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    // Tells the user that the file is still missing: the window flashes once and the
    // information beep (MB_ICONASTERISK) sounds.
    virtual void SignalMissing();
    // Ends the flash when its timer fires.
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static constexpr UINT_PTR kFlashTimerId = 1;

    CFilePath m_filePath;
    std::string m_text;
};

// The prompt of the setup program: the dialog above, with the labels of diskettes.
class CInsertDiskettePrompt : public CDiskettePrompt {
public:
    // Both must outlive the prompt; parent may be nullptr.
    CInsertDiskettePrompt(const DisketteArray& diskettes, HWND parent)
        : m_diskettes(diskettes), m_parent(parent) {}

    // Shows the dialog modally. A dialog that cannot be shown counts as given up.
    bool AskForDiskette(const CFilePath& filePath, std::int32_t number) override;

private:
    const DisketteArray& m_diskettes;
    HWND m_parent;
};
