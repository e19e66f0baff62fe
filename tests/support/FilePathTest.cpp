#include "support/FilePath.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct SplitCase {
    const char* path;
    const char* drive;
    const char* dir;
    const char* title;
    const char* ext;
    const char* fileName;
    const char* driveDir;
};

TEST(FilePath, TakingApart) {
    const SplitCase cases[] = {
        {"C:\\APP\\SETUP.EXE", "C", "\\APP", "SETUP", "EXE", "SETUP.EXE", "C:\\APP"},
        {"C:\\APP.V2\\README", "C", "\\APP.V2", "README", "", "README", "C:\\APP.V2"},
        {"C:\\SETUP.EXE", "C", "\\", "SETUP", "EXE", "SETUP.EXE", "C:\\"},
        {"SETUP.EXE", "", "", "SETUP", "EXE", "SETUP.EXE", ""},
        {"C:\\APP\\", "C", "\\APP", "", "", "", "C:\\APP"},
        {"C:\\", "C", "\\", "", "", "", "C:\\"},
        {"\\", "", "\\", "", "", "", ""},
        {"", "", "", "", "", "", ""},
        {"C:", "C", "", "", "", "", "C:"},
        {"C:X.TXT", "C", "", "X", "TXT", "X.TXT", "C:"},
        {"a/b/c.tar.gz", "", "a/b/", "c.tar", "gz", "c.tar.gz", ""},
        {"C:\\DIR/SUB\\F.", "C", "\\DIR/SUB", "F", "", "F", "C:\\DIR/SUB"},
        {"C:\\APP\\.profile", "C", "\\APP", "", "profile", ".profile", "C:\\APP"},
        {"\\\\SERVER\\SHARE\\F.TXT", "", "\\\\SERVER\\SHARE", "F", "TXT", "F.TXT", ""},
    };
    for (const SplitCase& c : cases) {
        const CFilePath path(c.path);
        EXPECT_EQ(path.GetDrive(), c.drive) << c.path;
        EXPECT_EQ(path.GetDirectory(), c.dir) << c.path;
        EXPECT_EQ(path.GetFileTitle(), c.title) << c.path;
        EXPECT_EQ(path.GetExtension(), c.ext) << c.path;
        EXPECT_EQ(path.GetFileName(), c.fileName) << c.path;
        EXPECT_EQ(path.GetDriveDirectory(), c.driveDir) << c.path;
        std::string out = "x";
        path.GetDirectory(out);
        EXPECT_EQ(out, c.dir) << c.path;
    }
}

enum class Op { Drive, Dir, DriveDir, Title, Ext, Name, Append };

struct SetCase {
    const char* path;
    Op op;
    const char* arg;
    const char* expected;
};

void Apply(CFilePath& path, Op op, const std::string& arg) {
    switch (op) {
    case Op::Drive:
        path.SetDrive(arg);
        break;
    case Op::Dir:
        path.SetDirectory(arg);
        break;
    case Op::DriveDir:
        path.SetDriveDirectory(arg);
        break;
    case Op::Title:
        path.SetFileTitle(arg);
        break;
    case Op::Ext:
        path.SetExtension(arg);
        break;
    case Op::Name:
        path.SetFileName(arg);
        break;
    case Op::Append:
        path.AppendDirectory(arg);
        break;
    }
}

TEST(FilePath, Setters) {
    const SetCase cases[] = {
        {"C:\\APP\\SETUP.EXE", Op::Drive, "D", "D:\\APP\\SETUP.EXE"},
        {"C:\\APP\\SETUP.EXE", Op::Drive, "Dxyz", "D:\\APP\\SETUP.EXE"},
        {"\\APP\\SETUP.EXE", Op::Drive, "A", "A:\\APP\\SETUP.EXE"},
        {"C:\\APP\\SETUP.EXE", Op::Drive, "", "\\APP\\SETUP.EXE"},
        {"C:\\APP\\SETUP.EXE", Op::Dir, "NEW", "C:\\NEW\\SETUP.EXE"},
        {"C:\\APP\\SETUP.EXE", Op::Dir, "\\A\\B\\", "C:\\A\\B\\SETUP.EXE"},
        {"C:\\APP\\SETUP.EXE", Op::Dir, "", "C:\\SETUP.EXE"},
        {"SETUP.EXE", Op::Dir, "X", "\\X\\SETUP.EXE"},
        {"A:\\SETUP.EXE", Op::DriveDir, "C:\\SRC", "C:\\SRC\\SETUP.EXE"},
        {"A:\\SETUP.EXE", Op::DriveDir, "C:\\SRC\\", "C:\\SRC\\SETUP.EXE"},
        {"A:\\X\\SETUP.EXE", Op::DriveDir, "SUB", "SUB\\SETUP.EXE"},
        {"A:\\X\\", Op::DriveDir, "C:\\", "C:\\"},
        {"C:\\APP\\SETUP.EXE", Op::Title, "INSTALL", "C:\\APP\\INSTALL.EXE"},
        {"C:\\APP\\", Op::Title, "1a2b3c4d", "C:\\APP\\1a2b3c4d"},
        {"C:\\APP\\SETUP.EXE", Op::Ext, "ini", "C:\\APP\\SETUP.ini"},
        {"C:\\APP\\SETUP.EXE", Op::Ext, ".ini", "C:\\APP\\SETUP.ini"},
        {"C:\\APP\\SETUP.EXE", Op::Ext, "", "C:\\APP\\SETUP"},
        {"C:\\APP.V2\\README", Op::Ext, "TXT", "C:\\APP.V2\\README.TXT"},
        {"C:\\APP\\SETUP.EXE", Op::Name, "", "C:\\APP\\"},
        {"C:\\APP\\SETUP.EXE", Op::Name, "install.log", "C:\\APP\\install.log"},
        {"C:\\APP\\", Op::Name, "*.*", "C:\\APP\\*.*"},
        {"C:\\APP\\", Op::Append, "\\BIN", "C:\\APP\\BIN\\"},
        {"C:\\APP\\", Op::Append, "BIN\\", "C:\\APP\\BIN\\"},
        {"C:\\APP\\", Op::Append, "", "C:\\APP\\"},
        {"C:\\APP\\X.EXE", Op::Append, "A\\B", "C:\\APP\\A\\B\\X.EXE"},
        {"C:\\", Op::Append, "BIN", "C:\\BIN\\"},
        {"C:X.EXE", Op::Append, "BIN", "C:\\BIN\\X.EXE"},
    };
    for (const SetCase& c : cases) {
        CFilePath path(c.path);
        Apply(path, c.op, c.arg);
        EXPECT_EQ(path.GetText(), c.expected) << c.path << " <- " << c.arg;
    }
}

struct RemoveCase {
    const char* path;
    const char* expected;
    const char* removed; // nullptr: removed is left alone
};

TEST(FilePath, RemoveLastDirectory) {
    const RemoveCase cases[] = {
        {"C:\\APP\\BIN\\X.EXE", "C:\\APP\\X.EXE", "BIN"},
        {"C:\\APP\\", "C:\\", "APP"},
        {"C:\\", "C:\\", "\\"},
        {"C:\\X.EXE", "C:\\X.EXE", "\\"},
        {"X.EXE", "X.EXE", nullptr},
        {"", "", nullptr},
        {"APP\\X.EXE", "X.EXE", "APP"},
        {"C:APP\\X.EXE", "C:X.EXE", "APP"},
        {"C:\\A\\B\\C\\", "C:\\A\\B\\", "C"},
    };
    for (const RemoveCase& c : cases) {
        CFilePath path(c.path);
        std::string removed = "untouched";
        path.RemoveLastDirectory(removed);
        EXPECT_EQ(path.GetText(), c.expected) << c.path;
        EXPECT_EQ(removed, c.removed != nullptr ? c.removed : "untouched") << c.path;
        CFilePath again(c.path);
        again.RemoveLastDirectory();
        EXPECT_EQ(again.GetText(), c.expected) << c.path;
    }
}

TEST(FilePath, MakeRootAndEmpty) {
    CFilePath path("C:\\APP\\BIN\\X.EXE");
    path.MakeRoot();
    EXPECT_EQ(path.GetText(), "C:\\");
    path.Empty();
    EXPECT_TRUE(path.IsEmpty());
    path = "D:\\A\\";
    path.MakeRoot();
    EXPECT_EQ(path.GetText(), "D:\\");
}

TEST(FilePath, CopiesCarryText) {
    CFilePath original("C:\\APP\\SETUP.EXE");
    CFilePath copy(original);
    copy.SetExtension("ini");
    EXPECT_EQ(original.GetText(), "C:\\APP\\SETUP.EXE");
    EXPECT_EQ(copy.GetText(), "C:\\APP\\SETUP.ini");
    copy = original;
    EXPECT_EQ(copy.GetText(), original.GetText());
    const CFilePath& self = copy;
    copy = self;
    EXPECT_EQ(copy.GetText(), "C:\\APP\\SETUP.EXE");
    copy = std::string("A:\\");
    EXPECT_EQ(copy.GetText(), "A:\\");
    copy = static_cast<const char*>(nullptr);
    EXPECT_TRUE(copy.IsEmpty());
    const std::string& asString = original;
    EXPECT_EQ(asString, "C:\\APP\\SETUP.EXE");
}

TEST(FilePath, OverLongPathsStayWhole) {
    const std::string longDir(300, 'D');
    CFilePath path("C:\\APP\\SETUP.EXE");
    EXPECT_FALSE(path.IsTooLong());
    path.AppendDirectory(longDir);
    EXPECT_TRUE(path.IsTooLong());
    EXPECT_EQ(path.GetText(), "C:\\APP\\" + longDir + "\\SETUP.EXE");
    EXPECT_EQ(path.GetFileName(), "SETUP.EXE");
    path.RemoveLastDirectory();
    EXPECT_EQ(path.GetText(), "C:\\APP\\SETUP.EXE");
    CFilePath exact("C:\\" + std::string(kMaxPathLength - 3, 'x'));
    EXPECT_FALSE(exact.IsTooLong());
    exact.SetExtension("y");
    EXPECT_TRUE(exact.IsTooLong());
}

} // namespace
