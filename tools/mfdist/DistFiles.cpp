#include "DistFiles.h"

#include "support/FilePath.h"
#include "support/FileStatus.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace distfiles {

namespace {

bool IsSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

std::size_t LastSeparator(const std::string& path) {
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1]))
            return i - 1;
    return std::string::npos;
}

} // namespace

std::string Join(const std::string& dir, const std::string& name) {
    if (dir.empty())
        return name;
    if (IsSeparator(dir.back()))
        return dir + name;
#ifdef _WIN32
    return dir + "\\" + name;
#else
    return dir + "/" + name;
#endif
}

std::string FileName(const std::string& path) {
    std::size_t at = LastSeparator(path);
    return at == std::string::npos ? path : path.substr(at + 1);
}

std::string Parent(const std::string& path) {
    std::size_t at = LastSeparator(path);
    return at == std::string::npos ? std::string() : path.substr(0, at);
}

bool FileSize(const std::string& path, std::uint64_t& size) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return false;
    size = static_cast<std::uint64_t>(in.tellg());
    return true;
}

std::int64_t ModifyTime(const std::string& path) {
    return CFilePath(path).GetModifyTime();
}

bool SetModifyTime(const std::string& path, std::int64_t seconds) {
    CFilePath file(path);
    CFileStatusInfo status;
    file.FillFromFile(status);
    status.modifyTime = seconds;
    try {
        file.ApplyFileStatus(status);
    } catch (...) {
        return false;
    }
    return true;
}

bool CopyOneFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    if (!in || !out)
        return false;
    out << in.rdbuf();
    out.close();
    return static_cast<bool>(out);
}

bool RemoveTree(const std::string& path) {
    if (IsDirectory(path)) {
        for (const std::string& name : List(path, false))
            RemoveTree(Join(path, name));
#ifdef _WIN32
        return ::RemoveDirectoryA(path.c_str()) != 0;
#else
        return ::rmdir(path.c_str()) == 0;
#endif
    }
    return std::remove(path.c_str()) == 0;
}

bool MakeDirectories(const std::string& path) {
    if (path.empty() || IsDirectory(path))
        return true;
    std::string parent = Parent(path);
    if (!parent.empty() && parent != path && !MakeDirectories(parent))
        return false;
#ifdef _WIN32
    return ::CreateDirectoryA(path.c_str(), nullptr) != 0 || IsDirectory(path);
#else
    return ::mkdir(path.c_str(), 0777) == 0 || IsDirectory(path);
#endif
}

#ifdef _WIN32

std::string Absolute(const std::string& path) {
    char full[MAX_PATH * 2] = {};
    DWORD n = ::GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return n == 0 || n >= sizeof full ? path : std::string(full);
}

std::string TempDirectory() {
    char dir[MAX_PATH + 1] = {};
    DWORD n = ::GetTempPathA(sizeof dir, dir);
    return n == 0 || n > MAX_PATH ? std::string(".") : std::string(dir);
}

bool IsFile(const std::string& path) {
    DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsDirectory(const std::string& path) {
    DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<std::string> List(const std::string& dir, bool filesOnly) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = ::FindFirstFileA(Join(dir, "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = entry.cFileName;
        bool directory = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (name != "." && name != ".." && !(filesOnly && directory))
            names.push_back(name);
    } while (::FindNextFileA(search, &entry));
    ::FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

bool MoveOneFile(const std::string& from, const std::string& to) {
    return ::MoveFileA(from.c_str(), to.c_str()) != 0;
}

#else

std::string Absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/')
        return path;
    char* cwd = ::getcwd(nullptr, 0);
    std::string full = cwd != nullptr ? Join(cwd, path) : path;
    std::free(cwd);
    return full;
}

std::string TempDirectory() {
    const char* dir = std::getenv("TMPDIR");
    return dir != nullptr && *dir != '\0' ? std::string(dir) : std::string("/tmp");
}

bool IsFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> List(const std::string& dir, bool filesOnly) {
    std::vector<std::string> names;
    DIR* handle = ::opendir(dir.c_str());
    if (handle == nullptr)
        return names;
    while (dirent* entry = ::readdir(handle)) {
        std::string name = entry->d_name;
        if (name != "." && name != ".." && (!filesOnly || IsFile(Join(dir, name))))
            names.push_back(name);
    }
    ::closedir(handle);
    std::sort(names.begin(), names.end());
    return names;
}

bool MoveOneFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

#endif

} // namespace distfiles
