#include "engine/RemovalPlatformWin32.h"

#include <windows.h>

#include "engine/RegistryEntries.h"

bool CWin32RemovalFiles::DeleteLoggedFile(const CFilePath& path) {
    const DWORD attributes = ::GetFileAttributesA(path.GetText().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        ::SetFileAttributesA(path.GetText().c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if (::DeleteFileA(path.GetText().c_str()) != 0) {
        return true;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        // Not deleted (in use): it keeps the attributes it had.
        ::SetFileAttributesA(path.GetText().c_str(), attributes);
    }
    return false;
}

std::uint32_t CWin32RemovalFiles::ReleaseSharedCount(const CFilePath& path) {
    CSharedDllCount count(path);
    const std::uint32_t before = count.GetCount();
    count.Release();
    return before;
}

bool CWin32RemovalFiles::RemoveEmptyDirectory(const CFilePath& directory) {
    return directory.RemoveDirectory();
}

bool CWin32RemovalFiles::IsSameFile(const CFilePath& a, const CFilePath& b) {
    if (CRemovalPlatform::IsSameFile(a, b)) {
        return true;
    }
    char shortA[MAX_PATH + 1] = {};
    char shortB[MAX_PATH + 1] = {};
    const DWORD lengthA = ::GetShortPathNameA(a.GetText().c_str(), shortA, MAX_PATH);
    const DWORD lengthB = ::GetShortPathNameA(b.GetText().c_str(), shortB, MAX_PATH);
    return lengthA > 0 && lengthA <= MAX_PATH && lengthB > 0 && lengthB <= MAX_PATH &&
           ::lstrcmpiA(shortA, shortB) == 0;
}
