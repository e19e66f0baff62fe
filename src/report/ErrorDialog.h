// The error dialog (dialog template 1544, "Warning") and the report operations that the rest
// of the program calls to show an exception to the user.
//
// The dialog states what could not be done (the message, a string-table text formatted with
// the caller's arguments) and the exception's short text; More>> unfolds the exception's
// long text and the error code line "<message id>.<cause> (<class name>)" for support. It
// either informs (one OK button) or asks (two buttons, "Continue Operation" and "Cancel
// Operation"). Escape and the close box always mean Cancel.
//
// Windows only.
#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <type_traits>

#include "errors/XException.h"
#include "framework/DialogBox.h"
#include "framework/WinHandles.h"

// The system's exclamation icon (LoadIcon with no instance).
inline constexpr int kErrorIconId = 32515;
// The dialog template of the error dialog.
inline constexpr int kErrorDialogTemplate = 1544;

// A dialog with a lower part that folds away: folded, the dialog ends at the lower right
// corner of the invisible control 123, and every control outside that area is disabled so
// that the keyboard never reaches a hidden control. Control 119 toggles, swapping ">>" and
// "<<" in its text. The dialog opens folded.
class CExpandDialog : public CDialogBox {
public:
    CExpandDialog(int templateId, HWND parent) noexcept : CDialogBox(templateId, parent) {}

    // Folds or unfolds, and swaps the arrows in the text of control 119.
    void ToggleMore();
    bool IsExpanded() const noexcept { return m_expanded; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    // Switches between the two sizes (see the class comment).
    void Fold();

private:
    bool m_expanded = true;
    RECT m_fullWindow{};
};

class CErrorDialog : public CExpandDialog {
public:
    // templateId: the error dialog's template (other ids only for tests).
    CErrorDialog(int messageId, HWND parent, int templateId = kErrorDialogTemplate);

    // The texts; set before DoModal.
    void SetTexts(const std::string& message, const ErrorMessage& texts,
                  const std::string& codeLine);
    void SetTwoButtons(bool twoButtons) noexcept { m_twoButtons = twoButtons; }
    void SetIconId(int iconId) noexcept { m_iconId = iconId; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& exchange) override;
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT message) override;

private:
    int m_messageId;
    int m_helpId = 0; // kept for a help button; the template has none
    std::string m_message;
    std::string m_shortText;
    std::string m_longText;
    std::string m_codeLine;
    bool m_twoButtons = false;
    int m_iconId = kErrorIconId;
    CBrushHandle m_background; // button face, behind the long text
    CFontHandle m_codeFont;    // Arial 8 points, for the long text and the code line
};

// "<message id>.<cause> (<class name>)", e.g. "17.4 (CMultiFileException)".
std::string FormatErrorCode(int messageId, const CXException& e);

// Shows the dialog for `e` (converted for the report when it is not of the CXException
// family; the caller keeps its exception) with `message` as the first line. Returns IDOK or
// IDCANCEL (IDCANCEL also for Escape and the close box). When the dialog cannot be made,
// the same texts are shown in a plain message box with OK (and Cancel for two buttons).
// templateId is for tests that need a template that cannot be made.
INT_PTR ShowErrorDialog(int messageId, const std::string& message, const CException& e,
                        bool twoButtons, int iconId = kErrorIconId,
                        int templateId = kErrorDialogTemplate);

// Loads string `messageId` and formats it printf-style with the arguments that follow (at
// most 503 characters; longer texts are cut, never overrun).
std::string FormatReportMessage(int messageId, ...);
// The text of string `messageId` as it is (for reports without arguments, so that a '%' in
// the text is never taken for a format).
std::string PlainReportMessage(int messageId);

template <typename... Args> std::string ReportMessage(int messageId, Args... arguments) {
    static_assert(((std::is_arithmetic_v<Args> || std::is_pointer_v<Args>)&&...),
                  "format arguments are numbers and C strings");
    if constexpr (sizeof...(Args) == 0) {
        return PlainReportMessage(messageId);
    } else {
        return FormatReportMessage(messageId, arguments...);
    }
}

// Shows `e` under the formatted string `messageId` with OK only.
// The arguments are numbers and C strings, as for printf.
template <typename... Args>
void ReportError(int messageId, const CException& e, Args... arguments) {
    ShowErrorDialog(messageId, ReportMessage(messageId, arguments...), e, false);
}

// The same with "Continue Operation" and "Cancel Operation": 1 when the user chose to
// continue, 0 for cancel, Escape or the close box.
template <typename... Args>
int ReportErrorAsk(int messageId, const CException& e, Args... arguments) {
    return ShowErrorDialog(messageId, ReportMessage(messageId, arguments...), e, true) == IDOK ? 1
                                                                                               : 0;
}

// Reports any exception (as caught with std::current_exception) with OK only, under
// message `messageId` without arguments: family members and platform exceptions as they
// are, std::bad_alloc as a memory error, anything else as an unknown error.
void ReportException(int messageId, std::exception_ptr error);
