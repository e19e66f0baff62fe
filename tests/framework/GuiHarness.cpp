#include "GuiHarness.h"

#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "PngWriter.h"

#ifndef SETUP_SCREENSHOT_DIR
#define SETUP_SCREENSHOT_DIR "screenshots"
#endif

namespace gui {
namespace {

constexpr const char* kTemplateIdProperty = "SetupTemplateId";

struct EnumState {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM param) {
    auto* state = reinterpret_cast<EnumState*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == state->processId && TemplateIdOf(window) != 0) {
        // No exception may cross the system's enumeration.
        try {
            state->windows.push_back(window);
        } catch (...) {
            return FALSE;
        }
    }
    return TRUE;
}

} // namespace

CTestProcess::~CTestProcess() {
    Kill();
    if (m_process != nullptr) {
        ::CloseHandle(m_process);
    }
}

bool CTestProcess::Start(const std::string& program, const std::string& arguments,
                         const std::string& directory, bool waitForIdle) {
    std::string line = "\"" + program + "\"";
    if (!arguments.empty()) {
        line += " " + arguments;
    }
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
        return false;
    }
    ::CloseHandle(info.hThread);
    if (m_process != nullptr) {
        ::CloseHandle(m_process);
    }
    m_process = info.hProcess;
    m_processId = info.dwProcessId;
    m_threadId = info.dwThreadId;
    // Let the program reach its message loop before the test looks for windows.
    if (waitForIdle) {
        ::WaitForInputIdle(m_process, 5000);
    }
    return true;
}

bool CTestProcess::IsRunning() const noexcept {
    return m_process != nullptr && ::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

bool CTestProcess::Wait(DWORD timeoutMs, DWORD* exitCode) {
    if (m_process == nullptr || ::WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    if (exitCode != nullptr) {
        ::GetExitCodeProcess(m_process, exitCode);
    }
    return true;
}

void CTestProcess::Kill() noexcept {
    if (IsRunning()) {
        ::TerminateProcess(m_process, 255);
        ::WaitForSingleObject(m_process, 5000);
    }
}

int TemplateIdOf(HWND window) noexcept {
    if (window == nullptr) {
        return 0;
    }
    return static_cast<int>(reinterpret_cast<INT_PTR>(::GetPropA(window, kTemplateIdProperty)));
}

std::vector<HWND> ListDialogs(DWORD processId) {
    EnumState state{processId != 0 ? processId : ::GetCurrentProcessId(), {}};
    ::EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&state));
    return state.windows;
}

HWND FindDialog(DWORD processId, int templateId) {
    for (HWND window : ListDialogs(processId)) {
        if (TemplateIdOf(window) == templateId) {
            return window;
        }
    }
    return nullptr;
}

HWND WaitForDialog(DWORD processId, int templateId, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            found = FindDialog(processId, templateId);
            return found != nullptr && ::IsWindowVisible(found);
        },
        timeoutMs);
    return found != nullptr && ::IsWindowVisible(found) ? found : nullptr;
}

std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string MakeTempDirectory(const char* prefix) {
    char temp[MAX_PATH];
    char name[MAX_PATH];
    if (::GetTempPathA(MAX_PATH, temp) == 0 || ::GetTempFileNameA(temp, prefix, 0, name) == 0) {
        return "";
    }
    ::DeleteFileA(name);
    return ::CreateDirectoryA(name, nullptr) ? name : "";
}

void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA entry;
    HANDLE search = ::FindFirstFileA((dir + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string path = dir + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(path.c_str());
            }
        } while (::FindNextFileA(search, &entry));
        ::FindClose(search);
    }
    ::RemoveDirectoryA(dir.c_str());
}

HWND FindMessageBox(DWORD processId) {
    struct Search {
        DWORD processId;
        HWND found;
    } search{processId != 0 ? processId : ::GetCurrentProcessId(), nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            char className[32] = {};
            ::GetClassNameA(window, className, sizeof(className));
            if (owner == s->processId && ::IsWindowVisible(window) &&
                std::string(className) == "#32770" && TemplateIdOf(window) == 0) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindMessageBox(processId)) != nullptr; }, timeoutMs);
    return box;
}

std::string MessageBoxText(HWND box) {
    std::string longest;
    for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        char className[32] = {};
        ::GetClassNameA(child, className, sizeof(className));
        std::string text = WindowText(child);
        if (_stricmp(className, "Static") == 0 && text.size() > longest.size()) {
            longest = text;
        }
    }
    return longest;
}

int CurrentDialogId(DWORD processId) {
    for (HWND window : ListDialogs(processId)) {
        if (::IsWindowVisible(window) && ::IsWindowEnabled(window)) {
            return TemplateIdOf(window);
        }
    }
    return 0;
}

bool WaitForCurrentDialog(DWORD processId, int templateId, DWORD timeoutMs) {
    return WaitUntil([&] { return CurrentDialogId(processId) == templateId; }, timeoutMs);
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
    return WaitUntil([&] { return !::IsWindow(window); }, timeoutMs);
}

std::string WindowText(HWND window) {
    if (window == nullptr) {
        return {};
    }
    // WM_GETTEXT works across threads and processes; a hung window gives "".
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
        return {};
    }
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    DWORD_PTR got = 0;
    if (!::SendMessageTimeoutA(window, WM_GETTEXT, buffer.size(),
                               reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG, 5000,
                               &got)) {
        return {};
    }
    return std::string(buffer.data(), static_cast<size_t>(got));
}

std::string ControlText(HWND dialog, int controlId) {
    return WindowText(::GetDlgItem(dialog, controlId));
}

bool ControlExists(HWND dialog, int controlId) {
    return ::GetDlgItem(dialog, controlId) != nullptr;
}

bool ControlVisible(HWND dialog, int controlId) {
    HWND control = ::GetDlgItem(dialog, controlId);
    return control != nullptr && (::GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool ControlEnabled(HWND dialog, int controlId) {
    HWND control = ::GetDlgItem(dialog, controlId);
    return control != nullptr && ::IsWindowEnabled(control);
}

bool PressButton(HWND dialog, int controlId) {
    HWND control = ::GetDlgItem(dialog, controlId);
    if (control == nullptr) {
        return false;
    }
    return ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                          reinterpret_cast<LPARAM>(control)) != FALSE;
}

bool ClickButton(HWND dialog, int controlId) {
    HWND control = ::GetDlgItem(dialog, controlId);
    if (control == nullptr || !::IsWindowEnabled(control) ||
        (::GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) == 0) {
        return false;
    }
    return PressButton(dialog, controlId);
}

bool PressKey(HWND window, UINT virtualKey) {
    if (window == nullptr) {
        return false;
    }
    HWND target = window;
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
    if (::GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr &&
        (info.hwndFocus == window || ::IsChild(window, info.hwndFocus))) {
        target = info.hwndFocus;
    }
    const UINT scan = ::MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
    const LPARAM up = down | (1L << 30) | (1L << 31);
    return ::PostMessageA(target, WM_KEYDOWN, virtualKey, down) &&
           ::PostMessageA(target, WM_KEYUP, virtualKey, up);
}

bool SetControlText(HWND dialog, int controlId, const std::string& text) {
    HWND control = ::GetDlgItem(dialog, controlId);
    if (control == nullptr) {
        return false;
    }
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                 SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

void PumpMessagesFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    do {
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
        ::Sleep(10);
    } while (::GetTickCount() - start < ms);
}

std::string ScreenshotPath(const std::string& name) {
    const std::string directory = SETUP_SCREENSHOT_DIR;
    ::CreateDirectoryA(directory.c_str(), nullptr);
    return directory + "/" + name + ".png";
}

namespace {

// Copies a rectangle of the screen as the X server shows it into 24-bit RGB rows.
bool CaptureScreenRect(const RECT& rect, std::vector<uint8_t>& rgb) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        return false;
    }
    HDC screen = ::GetDC(nullptr);
    if (screen == nullptr) {
        return false;
    }
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (memory != nullptr && bitmap != nullptr) {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ok = ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top,
                      SRCCOPY | CAPTUREBLT) != FALSE;
        ::GdiFlush();
        ::SelectObject(memory, old);
        if (ok) {
            const auto* pixels = static_cast<const uint8_t*>(bits);
            rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
            for (size_t i = 0, n = static_cast<size_t>(width) * static_cast<size_t>(height); i < n;
                 ++i) {
                rgb[i * 3 + 0] = pixels[i * 4 + 2];
                rgb[i * 3 + 1] = pixels[i * 4 + 1];
                rgb[i * 3 + 2] = pixels[i * 4 + 0];
            }
        }
    }
    if (bitmap != nullptr) {
        ::DeleteObject(bitmap);
    }
    if (memory != nullptr) {
        ::DeleteDC(memory);
    }
    ::ReleaseDC(nullptr, screen);
    return ok;
}

void BringToTop(HWND window) {
    ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::RedrawWindow(window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // The window's thread paints; give it and the X server a moment (and pump when that
    // thread is this one).
    if (::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId()) {
        PumpMessagesFor(300);
    } else {
        ::Sleep(300);
    }
}

} // namespace

bool SaveWindowPng(HWND window, const std::string& path) {
    if (window == nullptr || !::IsWindow(window)) {
        return false;
    }
    BringToTop(window);
    RECT rect{};
    if (!::GetWindowRect(window, &rect)) {
        return false;
    }
    std::vector<uint8_t> rgb;
    if (!CaptureScreenRect(rect, rgb)) {
        return false;
    }
    return WritePng(path, rect.right - rect.left, rect.bottom - rect.top, rgb);
}

bool CaptureWindow(HWND window, std::vector<unsigned char>& rgb, int& width, int& height) {
    if (window == nullptr || !::IsWindow(window)) {
        return false;
    }
    BringToTop(window);
    RECT rect{};
    if (!::GetWindowRect(window, &rect) || !CaptureScreenRect(rect, rgb)) {
        return false;
    }
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    return true;
}

bool ScreenPixel(HWND window, int x, int y, COLORREF& colour) {
    POINT point{x, y};
    if (window == nullptr || !::ClientToScreen(window, &point)) {
        return false;
    }
    HDC screen = ::GetDC(nullptr);
    if (screen == nullptr) {
        return false;
    }
    colour = ::GetPixel(screen, point.x, point.y);
    ::ReleaseDC(nullptr, screen);
    return colour != CLR_INVALID;
}

bool RemoveShellGroup(const std::string& group, DWORD timeoutMs) {
    char programs[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs))) {
        return false;
    }
    const std::string folder = std::string(programs) + "\\" + group;
    if (::GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    HWND shown = nullptr;
    WaitUntil([&] { return (shown = ::FindWindowA(nullptr, group.c_str())) != nullptr; },
              timeoutMs);
    if (shown != nullptr) {
        ::PostMessageA(shown, WM_CLOSE, 0, 0);
        WaitForWindowGone(shown, timeoutMs);
    }
    WIN32_FIND_DATAA entry;
    HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            ::DeleteFileA((folder + "\\" + entry.cFileName).c_str());
        } while (::FindNextFileA(search, &entry));
        ::FindClose(search);
    }
    ::RemoveDirectoryA(folder.c_str());
    return true;
}

} // namespace gui
