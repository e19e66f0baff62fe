#include "archive/FileStatus.h"

#include "errors/Exceptions.h"

#include <cerrno>
#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <ctime>
#include <fcntl.h>
#include <sys/time.h>
#endif

namespace {
constexpr std::uint8_t kReadOnly = 0x01;
constexpr std::uint8_t kArchive = 0x20;
} // namespace

#ifdef _WIN32

namespace {

// Seconds since 1970 <-> FILETIME (100 ns since 1601).
constexpr std::int64_t kEpochDifference = 11644473600LL;

FILETIME ToFileTime(std::int64_t seconds) {
    std::uint64_t ticks = static_cast<std::uint64_t>(seconds + kEpochDifference) * 10000000ULL;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

std::int64_t FromFileTime(const FILETIME& ft) {
    std::uint64_t ticks = (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10000000ULL) - kEpochDifference;
}

} // namespace

bool ReadFileStatus(const std::string& path, FileStatus& status) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    status.modifyTime = FromFileTime(data.ftLastWriteTime);
    status.size = data.nFileSizeLow;
    status.attributes = static_cast<std::uint8_t>(data.dwFileAttributes & 0x7F);
    return true;
}

void WriteFileStatus(const std::string& path, const FileStatus& status) {
    DWORD current = GetFileAttributesA(path.c_str());
    if (current == INVALID_FILE_ATTRIBUTES)
        ThrowLastWin32FileError(path);
    DWORD wanted = status.attributes;
    bool differ = (current & 0x7F) != wanted;
    bool readOnlyNow = (current & FILE_ATTRIBUTE_READONLY) != 0;
    if (differ && readOnlyNow &&
        !SetFileAttributesA(path.c_str(), wanted != 0 ? wanted : FILE_ATTRIBUTE_NORMAL))
        ThrowLastWin32FileError(path);
    if (status.modifyTime != 0) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            ThrowLastWin32FileError(path);
        FILETIME ft = ToFileTime(status.modifyTime);
        BOOL ok = SetFileTime(h, nullptr, nullptr, &ft);
        DWORD err = GetLastError();
        CloseHandle(h);
        if (!ok)
            ThrowFileExceptionFromWin32Error(err, path);
    }
    if (differ && !readOnlyNow &&
        !SetFileAttributesA(path.c_str(), wanted != 0 ? wanted : FILE_ATTRIBUTE_NORMAL))
        ThrowLastWin32FileError(path);
}

#else

// POSIX has no attribute byte: read-only is the absence of the owner's write permission,
// every other file reports the archive bit, and hidden and system are not kept.
bool ReadFileStatus(const std::string& path, FileStatus& status) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    status.modifyTime = static_cast<std::int64_t>(st.st_mtime);
    status.size = static_cast<std::uint32_t>(st.st_size);
    status.attributes =
        (st.st_mode & S_IWUSR) ? kArchive : static_cast<std::uint8_t>(kReadOnly | kArchive);
    return true;
}

void WriteFileStatus(const std::string& path, const FileStatus& status) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        ThrowFileExceptionFromErrno(errno, path);
    bool wantReadOnly = (status.attributes & kReadOnly) != 0;
    if (status.modifyTime != 0) {
        struct timespec times[2];
        times[0].tv_sec = 0;
        times[0].tv_nsec = UTIME_OMIT;
        times[1].tv_sec = static_cast<time_t>(status.modifyTime);
        times[1].tv_nsec = 0;
        if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
            ThrowFileExceptionFromErrno(errno, path);
    }
    mode_t mode = st.st_mode & 07777;
    mode_t wanted = wantReadOnly ? (mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH))
                                 : (mode | S_IWUSR);
    if (wanted != mode && chmod(path.c_str(), wanted) != 0)
        ThrowFileExceptionFromErrno(errno, path);
}

#endif
