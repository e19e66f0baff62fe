// The disk operations of CFilePath that the command-line tools need on POSIX systems. The
// attribute byte maps to the mode: read-only (0x01) means no write permission, a directory
// has 0x10.
#include "support/FilePath.h"

#include "errors/Exceptions.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

[[noreturn]] void ThrowErrno(const std::string& path) {
    throw FileExceptionFromErrno(errno, path);
}

bool IsReadOnly(const struct stat& info) {
    return (info.st_mode & S_IWUSR) == 0;
}

void SetReadOnly(const std::string& path, const struct stat& info, bool readOnly) {
    const mode_t mode = readOnly ? (info.st_mode & ~kWriteBits) : (info.st_mode | S_IWUSR);
    if (::chmod(path.c_str(), mode & 07777) != 0) {
        ThrowErrno(path);
    }
}

} // namespace

bool CFilePath::Exists() const {
    struct stat info;
    return ::stat(m_text.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool CFilePath::Delete() const {
    return ::unlink(m_text.c_str()) == 0;
}

bool CFilePath::Rename(const std::string& newPath) const {
    // Like the platform's move, never replaces an existing file.
    struct stat info;
    if (::lstat(newPath.c_str(), &info) == 0) {
        return false;
    }
    return std::rename(m_text.c_str(), newPath.c_str()) == 0;
}

std::int64_t CFilePath::GetModifyTime() const {
    struct stat info;
    return ::stat(m_text.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_mtime) : 0;
}

void CFilePath::FillFromFile(CFileStatusInfo& status) const {
    status = CFileStatusInfo();
    struct stat info;
    if (::stat(m_text.c_str(), &info) != 0) {
        return;
    }
    status.modifyTime = static_cast<std::int64_t>(info.st_mtime);
    status.size = static_cast<std::uint32_t>(info.st_size);
    status.attributes =
        static_cast<std::uint8_t>((IsReadOnly(info) ? CFileStatusInfo::kReadOnly : 0) |
                                  (S_ISDIR(info.st_mode) ? CFileStatusInfo::kDirectory : 0));
}

void CFilePath::ApplyFileStatus(const CFileStatusInfo& status) const {
    struct stat info;
    if (::stat(m_text.c_str(), &info) != 0) {
        ThrowErrno(m_text);
    }
    const bool wantReadOnly = (status.attributes & CFileStatusInfo::kReadOnly) != 0;
    const bool differs = wantReadOnly != IsReadOnly(info);
    if (differs && IsReadOnly(info)) {
        SetReadOnly(m_text, info, wantReadOnly);
    }
    if (status.modifyTime != 0) {
        struct timespec times[2];
        times[0] = info.st_atim;
        times[1].tv_sec = static_cast<time_t>(status.modifyTime);
        times[1].tv_nsec = 0;
        if (::utimensat(AT_FDCWD, m_text.c_str(), times, 0) != 0) {
            ThrowErrno(m_text);
        }
    }
    if (differs && !IsReadOnly(info)) {
        SetReadOnly(m_text, info, wantReadOnly);
    }
}
