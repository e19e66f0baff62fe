#include "framework/Application.h"

#include <cstdio>
#include <stdexcept>

#include "framework/WindowProperty.h"
#include "support/StringUtil.h"

namespace {

CApplication* g_application = nullptr;

// The top-level window that contains `window`: its parents are followed while it is a child
// window (GetParent of a top-level window would give its owner). Windows 95 and NT 4.0 have
// no GetAncestor.
HWND RootWindowOf(HWND window) noexcept {
    while (window != nullptr && (::GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0) {
        window = ::GetParent(window);
    }
    return window;
}

// The command line after the program name, as WinMain receives it.
std::string ArgumentsAfterProgramName(const char* line) {
    if (line == nullptr) {
        return {};
    }
    const char* p = line;
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') {
            ++p;
        }
        if (*p == '"') {
            ++p;
        }
    } else {
        while (*p != '\0' && *p != ' ' && *p != '\t') {
            ++p;
        }
    }
    while (*p == ' ' || *p == '\t') {
        ++p;
    }
    return p;
}

} // namespace

CApplication::CApplication()
    : m_instance(::GetModuleHandleA(nullptr)),
      m_commandLine(ArgumentsAfterProgramName(::GetCommandLineA())) {
    if (g_application == nullptr) {
        g_application = this;
    }
}

CApplication::~CApplication() {
    if (g_application == this) {
        g_application = nullptr;
    }
}

CApplication* CApplication::Get() noexcept {
    return g_application;
}

bool CApplication::InitInstance() {
    return true;
}

int CApplication::ExitInstance() {
    return m_exitCode;
}

LRESULT CApplication::ProcessWndProcException(std::exception_ptr error, const MSG& /*message*/) {
    std::string text = "An unexpected error has occurred.";
    try {
        if (error) {
            std::rethrow_exception(error);
        }
    } catch (const std::exception& e) {
        text += "\n\n";
        text += e.what();
    } catch (...) {
    }
    ::MessageBoxA(m_mainWindow, text.c_str(), nullptr, MB_OK | MB_ICONSTOP);
    return 0;
}

int CApplication::Run() {
    bool started = false;
    try {
        started = InitInstance();
    } catch (...) {
        HandleCallbackException(nullptr, 0, 0, 0);
        m_exitCode = 1;
    }
    // Without a main window nothing would ever post the quit message: end now rather than
    // wait for ever.
    if (started && m_mainWindow == nullptr) {
        started = false;
        if (m_exitCode == 0) {
            m_exitCode = 1;
        }
    }
    if (started) {
        MSG message{};
        for (;;) {
            const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
            if (got == 0) {
                m_exitCode = static_cast<int>(message.wParam);
                break;
            }
            if (got == -1) {
                m_exitCode = 1;
                break;
            }
            if (!PreTranslate(message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageA(&message);
            }
        }
    }
    try {
        return ExitInstance();
    } catch (...) {
        HandleCallbackException(nullptr, 0, 0, 0);
        return m_exitCode != 0 ? m_exitCode : 1;
    }
}

void CApplication::OnWindowDestroyed(HWND window) noexcept {
    if (window != nullptr && window == m_mainWindow) {
        m_mainWindow = nullptr;
        ::PostQuitMessage(0);
    }
}

bool CApplication::PreTranslate(MSG& message) noexcept {
    if (message.hwnd == nullptr || message.message < WM_KEYFIRST || message.message > WM_KEYLAST) {
        return false;
    }
    HWND root = RootWindowOf(message.hwnd);
    if (root == nullptr || GetDialogTemplateId(root) == 0) {
        return false;
    }
    return ::IsDialogMessageA(root, &message) != FALSE;
}

LRESULT HandleCallbackException(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    try {
        MSG msg{};
        msg.hwnd = window;
        msg.message = message;
        msg.wParam = wParam;
        msg.lParam = lParam;
        if (CApplication* app = CApplication::Get()) {
            return app->ProcessWndProcException(std::current_exception(), msg);
        }
        std::string text;
        FormatString(text, "exception stopped at a window procedure (message 0x%04X)\n", message);
        ::OutputDebugStringA(text.c_str());
    } catch (...) {
        ::OutputDebugStringA("exception while reporting an exception\n");
    }
    return 0;
}
