#include "framework/FrameWindow.h"

#include "framework/Application.h"

CFrameWindow::~CFrameWindow() {
    // The window must not call back into an object that is going away.
    if (m_window != nullptr) {
        HWND window = m_window;
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        m_window = nullptr;
        ::DestroyWindow(window);
    }
}

bool CFrameWindow::Create(const ClassInfo& windowClass, const std::string& title, DWORD style,
                          DWORD exStyle, HWND parent) {
    return CreateWindowOfClass(windowClass, title, style, exStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr);
}

bool CFrameWindow::CreateChild(const ClassInfo& windowClass, const std::string& text, DWORD style,
                               const RECT& rect, HWND parent, int controlId) {
    return CreateWindowOfClass(windowClass, text, style | WS_CHILD, 0, rect.left, rect.top,
                               rect.right - rect.left, rect.bottom - rect.top, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)));
}

bool CFrameWindow::CreateWindowOfClass(const ClassInfo& windowClass, const std::string& text,
                                       DWORD style, DWORD exStyle, int x, int y, int width,
                                       int height, HWND parent, HMENU menuOrId) {
    HINSTANCE instance = CApplication::Get() != nullptr ? CApplication::Get()->GetInstance()
                                                        : ::GetModuleHandleA(nullptr);
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (!::GetClassInfoExA(instance, windowClass.name, &existing)) {
        WNDCLASSEXA description{};
        description.cbSize = sizeof description;
        description.style = windowClass.style;
        description.lpfnWndProc = WindowProc;
        description.hInstance = instance;
        description.hIcon = windowClass.icon;
        description.hCursor = windowClass.cursor;
        description.hbrBackground = windowClass.background;
        description.lpszClassName = windowClass.name;
        if (::RegisterClassExA(&description) == 0) {
            return false;
        }
    }
    m_destroyed = false;
    // Counted as a handler, so that a window destroyed during its own creation (WM_CREATE
    // answered -1) does not run PostNcDestroy: a failed Create leaves the object to the caller.
    ++m_handlerDepth;
    HWND window = ::CreateWindowExA(exStyle, windowClass.name, text.c_str(), style, x, y, width,
                                    height, parent, menuOrId, instance, this);
    --m_handlerDepth;
    if (window == nullptr) {
        m_window = nullptr;
        m_destroyed = false;
        return false;
    }
    return true;
}

void CFrameWindow::DestroyWindow() {
    if (m_window != nullptr) {
        ::DestroyWindow(m_window);
    }
}

CFrameWindow* CFrameWindow::FromHandle(HWND window) noexcept {
    return window != nullptr
               ? reinterpret_cast<CFrameWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA))
               : nullptr;
}

bool CFrameWindow::OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/,
                             LRESULT& /*result*/) {
    return false;
}

void CFrameWindow::PostNcDestroy() {}

LRESULT CALLBACK CFrameWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CFrameWindow* self = nullptr;
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        self = static_cast<CFrameWindow*>(create->lpCreateParams);
        if (self != nullptr) {
            self->m_window = window;
            ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = FromHandle(window);
    }
    if (self == nullptr) {
        return ::DefWindowProcA(window, message, wParam, lParam);
    }

    ++self->m_handlerDepth;
    LRESULT result = 0;
    try {
        result = self->Dispatch(window, message, wParam, lParam);
    } catch (...) {
        result = HandleCallbackException(window, message, wParam, lParam);
    }
    --self->m_handlerDepth;
    if (self->m_handlerDepth == 0 && self->m_destroyed) {
        self->m_destroyed = false;
        self->PostNcDestroy(); // may delete the object
    }
    return result;
}

LRESULT CFrameWindow::Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (message == WM_NCDESTROY) {
        try {
            if (!OnMessage(message, wParam, lParam, result)) {
                result = ::DefWindowProcA(window, message, wParam, lParam);
            }
        } catch (...) {
            result = HandleCallbackException(window, message, wParam, lParam);
        }
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        m_window = nullptr;
        m_destroyed = true;
        if (CApplication* app = CApplication::Get()) {
            app->OnWindowDestroyed(window);
        }
        return result;
    }
    if (!OnMessage(message, wParam, lParam, result)) {
        result = ::DefWindowProcA(window, message, wParam, lParam);
    }
    return result;
}
