#include "engine/InsertDisketteDialog.h"

#include "profile/DisketteRecord.h"

CInsertDisketteDialog::CInsertDisketteDialog(const CFilePath& filePath, std::int32_t number,
                                             const std::string* label, HWND parent)
    : CDialogBox(kInsertDisketteTemplate, parent), m_filePath(filePath),
      m_text(InsertDisketteText(label, number, filePath.GetDrive())) {}

BOOL CInsertDisketteDialog::OnInitDialog() {
    CDialogBox::OnInitDialog();
    SetItemText(kInsertDisketteTextId, m_text);
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
    // One flash of the caption (highlighted, then back to normal) at the caret blink rate.
    FLASHWINFO flash{};
    flash.cbSize = sizeof flash;
    flash.hwnd = GetHandle();
    flash.dwFlags = FLASHW_CAPTION;
    flash.uCount = 1;
    flash.dwTimeout = 0;
    ::FlashWindowEx(&flash);
    ::MessageBeep(MB_ICONASTERISK);
}

bool CInsertDiskettePrompt::AskForDiskette(const CFilePath& filePath, std::int32_t number) {
    CInsertDisketteDialog dialog(filePath, number, m_diskettes.LabelOf(number), m_parent);
    return dialog.DoModal() == IDOK;
}
