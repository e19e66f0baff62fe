// The disk operations of CFilePath on Windows.
#include "support/FilePath.h"

#include "errors/Exceptions.h"
#include "support/StringUtil.h"

#include <windows.h>

namespace {

// FILETIME counts 100-nanosecond steps since 1601; this many of them lie before 1970.
constexpr std::int64_t kFileTimeEpochOffset = 116444736000000000LL;
constexpr std::int64_t kFileTimeStepsPerSecond = 10000000LL;

std::int64_t SecondsSince1970(const FILETIME& time) {
    const std::int64_t steps =
        (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return (steps - kFileTimeEpochOffset) / kFileTimeStepsPerSecond;
}

FILETIME FileTimeFromSeconds(std::int64_t seconds) {
    const std::uint64_t steps =
        static_cast<std::uint64_t>(seconds * kFileTimeStepsPerSecond + kFileTimeEpochOffset);
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(steps & 0xFFFFFFFFu);
    time.dwHighDateTime = static_cast<DWORD>(steps >> 32);
    return time;
}

// The text of a platform call that fills a 260-byte buffer; "" when it fails or the answer
// does not fit.
template <typename Call> std::string QueryPath(Call call) {
    char buffer[MAX_PATH] = {};
    const DWORD length = call(buffer, static_cast<DWORD>(MAX_PATH));
    return (length > 0 && length < MAX_PATH) ? std::string(buffer, length) : std::string();
}

[[noreturn]] void ThrowLastError(const std::string& path) {
    throw FileExceptionFromWin32Error(::GetLastError(), path);
}

DWORD SettableAttributes(std::uint8_t attributes) {
    const DWORD bits = attributes & CFileStatusInfo::kSettable;
    return bits != 0 ? bits : FILE_ATTRIBUTE_NORMAL;
}

// The directory entry of the one file `path` names. A search pattern stands for no file: its
// wild cards would give the status of some other file that happens to match.
bool FindFileData(const std::string& path, WIN32_FIND_DATAA& data) {
    if (path.find_first_of("*?") != std::string::npos) {
        return false;
    }
    CFindHandle search(::FindFirstFileA(path.c_str(), &data));
    return search.IsValid();
}

} // namespace

CFilePath::CFilePath(int folderKind) {
    std::string dir;
    switch (folderKind) {
    case pathCurrentDir:
        dir = QueryPath([](char* b, DWORD n) { return ::GetCurrentDirectoryA(n, b); });
        break;
    case pathWindowsDir:
        dir = QueryPath([](char* b, DWORD n) { return ::GetWindowsDirectoryA(b, n); });
        break;
    case pathSystemDir:
        dir = QueryPath([](char* b, DWORD n) { return ::GetSystemDirectoryA(b, n); });
        break;
    case pathProgramDir:
        GetModulePath();
        if (!IsEmpty()) {
            SetFileName(std::string());
        }
        return;
    case pathTempDir:
        m_text = QueryPath([](char* b, DWORD n) { return ::GetTempPathA(n, b); });
        if (!IsEmpty()) {
            SetFileName(std::string());
        }
        return;
    default:
        return;
    }
    if (!dir.empty()) {
        SetDriveDirectory(dir);
    }
}

void CFilePath::GetModulePath() {
    m_text = QueryPath([](char* b, DWORD n) { return ::GetModuleFileNameA(nullptr, b, n); });
}

bool CFilePath::Exists() const {
    // The attribute query has none of the 128-character limit of the old OpenFile test and
    // does not depend on the file being openable.
    const DWORD attributes = ::GetFileAttributesA(m_text.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool CFilePath::Delete() const {
    return ::DeleteFileA(m_text.c_str()) != FALSE;
}

bool CFilePath::Rename(const std::string& newPath) const {
    return ::MoveFileA(m_text.c_str(), newPath.c_str()) != FALSE;
}

std::int64_t CFilePath::GetModifyTime() const {
    WIN32_FIND_DATAA data;
    if (!FindFileData(m_text, data)) {
        return 0;
    }
    return SecondsSince1970(data.ftLastWriteTime);
}

bool CFilePath::DirectoryExists() const {
    const std::string dir = GetDriveDirectory();
    return !dir.empty() && ::SetCurrentDirectoryA(dir.c_str()) != FALSE;
}

bool CFilePath::RemoveDirectory() const {
    const std::string dir = GetDriveDirectory();
    return !dir.empty() && ::RemoveDirectoryA(dir.c_str()) != FALSE;
}

bool CFilePath::MakeDirectory(bool withParents) {
    unsigned long error = 0;
    return MakeDirectoryWithError(withParents, error);
}

// Creating C:\A\B\C\ with parents: C:\A\B\C fails, C:\A\B fails, C:\A succeeds, then C:\A\B
// and C:\A\B\C are created on the way back. The intermediate paths carry no trailing
// backslash, so their existence test looks at the directory containing them; the final
// creation on the path asked for decides the result.
bool CFilePath::MakeDirectoryWithError(bool withParents, unsigned long& error) {
    std::string dir = m_text;
    RemoveTrailingBackslash(dir);
    if (::CreateDirectoryA(dir.c_str(), nullptr)) {
        return true;
    }
    error = ::GetLastError();
    if (DirectoryExists()) {
        return true;
    }
    if (!withParents) {
        return false;
    }
    const std::size_t last = FindLastChar(dir, '\\');
    if (last == std::string::npos) {
        return false;
    }
    CFilePath parent(dir.substr(0, last));
    if (!parent.MakeDirectoryWithError(true, error)) {
        return false;
    }
    return MakeDirectoryWithError(false, error);
}

void CFilePath::MakeDirectoryOrThrow(bool withParents) {
    unsigned long error = 0;
    if (!MakeDirectoryWithError(withParents, error)) {
        throw FileExceptionFromWin32Error(error, m_text);
    }
}

bool CFilePath::MakeUniqueName(bool retry, int tries) {
    for (int i = 0; i < tries; ++i) {
        SetFileTitle(RandomHexString(8));
        if (!Exists() || !retry) {
            return true;
        }
    }
    return false;
}

bool CFilePath::TakeMatchingEntry(WIN32_FIND_DATAA& entry) {
    const bool directoryMode = (m_searchFlags & kFindDirectories) != 0;
    do {
        const DWORD attributes = entry.dwFileAttributes;
        const bool isDirectory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        bool matches = m_searchFlags == 0
                           ? !isDirectory
                           : (m_searchFlags & attributes) != 0 && directoryMode == isDirectory;
        if (directoryMode && entry.cFileName[0] == '.') {
            matches = false;
        }
        if (matches) {
            return true;
        }
    } while (::FindNextFileA(m_search.Get(), &entry));
    return false;
}

bool CFilePath::FindFirst(std::uint32_t flags) {
    m_searchFlags = flags;
    WIN32_FIND_DATAA entry;
    m_search.Attach(::FindFirstFileA(m_text.c_str(), &entry));
    if (!m_search.IsValid() || !TakeMatchingEntry(entry)) {
        return false;
    }
    const bool directoryMode = (flags & kFindDirectories) != 0;
    if (directoryMode) {
        RemoveTrailingBackslash(m_text);
    }
    SetFileName(entry.cFileName);
    if (directoryMode) {
        AddTrailingBackslash(m_text);
    }
    return true;
}

bool CFilePath::HasSubdirectory() const {
    CFilePath pattern(*this);
    pattern.SetFileName("*.*");
    return pattern.FindFirst(kFindDirectories);
}

void CFilePath::FillFromFile(CFileStatusInfo& status) const {
    status = CFileStatusInfo();
    WIN32_FIND_DATAA data;
    if (!FindFileData(m_text, data)) {
        return;
    }
    status.modifyTime = SecondsSince1970(data.ftLastWriteTime);
    status.size = data.nFileSizeLow;
    status.attributes = static_cast<std::uint8_t>(data.dwFileAttributes & 0x7F);
}

void CFilePath::ApplyFileStatus(const CFileStatusInfo& status) const {
    const DWORD current = ::GetFileAttributesA(m_text.c_str());
    if (current == INVALID_FILE_ATTRIBUTES) {
        ThrowLastError(m_text);
    }
    // Only the bits a file can take are compared and set: a directory or device bit in a
    // damaged member must not make the whole extraction fail.
    const DWORD wanted = SettableAttributes(status.attributes);
    const bool differs =
        (current & CFileStatusInfo::kSettable) != (status.attributes & CFileStatusInfo::kSettable);
    const bool readOnlyNow = (current & FILE_ATTRIBUTE_READONLY) != 0;
    if (differs && readOnlyNow && !::SetFileAttributesA(m_text.c_str(), wanted)) {
        ThrowLastError(m_text);
    }
    if (status.modifyTime != 0) {
        CFileHandle file(::CreateFileA(m_text.c_str(), GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        const FILETIME modified = FileTimeFromSeconds(status.modifyTime);
        // No creation and access times: the file keeps the ones it has.
        if (!file.IsValid() || !::SetFileTime(file.Get(), nullptr, nullptr, &modified)) {
            ThrowLastError(m_text);
        }
    }
    if (differs && !readOnlyNow && !::SetFileAttributesA(m_text.c_str(), wanted)) {
        ThrowLastError(m_text);
    }
}
