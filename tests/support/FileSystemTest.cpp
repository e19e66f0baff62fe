#include "support/FilePath.h"

#include "errors/Exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

namespace fs = std::filesystem;

// A fresh, empty directory for one test; its text ends with a separator.
std::string FreshDirectory(const std::string& name) {
    const fs::path dir = fs::current_path() / "fs-fixtures" / name;
    std::error_code ignored;
    fs::permissions(dir, fs::perms::all, ignored);
    for (const auto& entry : fs::recursive_directory_iterator(dir, ignored)) {
        fs::permissions(entry.path(), fs::perms::all, ignored);
    }
    fs::remove_all(dir, ignored);
    fs::create_directories(dir);
    return (dir / "").string();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

TEST(FileSystem, ExistsDeleteRename) {
    const std::string dir = FreshDirectory("exists");
    CFilePath file(dir + "a.txt");
    EXPECT_FALSE(file.Exists());
    EXPECT_FALSE(file.Delete());
    WriteFile(file, "abc");
    EXPECT_TRUE(file.Exists());
    EXPECT_FALSE(CFilePath(dir).Exists()) << "a directory is not a file";
    WriteFile(dir + "taken.txt", "x");
    EXPECT_FALSE(file.Rename(dir + "taken.txt")) << "an existing file is not replaced";
    EXPECT_TRUE(file.Rename(dir + "b.txt"));
    EXPECT_FALSE(file.Exists());
    CFilePath moved(dir + "b.txt");
    EXPECT_TRUE(moved.Exists());
    EXPECT_TRUE(moved.Delete());
    EXPECT_FALSE(moved.Exists());
}

TEST(FileSystem, FileStatusRoundTrip) {
    const std::string dir = FreshDirectory("status");
    const CFilePath file(dir + "member.bin");
    WriteFile(file, std::string(1234, 'm'));
    CFileStatusInfo status;
    status.modifyTime = 1000000000; // 2001-09-09 01:46:40 UTC
    status.attributes = 0x21;       // read-only, archive
    file.ApplyFileStatus(status);
    EXPECT_EQ(file.GetModifyTime(), 1000000000);
    CFileStatusInfo read;
    file.FillFromFile(read);
    EXPECT_EQ(read.modifyTime, 1000000000);
    EXPECT_EQ(read.size, 1234u);
    EXPECT_EQ(read.attributes & CFileStatusInfo::kReadOnly, CFileStatusInfo::kReadOnly);

    // A read-only file first loses the flag, then takes the new time.
    status.modifyTime = 1200000000;
    status.attributes = 0x20;
    file.ApplyFileStatus(status);
    file.FillFromFile(read);
    EXPECT_EQ(read.modifyTime, 1200000000);
    EXPECT_EQ(read.attributes & CFileStatusInfo::kReadOnly, 0);

    // Time 0 leaves the time alone.
    status.modifyTime = 0;
    file.ApplyFileStatus(status);
    EXPECT_EQ(file.GetModifyTime(), 1200000000);
}

TEST(FileSystem, MissingFileHasNoStatusAndCannotTakeOne) {
    const std::string dir = FreshDirectory("missing");
    const CFilePath missing(dir + "none.bin");
    CFileStatusInfo status;
    status.modifyTime = 5;
    status.size = 6;
    status.attributes = 7;
    missing.FillFromFile(status);
    EXPECT_EQ(status.modifyTime, 0);
    EXPECT_EQ(status.size, 0u);
    EXPECT_EQ(status.attributes, 0);
    EXPECT_EQ(missing.GetModifyTime(), 0);
    status.modifyTime = 1000000000;
    try {
        missing.ApplyFileStatus(status);
        ADD_FAILURE() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetCause(), CFileException::kFileNotFound);
        EXPECT_EQ(e.GetFileName(), missing.GetText());
    }
}

// A pattern names no file, even when a file matches it: its status would be another's.
TEST(FileSystem, PatternHasNoStatus) {
    const std::string dir = FreshDirectory("pattern");
    const CFilePath file(dir + "a1.bin");
    WriteFile(file, "abc");
    CFileStatusInfo stamp;
    stamp.modifyTime = 1000000000;
    stamp.attributes = 0x20;
    file.ApplyFileStatus(stamp);
    ASSERT_EQ(file.GetModifyTime(), 1000000000);
    for (const char* pattern : {"a?.bin", "*.bin"}) {
        SCOPED_TRACE(pattern);
        const CFilePath wild(dir + pattern);
        EXPECT_EQ(wild.GetModifyTime(), 0);
        CFileStatusInfo read;
        read.size = 9;
        wild.FillFromFile(read);
        EXPECT_EQ(read.modifyTime, 0);
        EXPECT_EQ(read.size, 0u);
    }
}

#ifdef _WIN32

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string CurrentDirectory() {
    char buffer[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, buffer);
    return buffer;
}

// Restores the current directory, which DirectoryExists changes on purpose.
class CurrentDirectoryGuard {
public:
    CurrentDirectoryGuard() : m_saved(CurrentDirectory()) {}
    ~CurrentDirectoryGuard() { ::SetCurrentDirectoryA(m_saved.c_str()); }

private:
    std::string m_saved;
};

TEST(FileSystemWin, FolderKinds) {
    EXPECT_EQ(Lower(CFilePath(CFilePath::pathWindowsDir).GetText()), "c:\\windows\\");
    EXPECT_EQ(Lower(CFilePath(CFilePath::pathSystemDir).GetText()), "c:\\windows\\system32\\");
    EXPECT_EQ(CFilePath(CFilePath::pathCurrentDir).GetText(), CurrentDirectory() + "\\");
    const CFilePath temp(CFilePath::pathTempDir);
    ASSERT_FALSE(temp.IsEmpty());
    EXPECT_EQ(temp.GetText().back(), '\\');
    EXPECT_TRUE(CFilePath(temp).DirectoryExists());
    EXPECT_TRUE(CFilePath(5).IsEmpty());
    EXPECT_TRUE(CFilePath(-1).IsEmpty());
}

TEST(FileSystemWin, ProgramDirectoryIsTheModuleDirectory) {
    CFilePath module;
    module.GetModulePath();
    EXPECT_EQ(Lower(module.GetFileName()), "support_tests.exe");
    const CFilePath programDir(CFilePath::pathProgramDir);
    EXPECT_EQ(programDir.GetText() + module.GetFileName(), module.GetText());
    EXPECT_EQ(programDir.GetText().back(), '\\');
}

TEST(FileSystemWin, DirectoryExistsChangesTheCurrentDirectory) {
    CurrentDirectoryGuard guard;
    const std::string dir = FreshDirectory("cwd");
    ASSERT_TRUE(CreateDirectoryA((dir + "SUB").c_str(), nullptr));
    EXPECT_TRUE(CFilePath(dir + "SUB\\file.txt").DirectoryExists());
    EXPECT_EQ(Lower(CurrentDirectory()), Lower(dir + "SUB"));
    EXPECT_FALSE(CFilePath(dir + "NONE\\").DirectoryExists());
    EXPECT_EQ(Lower(CurrentDirectory()), Lower(dir + "SUB"));
    EXPECT_FALSE(CFilePath("SUB\\").DirectoryExists()) << "no drive, no directory";
}

TEST(FileSystemWin, MakeDirectoryCreatesParents) {
    CurrentDirectoryGuard guard;
    const std::string dir = FreshDirectory("mkdir");
    CFilePath deep(dir + "A\\B\\C\\");
    EXPECT_FALSE(CFilePath(deep).MakeDirectory(false));
    EXPECT_TRUE(deep.MakeDirectory(true));
    EXPECT_TRUE(fs::is_directory(dir + "A\\B\\C"));
    EXPECT_TRUE(deep.MakeDirectory(true)) << "an existing directory counts as made";
    EXPECT_TRUE(deep.MakeDirectory(false));
    EXPECT_TRUE(CFilePath(dir + "A\\B\\C\\D").MakeDirectory(false)) << "no trailing backslash";
    EXPECT_TRUE(fs::is_directory(dir + "A\\B\\C\\D"));
}

TEST(FileSystemWin, MakeDirectoryFailsUnderAFile) {
    CurrentDirectoryGuard guard;
    const std::string dir = FreshDirectory("mkdir-file");
    WriteFile(dir + "F", "x");
    EXPECT_FALSE(CFilePath(dir + "F\\SUB\\").MakeDirectory(true));
    EXPECT_FALSE(CFilePath(dir + "F\\").MakeDirectory(true));
    try {
        CFilePath(dir + "NONE\\SUB\\").MakeDirectoryOrThrow(false);
        ADD_FAILURE() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetOsError(), ERROR_PATH_NOT_FOUND);
        EXPECT_EQ(e.GetCause(), CFileException::kBadPath);
        EXPECT_EQ(e.GetFileName(), dir + "NONE\\SUB\\");
    }
    EXPECT_NO_THROW(CFilePath(dir + "NONE\\SUB\\").MakeDirectoryOrThrow(true));
}

TEST(FileSystemWin, RemoveDirectory) {
    CurrentDirectoryGuard guard;
    const std::string dir = FreshDirectory("rmdir");
    CFilePath sub(dir + "SUB\\");
    ASSERT_TRUE(sub.MakeDirectory(false));
    WriteFile(dir + "SUB\\f", "x");
    EXPECT_FALSE(sub.RemoveDirectory()) << "not empty";
    ASSERT_TRUE(CFilePath(dir + "SUB\\f").Delete());
    EXPECT_TRUE(sub.RemoveDirectory());
    EXPECT_FALSE(fs::exists(dir + "SUB"));
}

TEST(FileSystemWin, FindFirstInDirectoryModeSkipsDotEntries) {
    const std::string dir = FreshDirectory("find");
    WriteFile(dir + "file.txt", "x");
    ASSERT_TRUE(CreateDirectoryA((dir + ".hidden").c_str(), nullptr));
    CFilePath pattern(dir + "*.*");
    EXPECT_FALSE(pattern.FindFirst(CFilePath::kFindDirectories));
    EXPECT_EQ(pattern.GetText(), dir + "*.*") << "unchanged when nothing matches";
    EXPECT_FALSE(CFilePath(dir).HasSubdirectory());
    ASSERT_TRUE(CreateDirectoryA((dir + "SUB").c_str(), nullptr));
    EXPECT_TRUE(pattern.FindFirst(CFilePath::kFindDirectories));
    EXPECT_EQ(pattern.GetText(), dir + "SUB\\");
    EXPECT_TRUE(CFilePath(dir + "anything.txt").HasSubdirectory());
}

TEST(FileSystemWin, FindFirstForFiles) {
    const std::string dir = FreshDirectory("findfiles");
    ASSERT_TRUE(CreateDirectoryA((dir + "ONLY.DIR").c_str(), nullptr));
    CFilePath dirsOnly(dir + "*.DIR");
    EXPECT_FALSE(dirsOnly.FindFirst(0));
    WriteFile(dir + "data.bin", "x");
    CFilePath any(dir + "*.*");
    EXPECT_TRUE(any.FindFirst(0));
    EXPECT_EQ(any.GetText(), dir + "data.bin");
    // Attribute flags: a read-only search finds only read-only files.
    CFilePath readOnly(dir + "*.*");
    EXPECT_FALSE(readOnly.FindFirst(FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesA((dir + "data.bin").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(readOnly.FindFirst(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(readOnly.GetText(), dir + "data.bin");
    SetFileAttributesA((dir + "data.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FileSystemWin, SearchesCloseWithTheirPath) {
    const std::string dir = FreshDirectory("findclose");
    ASSERT_TRUE(CreateDirectoryA((dir + "SUB").c_str(), nullptr));
    {
        CFilePath pattern(dir + "*.*");
        ASSERT_TRUE(pattern.FindFirst(CFilePath::kFindDirectories));
        CFilePath copy(pattern); // carries no search
        EXPECT_EQ(copy.GetText(), pattern.GetText());
    }
    // With every search closed the directory can go.
    EXPECT_TRUE(RemoveDirectoryA((dir + "SUB").c_str()));
}

TEST(FileSystemWin, MakeUniqueNameFindsAFreeHexName) {
    const std::string dir = FreshDirectory("unique");
    CFilePath name(dir + "X.TMP");
    ASSERT_TRUE(name.MakeUniqueName(true, 1000));
    const std::string title = name.GetFileTitle();
    ASSERT_EQ(title.size(), 8u);
    EXPECT_EQ(title.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(name.GetText(), dir + title + ".TMP");
    EXPECT_FALSE(name.Exists());
    WriteFile(name, "taken");
    CFilePath second(name);
    ASSERT_TRUE(second.MakeUniqueName(true, 1000));
    EXPECT_NE(second.GetText(), name.GetText());
    CFilePath none(dir + "Y.TMP");
    EXPECT_FALSE(none.MakeUniqueName(true, 0));
    EXPECT_EQ(none.GetText(), dir + "Y.TMP");
    CFilePath once(dir + "Z.TMP");
    EXPECT_TRUE(once.MakeUniqueName(false, 1));
    EXPECT_NE(once.GetText(), dir + "Z.TMP");
}

TEST(FileSystemWin, AttributeBitsAFileCannotTakeAreIgnored) {
    const std::string dir = FreshDirectory("attrs");
    const CFilePath file(dir + "f.bin");
    WriteFile(file, "x");
    CFileStatusInfo status;
    status.attributes = 0x30; // directory bit from a damaged member, plus archive
    EXPECT_NO_THROW(file.ApplyFileStatus(status));
    CFileStatusInfo read;
    file.FillFromFile(read);
    EXPECT_EQ(read.attributes & CFileStatusInfo::kDirectory, 0);
}

#else

TEST(FileSystemPosix, ReadOnlyComesFromTheMode) {
    const std::string dir = FreshDirectory("mode");
    const CFilePath file(dir + "f.bin");
    WriteFile(file, "x");
    fs::permissions(file.GetText(), fs::perms::owner_read | fs::perms::group_read);
    CFileStatusInfo read;
    file.FillFromFile(read);
    EXPECT_EQ(read.attributes, CFileStatusInfo::kReadOnly);
    CFileStatusInfo dirStatus;
    CFilePath(dir).FillFromFile(dirStatus);
    EXPECT_EQ(dirStatus.attributes, CFileStatusInfo::kDirectory);
    CFileStatusInfo writable;
    writable.attributes = 0x20;
    file.ApplyFileStatus(writable);
    EXPECT_NE(fs::status(file.GetText()).permissions() & fs::perms::owner_write, fs::perms::none);
}

#endif

} // namespace
