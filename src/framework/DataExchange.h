// CDataExchange: moves values between a dialog's members and its controls in either
// direction, so that one DoDataExchange function serves both loading and saving.
//
// In load mode (IsSaving() false) every call writes the member into the control; in save
// mode it reads the control into the member. A control that is missing leaves the member
// unchanged. Validation failures (a number that does not parse) make Fail() record the
// control; UpdateData then returns false and gives that control the focus.
#pragma once

#include <windows.h>

#include <string>

class CDataExchange {
public:
    CDataExchange(HWND dialog, bool saving) noexcept : m_dialog(dialog), m_saving(saving) {}

    bool IsSaving() const noexcept { return m_saving; }
    HWND GetDialog() const noexcept { return m_dialog; }
    bool HasFailed() const noexcept { return m_failedControl != 0; }
    int GetFailedControl() const noexcept { return m_failedControl; }

    // The window text of an edit, static or button.
    void Text(int id, std::string& value);
    // The window text as a decimal integer; in save mode text that is not a number fails.
    void Number(int id, int& value);
    // A check box: true when checked.
    void Check(int id, bool& value);
    // A group of radio buttons with the consecutive ids first..last: index of the checked
    // one counted from 0, or -1 for none.
    void Radio(int first, int last, int& index);
    // A list box: index of the selected entry, or -1 for none (LB_GETCURSEL/LB_SETCURSEL).
    void ListIndex(int id, int& index);
    // A list box: the text of the selected entry ("" when none is selected); in load mode the
    // entry with exactly that text is selected (no entry when there is none).
    void ListText(int id, std::string& value);
    // A static icon control (load mode only): shows the icon (STM_SETICON).
    void Icon(int id, HICON icon);

    // Marks the exchange as failed at control id (the first failure is kept).
    void Fail(int id) noexcept;

private:
    HWND Control(int id) const noexcept { return ::GetDlgItem(m_dialog, id); }

    HWND m_dialog;
    bool m_saving;
    int m_failedControl = 0;
};
