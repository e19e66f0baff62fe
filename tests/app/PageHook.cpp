// A window hook library for the tests: loaded into the setup program by a global
// WH_CALLWNDPROCRET hook, it appends the template id of every dialog of the program that has
// finished WM_INITDIALOG, with the window's width and height at that moment, to the file named
// by the environment variable SETUP_PAGE_LOG. So a test sees every page in order, also pages
// that live only for a moment (unattended runs). When the environment variable
// SETUP_CANCEL_PAGE holds a template id, the dialog with that id gets a posted Cancel
// (WM_COMMAND IDCANCEL) right after its WM_INITDIALOG, as a script would send one.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

extern "C" __declspec(dllexport) LRESULT CALLBACK
    PageHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* info = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (info->message == WM_INITDIALOG) {
            char path[MAX_PATH];
            DWORD length = ::GetEnvironmentVariableA("SETUP_PAGE_LOG", path, MAX_PATH);
            int id = static_cast<int>(
                reinterpret_cast<INT_PTR>(::GetPropA(info->hwnd, "SetupTemplateId")));
            char cancel[16];
            DWORD cancelLength = ::GetEnvironmentVariableA("SETUP_CANCEL_PAGE", cancel, 16);
            if (cancelLength > 0 && cancelLength < 16 && id != 0 && std::atoi(cancel) == id) {
                ::PostMessageA(info->hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            }
            if (length > 0 && length < MAX_PATH && id != 0) {
                RECT rect{};
                ::GetWindowRect(info->hwnd, &rect);
                if (FILE* file = std::fopen(path, "ab")) {
                    std::fprintf(file, "%d %ld %ld\n", id, rect.right - rect.left,
                                 rect.bottom - rect.top);
                    std::fclose(file);
                }
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
