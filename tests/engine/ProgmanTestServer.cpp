// A Program Manager stand-in for the tests: a DDE server for service and topic "PROGMAN" that
// records every command it is sent, answers the group-list request with a given text, and
// can refuse commands or answer late. With --wine-shell it instead starts the shell's own
// Program Manager server of this Wine prefix and keeps it running.
//
//   progman_test_server --ready FILE [--service NAME] [--record FILE] [--groups FILE]
//   [--group-items FILE]
//                       [--refuse] [--delay MS] [--lifetime MS] [--wine-shell]
//
// --ready FILE        written (with this process's id) once the server answers
// --service NAME      the service and topic name (default "PROGMAN")
// --record FILE       every execute command is appended as one line
// --groups FILE       the bytes of FILE answer the request "Progman" (no file: no answer)
// --group-items FILE  the bytes of FILE answer a request for any other item (a group)
// --refuse            commands are answered "not processed"
// --delay MS          each command is answered only after MS milliseconds
// --lifetime MS       the server ends after MS milliseconds (default 60000)
#include <windows.h>

#include <ddeml.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct Options {
    std::string ready;
    std::string service = "PROGMAN";
    std::string record;
    std::string groupsFile;
    std::string groupItemsFile;
    bool refuse = false;
    DWORD delay = 0;
    DWORD lifetime = 60000;
    bool wineShell = false;
};

Options g_options;
DWORD g_instance = 0;
HSZ g_service = nullptr;

bool ReadWholeFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    out = text.str();
    return true;
}

std::string StringOf(HSZ handle) {
    char text[256] = {};
    ::DdeQueryStringA(g_instance, handle, text, sizeof text, CP_WINANSI);
    return text;
}

HDDEDATA Answer(const std::string& file, HSZ item, UINT format) {
    std::string text;
    if (file.empty() || format != CF_TEXT || !ReadWholeFile(file, text)) {
        return nullptr;
    }
    return ::DdeCreateDataHandle(g_instance, reinterpret_cast<LPBYTE>(&text[0]),
                                 static_cast<DWORD>(text.size() + 1), 0, item, CF_TEXT, 0);
}

HDDEDATA RecordCommand(HDDEDATA data) {
    DWORD size = 0;
    const BYTE* bytes = ::DdeAccessData(data, &size);
    std::string command;
    if (bytes != nullptr) {
        command.assign(reinterpret_cast<const char*>(bytes), size);
        ::DdeUnaccessData(data);
    }
    const std::size_t end = command.find('\0');
    if (end != std::string::npos) {
        command.resize(end);
    }
    if (!g_options.record.empty()) {
        std::ofstream out(g_options.record, std::ios::binary | std::ios::app);
        out << command << '\n';
    }
    if (g_options.delay != 0) {
        ::Sleep(g_options.delay);
    }
    return reinterpret_cast<HDDEDATA>(
        static_cast<ULONG_PTR>(g_options.refuse ? DDE_FNOTPROCESSED : DDE_FACK));
}

HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV, HSZ topic, HSZ item, HDDEDATA data,
                           ULONG_PTR, ULONG_PTR) {
    switch (type) {
    case XTYP_CONNECT:
        return reinterpret_cast<HDDEDATA>(
            static_cast<ULONG_PTR>(::DdeCmpStringHandles(topic, g_service) == 0));
    case XTYP_REQUEST:
        return Answer(_stricmp(StringOf(item).c_str(), "Progman") == 0 ? g_options.groupsFile
                                                                       : g_options.groupItemsFile,
                      item, format);
    case XTYP_EXECUTE:
        return RecordCommand(data);
    default:
        return nullptr;
    }
}

bool ParseOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--refuse") {
            g_options.refuse = true;
        } else if (option == "--wine-shell") {
            g_options.wineShell = true;
        } else if (!hasValue) {
            return false;
        } else if (option == "--ready") {
            g_options.ready = argv[++i];
        } else if (option == "--service") {
            g_options.service = argv[++i];
        } else if (option == "--record") {
            g_options.record = argv[++i];
        } else if (option == "--groups") {
            g_options.groupsFile = argv[++i];
        } else if (option == "--group-items") {
            g_options.groupItemsFile = argv[++i];
        } else if (option == "--delay") {
            g_options.delay = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        } else if (option == "--lifetime") {
            g_options.lifetime = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        } else {
            return false;
        }
    }
    return !g_options.ready.empty();
}

// The shell's Program Manager server answers only in a process that has initialised COM and
// called the shell's DDE start-up (exported by ordinal only).
bool StartShellServer() {
    if (FAILED(::CoInitialize(nullptr))) {
        return false;
    }
    HMODULE shell = ::LoadLibraryA("shell32.dll");
    if (shell == nullptr) {
        return false;
    }
    using ShellDdeInit = void(WINAPI*)(BOOL);
    auto init = reinterpret_cast<ShellDdeInit>(
        reinterpret_cast<void*>(::GetProcAddress(shell, MAKEINTRESOURCEA(188))));
    if (init == nullptr) {
        return false;
    }
    init(TRUE);
    return true;
}

bool StartOwnServer() {
    if (::DdeInitializeA(&g_instance, Callback, APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS, 0) !=
        DMLERR_NO_ERROR) {
        return false;
    }
    g_service = ::DdeCreateStringHandleA(g_instance, g_options.service.c_str(), CP_WINANSI);
    return g_service != nullptr && ::DdeNameService(g_instance, g_service, nullptr, DNS_REGISTER);
}

} // namespace

int main(int argc, char** argv) {
    if (!ParseOptions(argc, argv)) {
        std::fprintf(stderr, "usage: progman_test_server --ready FILE [options]\n");
        return 2;
    }
    if (!(g_options.wineShell ? StartShellServer() : StartOwnServer())) {
        std::fprintf(stderr, "progman_test_server: the server could not be started\n");
        return 1;
    }
    // A message queue exists now; the process counts as idle from its first GetMessage on,
    // which is what a starter waiting for input idle (WinExec) waits for.
    {
        std::ofstream ready(g_options.ready, std::ios::binary | std::ios::trunc);
        ready << ::GetCurrentProcessId() << '\n';
    }
    const UINT_PTR timer = ::SetTimer(nullptr, 0, g_options.lifetime, nullptr);
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.wParam == timer) {
            break;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    if (!g_options.wineShell) {
        ::DdeNameService(g_instance, g_service, nullptr, DNS_UNREGISTER);
        ::DdeFreeStringHandle(g_instance, g_service);
        ::DdeUninitialize(g_instance);
    }
    return 0;
}
