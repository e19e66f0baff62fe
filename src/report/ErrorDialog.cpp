#include "report/ErrorDialog.h"

#include <cstdarg>
#include <cstdio>
#include <memory>

#include "framework/Application.h"
#include "resources/StringTable.h"
#include "resources/resource.h"
#include "support/StringUtil.h"

static_assert(kErrorDialogTemplate == IDD_ERROR, "the error dialog's template id");

namespace {

// Room for the formatted message, terminator included.
constexpr size_t kMessageBufferSize = 504;

constexpr int kContinueOperationString = 14;
constexpr int kCancelOperationString = 15;

std::string FormatMessageText(int messageId, va_list arguments) {
    const std::string format = LoadStringId(static_cast<unsigned>(messageId));
    return FormatCutV(kMessageBufferSize - 1, format.c_str(), arguments);
}

bool Contains(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// The window that the report belongs to: the active window of this thread, else the
// application's main window.
HWND ReportOwner() {
    HWND owner = ::GetActiveWindow();
    if (owner == nullptr && CApplication::Get() != nullptr) {
        owner = CApplication::Get()->GetMainWindow();
    }
    return owner;
}

} // namespace

BOOL CExpandDialog::OnInitDialog() {
    CDialogBox::OnInitDialog();
    ::GetWindowRect(GetHandle(), &m_fullWindow);
    m_expanded = true;
    Fold();
    return TRUE;
}

bool CExpandDialog::OnCommand(int id, int code, HWND control) {
    if (id == IDC_MORE && code == BN_CLICKED) {
        ToggleMore();
        return true;
    }
    return CDialogBox::OnCommand(id, code, control);
}

void CExpandDialog::Fold() {
    HWND window = GetHandle();
    HWND marker = GetItem(IDC_FOLD_MARKER);
    if (window == nullptr || marker == nullptr) {
        return;
    }
    int width = 0;
    int height = 0;
    RECT visible{};
    if (m_expanded) {
        // Folded client area: from 0,0 to the marker's lower right corner.
        RECT markerRect{};
        ::GetWindowRect(marker, &markerRect);
        POINT corner{markerRect.right, markerRect.bottom};
        ::ScreenToClient(window, &corner);
        RECT client{0, 0, corner.x, corner.y};
        RECT frame = client;
        ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongA(window, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(::GetWindowLongA(window, GWL_EXSTYLE)));
        width = frame.right - frame.left;
        height = frame.bottom - frame.top;
        POINT topLeft{0, 0};
        POINT bottomRight{client.right, client.bottom};
        ::ClientToScreen(window, &topLeft);
        ::ClientToScreen(window, &bottomRight);
        visible = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    } else {
        width = m_fullWindow.right - m_fullWindow.left;
        height = m_fullWindow.bottom - m_fullWindow.top;
        ::GetWindowRect(window, &visible);
    }
    ::SetWindowPos(window, nullptr, 0, 0, width, height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    // Controls outside the folded area must not be reachable while they cannot be seen.
    const bool folding = m_expanded;
    for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT rect{};
        ::GetWindowRect(child, &rect);
        if (!Contains(visible, rect)) {
            ::EnableWindow(child, folding ? FALSE : TRUE);
        }
    }
    // Folding away the control that has the focus would leave the keyboard nowhere.
    HWND focus = ::GetFocus();
    if (folding && focus != nullptr && ::IsChild(window, focus) && !::IsWindowEnabled(focus)) {
        if (HWND more = GetItem(IDC_MORE)) {
            ::SendMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(more), TRUE);
        }
    }
    m_expanded = !m_expanded;
}

void CExpandDialog::ToggleMore() {
    Fold();
    std::string text = GetItemText(IDC_MORE);
    const char* from = m_expanded ? ">>" : "<<";
    const char* to = m_expanded ? "<<" : ">>";
    const size_t at = text.find(from);
    if (at != std::string::npos) {
        text.replace(at, 2, to);
    }
    SetItemText(IDC_MORE, text);
}

CErrorDialog::CErrorDialog(int messageId, HWND parent, int templateId)
    : CExpandDialog(templateId, parent), m_messageId(messageId),
      m_background(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE))) {
    CWindowDc screen(nullptr);
    const int height = -::MulDiv(8, ::GetDeviceCaps(screen.Get(), LOGPIXELSY), 72);
    m_codeFont.Attach(::CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                    DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial"));
}

void CErrorDialog::SetTexts(const std::string& message, const ErrorMessage& texts,
                            const std::string& codeLine) {
    m_message = message;
    m_shortText = texts.shortText;
    m_longText = texts.longText;
    m_helpId = texts.helpId;
    m_codeLine = codeLine;
}

BOOL CErrorDialog::OnInitDialog() {
    CExpandDialog::OnInitDialog();
    if (m_twoButtons) {
        SetItemText(IDOK, LoadStringId(kContinueOperationString));
        SetItemText(IDCANCEL, LoadStringId(kCancelOperationString));
    } else {
        ShowItem(IDCANCEL, false);
    }
    for (int id : {IDC_ERROR_CODE, IDC_LONG_TEXT}) {
        if (HWND control = GetItem(id)) {
            ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(m_codeFont.Get()), TRUE);
        }
    }
    CenterWindow();
    return TRUE;
}

void CErrorDialog::DoDataExchange(CDataExchange& exchange) {
    if (exchange.IsSaving()) {
        return;
    }
    exchange.Icon(IDC_ERROR_ICON, ::LoadIconA(nullptr, MAKEINTRESOURCEA(m_iconId)));
    exchange.Text(IDC_MESSAGE, m_message);
    exchange.Text(IDC_SHORT_TEXT, m_shortText);
    exchange.Text(IDC_LONG_TEXT, m_longText);
    exchange.Text(IDC_ERROR_CODE, m_codeLine);
}

HBRUSH CErrorDialog::OnCtlColor(HDC dc, HWND control, UINT message) {
    if (control != nullptr && ::GetDlgCtrlID(control) == IDC_LONG_TEXT && m_background) {
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        return m_background.Get();
    }
    return CExpandDialog::OnCtlColor(dc, control, message);
}

std::string FormatErrorCode(int messageId, const CXException& e) {
    std::string line;
    FormatString(line, "%d.%d (%s)", messageId, e.GetCause(), e.GetRuntimeClassName());
    return line;
}

INT_PTR ShowErrorDialog(int messageId, const std::string& message, const CException& e,
                        bool twoButtons, int iconId, int templateId) {
    // A family member is shown as it is; anything else through its converted form, which
    // lives only as long as the report.
    const std::unique_ptr<CXException> reported = ToXException(e);
    CErrorDialog dialog(messageId, ReportOwner(), templateId);
    dialog.SetTexts(message, reported->LoadMessage(), FormatErrorCode(messageId, *reported));
    dialog.SetTwoButtons(twoButtons);
    dialog.SetIconId(iconId);
    const INT_PTR result = dialog.DoModal();
    if (result != -1) {
        return result;
    }
    // The dialog cannot be made (resources damaged or exhausted): the report must still
    // reach the user, as a plain message box with the same texts and choices.
    const ErrorMessage texts = reported->LoadMessage();
    const std::string text =
        message + "\n\n" + texts.shortText + "\n\n" + FormatErrorCode(messageId, *reported);
    const int answer = ::MessageBoxA(ReportOwner(), text.c_str(), "Warning",
                                     (twoButtons ? MB_OKCANCEL : MB_OK) | MB_ICONEXCLAMATION);
    return answer == IDOK ? IDOK : IDCANCEL;
}

std::string FormatReportMessage(int messageId, ...) {
    va_list arguments;
    va_start(arguments, messageId);
    const std::string message = FormatMessageText(messageId, arguments);
    va_end(arguments);
    return message;
}

std::string PlainReportMessage(int messageId) {
    std::string text = LoadStringId(static_cast<unsigned>(messageId));
    if (text.size() >= kMessageBufferSize) {
        text.resize(kMessageBufferSize - 1);
    }
    return text;
}

void ReportException(int messageId, std::exception_ptr error) {
    if (!error) {
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const CException& e) {
        ReportError(messageId, e);
    } catch (...) {
        const std::unique_ptr<CXException> converted = CurrentXException();
        ReportError(messageId, *converted);
    }
}
