// _xktinst.exe: finishes a removal after the setup program that ran it has ended.
//
// Started as "<system dir>\_xktinst.exe /U /PP:<dir>\<title>.ini" by a removal run of the
// setup program <dir>\<title>.exe. It waits until that program's file can be deleted (a
// running program's file cannot), deletes it, its profile and the install log beside it, and
// then <dir> when nothing else is left in it. A file that cannot be deleted is deleted at the
// next restart instead (and <dir> with it, if it is empty by then; on Windows 95 and 98 the
// directory stays). It shows nothing.
//
// It refuses (and deletes nothing) unless the three files are there, the directory is not
// the Windows or system directory nor a root, and the install log names the directory as its
// application directory (destination 0); a refusal is an event line of that install log when
// there is one. Exit codes: 0 done, 1 refused.
//
// Plain Win32 without the C++ library, so that it stays small and runs on every Windows.
#include <windows.h>

#include "helper/HelperPaths.h"

namespace {

// How long the helper waits for the setup program to end.
constexpr DWORD kWaitForProgramMs = 30000;
constexpr DWORD kRetryMs = 100;

bool IsFile(const char* path) {
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsDirectory(const char* path) {
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The directory in a canonical form for comparisons: its short name when it exists.
void CanonicalDirectory(const char* directory, char* out) {
    const DWORD length = ::GetShortPathNameA(directory, out, kHelperMaxPath);
    if (length == 0 || length >= kHelperMaxPath) {
        ::lstrcpynA(out, directory, kHelperMaxPath);
    }
}

bool SameDirectory(const char* a, const char* b) {
    char canonicalA[kHelperMaxPath];
    char canonicalB[kHelperMaxPath];
    CanonicalDirectory(a, canonicalA);
    CanonicalDirectory(b, canonicalB);
    return SameDirectoryText(canonicalA, canonicalB) || SameDirectoryText(a, b);
}

bool IsSystemDirectory(const char* directory) {
    char windows[kHelperMaxPath];
    char system[kHelperMaxPath];
    const UINT windowsLength = ::GetWindowsDirectoryA(windows, kHelperMaxPath);
    const UINT systemLength = ::GetSystemDirectoryA(system, kHelperMaxPath);
    return (windowsLength > 0 && windowsLength < kHelperMaxPath &&
            SameDirectory(directory, windows)) ||
           (systemLength > 0 && systemLength < kHelperMaxPath && SameDirectory(directory, system));
}

HelperRefusal CheckOnDisk(const HelperPaths& paths) {
    if (!IsFile(paths.profile) || !IsFile(paths.program) || !IsFile(paths.log)) {
        return HelperRefusal::kMissingFiles;
    }
    if (IsSystemDirectory(paths.directory)) {
        return HelperRefusal::kSystemDirectory;
    }
    char record[3 * kHelperMaxPath];
    char resolved[kHelperMaxPath];
    ::GetPrivateProfileStringA("destinations", "0", "", record, sizeof record, paths.log);
    if (!ResolvedPathOfRecord(record, resolved, sizeof resolved) ||
        !SameDirectory(resolved, paths.directory)) {
        return HelperRefusal::kNotApplicationDir;
    }
    return HelperRefusal::kNone;
}

// One line "HH:MM:SS:NNNN=message" in the log's "Events" section, under a key not yet taken.
void LogEvent(const char* log, const char* message) {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    long number = static_cast<long>(::GetTickCount() % 1000);
    for (int tried = 0; tried < 10000; ++tried) {
        char key[32];
        ::wsprintfA(key, "%02u:%02u:%02u:%04ld", now.wHour, now.wMinute, now.wSecond, number);
        char present[4];
        if (::GetPrivateProfileStringA("Events", key, "", present, sizeof present, log) == 0) {
            ::WritePrivateProfileStringA("Events", key, message, log);
            return;
        }
        number = number == 9999 ? 0 : number + 1;
    }
}

void ReportRefusal(HelperRefusal refusal, const HelperPaths& paths) {
    if (!IsFile(paths.log)) {
        return; // no install log to tell: nothing is written anywhere else
    }
    char message[kHelperMaxPath + 128];
    ::wsprintfA(message, "Removal helper refused %s: %s", paths.profile,
                HelperRefusalText(refusal));
    LogEvent(paths.log, message);
}

// Deletes a file, read-only or not. True when it is gone (or was not there).
bool DeleteOneFile(const char* path) {
    const DWORD attributes = ::GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        ::SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if (::DeleteFileA(path)) {
        return true;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The setup program's file can be deleted once the program has ended.
bool DeleteWhenEnded(const char* program) {
    const DWORD start = ::GetTickCount();
    while (!DeleteOneFile(program)) {
        if (::GetTickCount() - start >= kWaitForProgramMs) {
            return false;
        }
        ::Sleep(kRetryMs);
    }
    return true;
}

// Largest WININIT.INI the helper adds to.
constexpr DWORD kMaxWininit = 32768;

bool ReadWholeFile(const char* path, char* buffer, DWORD size, DWORD& length) {
    length = 0;
    HANDLE file =
        ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return ::GetLastError() == ERROR_FILE_NOT_FOUND; // none yet: an empty one
    }
    const bool read = ::ReadFile(file, buffer, size, &length, nullptr) && length < size;
    ::CloseHandle(file);
    return read;
}

bool WriteWholeFile(const char* path, const char* data, DWORD length) {
    HANDLE file = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok = ::WriteFile(file, data, length, &written, nullptr) && written == length;
    ::CloseHandle(file);
    return ok;
}

// Windows 95 and 98: a "NUL=<short path>" line in WININIT.INI's [rename] section (files only;
// a directory cannot be removed that way).
bool AddToWininit(const char* path) {
    static char present[kMaxWininit];
    static char changed[kMaxWininit + kHelperMaxPath + 32];
    char shortPath[kHelperMaxPath];
    char wininit[kHelperMaxPath];
    const DWORD shortLength = ::GetShortPathNameA(path, shortPath, kHelperMaxPath);
    const UINT windowsLength = ::GetWindowsDirectoryA(wininit, kHelperMaxPath - 16);
    if (shortLength == 0 || shortLength >= kHelperMaxPath || windowsLength == 0 ||
        windowsLength >= kHelperMaxPath - 16 || IsDirectory(path)) {
        return false;
    }
    ::lstrcatA(wininit, "\\WININIT.INI");
    DWORD length = 0;
    if (!ReadWholeFile(wininit, present, kMaxWininit, length)) {
        return false;
    }
    const std::size_t newLength =
        AddWininitDeletion(present, length, shortPath, changed, sizeof changed);
    return newLength != 0 && WriteWholeFile(wininit, changed, static_cast<DWORD>(newLength));
}

// Deletion at the next restart: MoveFileEx on Windows NT, WININIT.INI on Windows 95 and 98
// (where MoveFileEx is not implemented).
bool DeleteAtRestart(const char* path) {
    if (::MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        return true;
    }
    return ::GetLastError() == ERROR_CALL_NOT_IMPLEMENTED && AddToWininit(path);
}

void RemoveSetupFiles(const HelperPaths& paths) {
    bool scheduled = false;
    if (!DeleteWhenEnded(paths.program)) {
        scheduled = DeleteAtRestart(paths.program) || scheduled;
    }
    const char* const others[] = {paths.profile, paths.log};
    for (const char* file : others) {
        if (!DeleteOneFile(file)) {
            scheduled = DeleteAtRestart(file) || scheduled;
        }
    }
    // Only an empty directory is removed, now or (after the files above) at the restart.
    char directory[kHelperMaxPath];
    ::lstrcpynA(directory, paths.directory, kHelperMaxPath);
    directory[::lstrlenA(directory) - 1] = '\0'; // without its trailing backslash
    if (!::RemoveDirectoryA(directory) && scheduled) {
        DeleteAtRestart(directory);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char profile[kHelperMaxPath];
    HelperPaths paths;
    HelperRefusal refusal = ReadHelperCommandLine(::GetCommandLineA(), profile, sizeof profile);
    if (refusal != HelperRefusal::kNone) {
        return 1;
    }
    refusal = MakeHelperPaths(profile, paths);
    if (refusal != HelperRefusal::kNone) {
        return 1;
    }
    refusal = CheckOnDisk(paths);
    if (refusal != HelperRefusal::kNone) {
        ReportRefusal(refusal, paths);
        return 1;
    }
    // The setup program started us from the application directory, which would stay in use
    // as our current directory and could not be removed.
    char system[kHelperMaxPath];
    const UINT length = ::GetSystemDirectoryA(system, kHelperMaxPath);
    if (length > 0 && length < kHelperMaxPath) {
        ::SetCurrentDirectoryA(system);
    }
    RemoveSetupFiles(paths);
    return 0;
}
