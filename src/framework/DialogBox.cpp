#include "framework/DialogBox.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "framework/Application.h"
#include "framework/DialogColors.h"
#include "framework/WindowProperty.h"
#include "support/StringUtil.h"

namespace {

// The WM_CTLCOLOR* messages: consecutive numbers from WM_CTLCOLORMSGBOX to WM_CTLCOLORSTATIC.
bool IsCtlColorMessage(UINT message) {
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

// Messages whose result a dialog procedure returns itself instead of through
// DWLP_MSGRESULT.
bool HasDirectResult(UINT message) {
    if (IsCtlColorMessage(message)) {
        return true;
    }
    switch (message) {
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

std::string WindowText(HWND window) {
    if (window == nullptr) {
        return {};
    }
    const int length = ::GetWindowTextLengthA(window);
    if (length <= 0) {
        return {};
    }
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    const int got = ::GetWindowTextA(window, buffer.data(), length + 1);
    return std::string(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

} // namespace

CDialogBox::CDialogBox(int templateId, HWND parent) noexcept
    : m_templateId(templateId), m_parent(parent) {}

CDialogBox::~CDialogBox() {
    // The window must not call back into an object that is going away.
    if (m_window != nullptr) {
        HWND window = m_window;
        Detach();
        ::DestroyWindow(window);
    }
}

INT_PTR CDialogBox::DoModal() {
    m_modal = true;
    m_destroyed = false;
    HINSTANCE instance = CApplication::Get() != nullptr ? CApplication::Get()->GetInstance()
                                                        : ::GetModuleHandleA(nullptr);
    return ::DialogBoxParamA(instance, MAKEINTRESOURCEA(m_templateId), m_parent, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

bool CDialogBox::Create() {
    m_modal = false;
    m_destroyed = false;
    HINSTANCE instance = CApplication::Get() != nullptr ? CApplication::Get()->GetInstance()
                                                        : ::GetModuleHandleA(nullptr);
    // Counted as a handler, so that a window destroyed during its own creation does not
    // run PostNcDestroy: a failed Create leaves the object to the caller.
    ++m_handlerDepth;
    HWND window = ::CreateDialogParamA(instance, MAKEINTRESOURCEA(m_templateId), m_parent,
                                       DialogProc, reinterpret_cast<LPARAM>(this));
    --m_handlerDepth;
    if (window == nullptr || m_window == nullptr) {
        if (m_window != nullptr) {
            HWND alive = m_window;
            Detach();
            ::DestroyWindow(alive);
        }
        m_destroyed = false;
        return false;
    }
    return true;
}

void CDialogBox::EndDialog(INT_PTR result) {
    if (m_window == nullptr) {
        return;
    }
    if (m_modal) {
        ::EndDialog(m_window, result);
    } else {
        ::DestroyWindow(m_window);
    }
}

void CDialogBox::DestroyWindow() {
    if (m_window != nullptr) {
        ::DestroyWindow(m_window);
    }
}

bool CDialogBox::UpdateData(bool saveAndValidate) {
    if (m_window == nullptr) {
        return false;
    }
    CDataExchange exchange(m_window, saveAndValidate);
    DoDataExchange(exchange);
    if (exchange.HasFailed()) {
        if (saveAndValidate) {
            HWND control = GetItem(exchange.GetFailedControl());
            if (control != nullptr) {
                ::SetFocus(control);
                ::SendMessageA(control, EM_SETSEL, 0, -1);
            }
        }
        return false;
    }
    return true;
}

HWND CDialogBox::GetItem(int id) const noexcept {
    return m_window != nullptr ? ::GetDlgItem(m_window, id) : nullptr;
}

std::string CDialogBox::GetItemText(int id) const {
    return WindowText(GetItem(id));
}

void CDialogBox::SetItemText(int id, const std::string& text) const {
    if (HWND control = GetItem(id)) {
        ::SetWindowTextA(control, text.c_str());
    }
}

void CDialogBox::ShowItem(int id, bool show) const noexcept {
    if (HWND control = GetItem(id)) {
        ::ShowWindow(control, show ? SW_SHOW : SW_HIDE);
    }
}

bool CDialogBox::EnableItem(int id, bool enable) const noexcept {
    HWND control = GetItem(id);
    if (control == nullptr) {
        return false;
    }
    ::EnableWindow(control, enable ? TRUE : FALSE);
    return true;
}

std::string CDialogBox::GetListSelText(int id) const {
    HWND list = GetItem(id);
    if (list == nullptr) {
        return {};
    }
    const LRESULT selected = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) {
        return {};
    }
    const LRESULT length = ::SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(selected), 0);
    if (length == LB_ERR) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT copied = ::SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(selected),
                                          reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
    return text;
}

void CDialogBox::SetItemTextFormat(int id, const char* format, ...) const {
    std::va_list arguments;
    va_start(arguments, format);
    const std::string text = FormatWholeV(format, arguments);
    va_end(arguments);
    SetItemText(id, text);
}

void CDialogBox::SetItemFont(int id, HFONT font) const noexcept {
    if (HWND control = GetItem(id)) {
        ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

bool CDialogBox::IsChecked(int id) const noexcept {
    HWND control = GetItem(id);
    return control != nullptr && ::SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CDialogBox::CheckRadio(int first, int last, int id) const noexcept {
    if (m_window != nullptr) {
        ::CheckRadioButton(m_window, first, last, id);
    }
}

std::string CDialogBox::GetTitle() const {
    return WindowText(m_window);
}

void CDialogBox::SetTitle(const std::string& text) const {
    if (m_window != nullptr) {
        ::SetWindowTextA(m_window, text.c_str());
    }
}

void CDialogBox::CenterWindow(HWND over) const noexcept {
    if (m_window == nullptr) {
        return;
    }
    RECT area{};
    if (over == nullptr || !::GetWindowRect(over, &area)) {
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT self{};
    ::GetWindowRect(m_window, &self);
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;
    int x = area.left + ((area.right - area.left) - width) / 2;
    int y = area.top + ((area.bottom - area.top) - height) / 2;
    // Keep the caption on the screen when the dialog is larger than the reference.
    RECT screen{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
    if (x + width > screen.right) {
        x = screen.right - width;
    }
    if (y + height > screen.bottom) {
        y = screen.bottom - height;
    }
    if (x < screen.left) {
        x = screen.left;
    }
    if (y < screen.top) {
        y = screen.top;
    }
    ::SetWindowPos(m_window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CDialogBox* CDialogBox::FromHandle(HWND window) noexcept {
    if (window == nullptr || GetDialogTemplateId(window) == 0) {
        return nullptr;
    }
    return reinterpret_cast<CDialogBox*>(::GetWindowLongPtrA(window, DWLP_USER));
}

BOOL CDialogBox::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void CDialogBox::OnOK() {
    if (UpdateData(true)) {
        EndDialog(IDOK);
    }
}

void CDialogBox::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialogBox::OnCommand(int /*id*/, int /*code*/, HWND /*control*/) {
    return false;
}

void CDialogBox::DoDataExchange(CDataExchange& /*exchange*/) {}

HBRUSH CDialogBox::OnCtlColor(HDC dc, HWND /*control*/, UINT message) {
    return ApplyDialogColors(dc, message);
}

bool CDialogBox::OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/,
                           LRESULT& /*result*/) {
    return false;
}

void CDialogBox::PostNcDestroy() {}

void CDialogBox::Attach(HWND window) noexcept {
    m_window = window;
    ::SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(this));
    ::SetPropA(window, kTemplateIdProperty,
               reinterpret_cast<HANDLE>(static_cast<INT_PTR>(m_templateId)));
}

void CDialogBox::Detach() noexcept {
    if (m_window != nullptr) {
        ::SetWindowLongPtrA(m_window, DWLP_USER, 0);
        ::RemovePropA(m_window, kTemplateIdProperty);
        m_window = nullptr;
    }
}

INT_PTR CALLBACK CDialogBox::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialogBox* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialogBox*>(lParam);
        if (self != nullptr) {
            self->Attach(window);
        }
    } else {
        self = FromHandle(window);
    }
    if (self == nullptr) {
        return FALSE;
    }

    ++self->m_handlerDepth;
    INT_PTR result = FALSE;
    try {
        result = self->Dispatch(message, wParam, lParam);
    } catch (...) {
        const LRESULT handled = HandleCallbackException(window, message, wParam, lParam);
        if (HasDirectResult(message)) {
            result = handled;
        } else {
            if (::IsWindow(window)) {
                ::SetWindowLongPtrA(window, DWLP_MSGRESULT, handled);
            }
            result = TRUE;
        }
    }
    --self->m_handlerDepth;
    if (self->m_handlerDepth == 0 && self->m_destroyed) {
        self->m_destroyed = false;
        self->PostNcDestroy(); // may delete the object
    }
    return result;
}

INT_PTR CDialogBox::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = m_window;
    if (message == WM_NCDESTROY) {
        try {
            LRESULT ignored = 0;
            OnMessage(message, wParam, lParam, ignored);
        } catch (...) {
            HandleCallbackException(window, message, wParam, lParam);
        }
        Detach();
        m_destroyed = true;
        if (CApplication* app = CApplication::Get()) {
            app->OnWindowDestroyed(window);
        }
        return FALSE;
    }
    if (message == WM_INITDIALOG) {
        return OnInitDialog();
    }

    LRESULT result = 0;
    if (OnMessage(message, wParam, lParam, result)) {
        if (HasDirectResult(message)) {
            return static_cast<INT_PTR>(result);
        }
        if (m_window != nullptr) {
            ::SetWindowLongPtrA(m_window, DWLP_MSGRESULT, result);
        }
        return TRUE;
    }

    if (IsCtlColorMessage(message)) {
        return reinterpret_cast<INT_PTR>(
            OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), message));
    }
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        HWND control = reinterpret_cast<HWND>(lParam);
        if ((id == IDOK || id == IDCANCEL) && (code == BN_CLICKED || code == 1)) {
            if (id == IDOK) {
                OnOK();
            } else {
                OnCancel();
            }
            return TRUE;
        }
        return OnCommand(id, code, control) ? TRUE : FALSE;
    }
    default:
        return FALSE;
    }
}
