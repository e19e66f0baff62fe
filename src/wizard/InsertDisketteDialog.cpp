#include "wizard/InsertDisketteDialog.h"

#include "profile/DisketteRecord.h"
#include "resources/resource.h"

CInsertDisketteDialog::CInsertDisketteDialog(const CFilePath& filePath, std::int32_t number,
                                             const std::string* label, HWND parent)
    : CDialogBox(IDD_INSERT_DISKETTE, parent), m_filePath(filePath),
      m_text(InsertDisketteText(label, number, filePath.GetDrive())) {}

BOOL CInsertDisketteDialog::OnInitDialog() {
    CDialogBox::OnInitDialog();
    SetItemText(IDC_DISKETTE_TEXT, m_text);
    CenterWindow();
    return TRUE;
}

void CInsertDisketteDialog::OnOK() {
    if (m_filePath.Exists()) {
        EndDialog(IDOK);
        return;
    }
    SignalMissing();
}

void CInsertDisketteDialog::SignalMissing() {
    // One flash of the caption: highlighted now, back to normal after one caret blink
    // (FlashWindow exists on every Windows; the counted FlashWindowEx does not).
    ::FlashWindow(GetHandle(), TRUE);
    ::SetTimer(GetHandle(), kFlashTimerId, ::GetCaretBlinkTime(), nullptr);
    ::MessageBeep(MB_ICONASTERISK);
}

bool CInsertDisketteDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_TIMER && wParam == kFlashTimerId) {
        ::KillTimer(GetHandle(), kFlashTimerId);
        ::FlashWindow(GetHandle(), FALSE);
        result = 0;
        return true;
    }
    return CDialogBox::OnMessage(message, wParam, lParam, result);
}

bool CInsertDiskettePrompt::AskForDiskette(const CFilePath& filePath, std::int32_t number) {
    CInsertDisketteDialog dialog(filePath, number, m_diskettes.LabelOf(number), m_parent);
    return dialog.DoModal() == IDOK;
}
