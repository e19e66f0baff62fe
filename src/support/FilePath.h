// CFilePath: one Windows path (drive, directory, title, extension) with component getters
// and setters, plus the state of one directory search.
//
// Taking a path apart: a ':' as second character makes the first character the drive; the
// last '\' or '/' of the rest ends the directory; the last '.' after it starts the extension.
// Getters return the drive without colon, the directory without its trailing backslash (a
// lone "\" stays), the extension without its dot. Every setter takes the path apart, replaces
// the components it names and composes the text again. A path that names a directory has an
// empty title and extension, so its text ends with a backslash (C:\APP\).
//
// Length: the platform accepts at most kMaxPathLength characters. Paths are never cut to
// that limit, since a cut path names a different file and an operation on it (delete,
// overwrite) would hit the wrong one. An over-long path stays whole, IsTooLong() tells, and
// the platform refuses it, so the disk operations report failure.
//
// Copying or assigning copies only the text; the copy has no search open.
//
// The disk operations report failure by their results (false, 0, an unchanged path) and keep
// no error, except MakeDirectoryOrThrow and ApplyFileStatus, which throw CFileException.
// All of them exist on Windows; natively (POSIX paths) Exists, Delete, Rename, GetModifyTime,
// FillFromFile and ApplyFileStatus exist, for the command-line tools.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "support/FileStatus.h"
#include "support/Handle.h"

constexpr std::size_t kMaxPathLength = 259;

class CFilePath {
public:
    // Folder kinds for the constructor from a number; any other number gives an empty path.
    enum FolderKind : int {
        pathCurrentDir = 0, // the process's current directory
        pathWindowsDir = 1, // GetWindowsDirectory
        pathSystemDir = 2,  // GetSystemDirectory
        pathProgramDir = 3, // the directory of the running program
        pathTempDir = 4,    // GetTempPath
    };
    // Search flag of FindFirst: look for directories instead of files.
    static constexpr std::uint32_t kFindDirectories = 0x10;

    CFilePath() = default;
    CFilePath(const std::string& text) : m_text(text) {}
    CFilePath(const char* text) : m_text(text != nullptr ? text : "") {}
    CFilePath(const CFilePath& other) : m_text(other.m_text) {}
    CFilePath& operator=(const CFilePath& other);
    CFilePath& operator=(const std::string& text);
    CFilePath& operator=(const char* text);
    ~CFilePath() = default;

    // The path text, for platform calls and string work.
    const std::string& GetText() const { return m_text; }
    operator const std::string&() const { return m_text; }
    const char* c_str() const { return m_text.c_str(); }
    bool IsEmpty() const { return m_text.empty(); }
    bool IsTooLong() const { return m_text.size() > kMaxPathLength; }
    void Empty() { m_text.clear(); }

    // Drive letter without colon, or "".
    std::string GetDrive() const;
    // Directory with leading backslash, without trailing one ("\APP\SUB"; "\" at the root).
    std::string GetDirectory() const;
    // Drive letter, ':' and directory ("C:\APP"); "" when the path has no drive.
    std::string GetDriveDirectory() const;
    // Title, then '.' and extension when there is one ("SETUP.EXE", "README").
    std::string GetFileName() const;
    std::string GetFileTitle() const;
    std::string GetExtension() const;
    void GetDrive(std::string& out) const { out = GetDrive(); }
    void GetDirectory(std::string& out) const { out = GetDirectory(); }
    void GetDriveDirectory(std::string& out) const { out = GetDriveDirectory(); }
    void GetFileName(std::string& out) const { out = GetFileName(); }

    // Drive replaced by the first character of letter ("" removes the drive).
    void SetDrive(const std::string& letter);
    // Directory replaced by dir with leading and trailing backslash added ("" gives "\").
    void SetDirectory(const std::string& dir);
    // Drive and directory replaced by dirPath (which carries its own drive).
    void SetDriveDirectory(const std::string& dirPath);
    void SetFileTitle(const std::string& title);
    // "ini" and ".ini" give the same result; "" removes the extension.
    void SetExtension(const std::string& ext);
    // Title replaced by name, extension dropped; "" turns a file path into its directory.
    void SetFileName(const std::string& name);
    // Adds one directory level after the current directory; "" changes nothing.
    void AppendDirectory(const std::string& name);
    // The directory loses its last component; removed (if given) receives its name.
    void RemoveLastDirectory(std::string* removed = nullptr);
    void RemoveLastDirectory(std::string& removed) { RemoveLastDirectory(&removed); }
    // The root directory of the path's drive (C:\).
    void MakeRoot();

    // True when the path names an existing file (a directory does not count).
    bool Exists() const;
    bool Delete() const;
    // Renames or moves the file; fails when newPath exists.
    bool Rename(const std::string& newPath) const;
    // Last-write time in seconds since 1970; 0 when the file cannot be examined.
    std::int64_t GetModifyTime() const;
    // The file's time, size and attributes; all three 0 when it cannot be examined.
    void FillFromFile(CFileStatusInfo& status) const;
    // Gives the file the status's modification time (unless 0) and attributes; a read-only
    // file takes its new attributes before its new time. Throws CFileException on failure.
    void ApplyFileStatus(const CFileStatusInfo& status) const;

#ifdef _WIN32
    // A directory path (ending in a backslash) of the given FolderKind.
    explicit CFilePath(int folderKind);
    // The path becomes the running program's full file path.
    void GetModulePath();
    // Changes the current directory to GetDriveDirectory(); true when that worked. The
    // current directory stays changed.
    bool DirectoryExists() const;
    // Removes the (empty) directory GetDriveDirectory().
    bool RemoveDirectory() const;
    // Creates the directory the path names, with its missing parents if asked. True when it
    // exists afterwards.
    bool MakeDirectory(bool withParents);
    // MakeDirectory; throws CFileException with the error of the failed creation.
    void MakeDirectoryOrThrow(bool withParents);
    // Sets the title to RandomHexString(8) until the name is free (with retry, at most tries
    // attempts) or once (without). False when no attempt was made or every name was taken.
    bool MakeUniqueName(bool retry, int tries);
    // Searches with the path as pattern for the first entry that matches flags (0: a file;
    // with kFindDirectories: a directory whose name does not begin with '.'); the path then
    // names that entry (a directory with a trailing backslash). The search stays open until
    // the path object goes.
    bool FindFirst(std::uint32_t flags);
    // True when the directory the path names has a subdirectory (not '.' entries).
    bool HasSubdirectory() const;
#endif

private:
    struct Parts {
        std::string drive; // without colon
        std::string dir;   // trailing backslash removed unless lone
        std::string title;
        std::string ext; // without dot
    };
    Parts Split() const;
    void Compose(const Parts& parts);

    std::string m_text;
#ifdef _WIN32
    // MakeDirectory, giving the error of the creation that failed.
    bool MakeDirectoryWithError(bool withParents, unsigned long& error);
    bool TakeMatchingEntry(WIN32_FIND_DATAA& entry);

    std::uint32_t m_searchFlags = 0;
    CFindHandle m_search;
#endif
};
