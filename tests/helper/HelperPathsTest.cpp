// The removal helper's rules over texts: its command line, the profile path it accepts and
// the paths it derives, the install log's destination record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "helper/HelperPaths.h"

namespace {

HelperRefusal ReadLine(const char* line, std::string& profile) {
    char buffer[kHelperMaxPath] = {};
    const HelperRefusal result = ReadHelperCommandLine(line, buffer, sizeof buffer);
    profile = buffer;
    return result;
}

} // namespace

TEST(HelperPathsTest, ReadsTheProfileOptionToTheEndOfTheLine) {
    const struct {
        const char* line;
        HelperRefusal result;
        const char* profile;
    } cases[] = {
        {"C:\\WINDOWS\\SYSTEM\\_xktinst.exe /U /PP:C:\\APP\\SETUP.ini", HelperRefusal::kNone,
         "C:\\APP\\SETUP.ini"},
        // A blank in the path (the setup program does not quote it), a quoted program name,
        // a quoted value and trailing blanks.
        {"\"C:\\Win Dir\\_xktinst.exe\" /U /PP:C:\\Program Files\\App\\SETUP.ini  ",
         HelperRefusal::kNone, "C:\\Program Files\\App\\SETUP.ini"},
        {"_xktinst.exe /U /PP:\"C:\\My App\\SETUP.ini\"", HelperRefusal::kNone,
         "C:\\My App\\SETUP.ini"},
        // The program's own name is not an option, even when it looks like one.
        {"/U /PP:C:\\APP\\SETUP.ini", HelperRefusal::kNoRemovalOption, ""},
        {"_xktinst.exe /PP:C:\\APP\\SETUP.ini /U", HelperRefusal::kNoRemovalOption, ""},
        {"_xktinst.exe /U", HelperRefusal::kNoProfileOption, ""},
        {"_xktinst.exe /U /PP:   ", HelperRefusal::kNoProfileOption, ""},
        {"_xktinst.exe /u /PP:C:\\APP\\SETUP.ini", HelperRefusal::kNoRemovalOption, ""},
        {"", HelperRefusal::kNoRemovalOption, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::string profile;
        EXPECT_EQ(ReadLine(c.line, profile), c.result);
        if (c.result == HelperRefusal::kNone) {
            EXPECT_EQ(profile, c.profile);
        }
    }
    // A value that does not fit the buffer is refused, not cut.
    const std::string longLine = "h /U /PP:C:\\" + std::string(kHelperMaxPath, 'A') + ".ini";
    std::string profile;
    EXPECT_EQ(ReadLine(longLine.c_str(), profile), HelperRefusal::kTooLong);
}

TEST(HelperPathsTest, AcceptsOnlyAProfileInADirectoryBelowARoot) {
    const struct {
        const char* profile;
        HelperRefusal result;
    } cases[] = {
        {"C:\\APP\\SETUP.ini", HelperRefusal::kNone},
        {"\\\\SERVER\\SHARE\\APP\\SETUP.INI", HelperRefusal::kNone},
        {"APP\\SETUP.ini", HelperRefusal::kNotFullPath},
        {"\\APP\\SETUP.ini", HelperRefusal::kNotFullPath},
        {"C:SETUP.ini", HelperRefusal::kNotFullPath},
        {"C:\\APP\\..\\WINDOWS\\WIN.ini", HelperRefusal::kBadCharacters},
        {"C:\\APP\\*.ini", HelperRefusal::kBadCharacters},
        {"C:\\APP/SUB\\SETUP.ini", HelperRefusal::kBadCharacters},
        {"C:\\APP\\SETUP.ini:stream", HelperRefusal::kBadCharacters},
        {"C:\\APP\\SETUP.EXE", HelperRefusal::kNotProfileName},
        {"C:\\APP\\.ini", HelperRefusal::kNotProfileName},
        {"C:\\APP\\", HelperRefusal::kNotProfileName},
        {"C:\\SETUP.ini", HelperRefusal::kDriveRoot},
        {"\\\\SERVER\\SHARE\\SETUP.ini", HelperRefusal::kDriveRoot},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.profile);
        HelperPaths paths{};
        EXPECT_EQ(MakeHelperPaths(c.profile, paths), c.result);
        EXPECT_STRNE(HelperRefusalText(c.result), "");
    }
    HelperPaths paths{};
    ASSERT_EQ(MakeHelperPaths("C:\\My App\\Setup.Ini", paths), HelperRefusal::kNone);
    EXPECT_STREQ(paths.directory, "C:\\My App\\");
    EXPECT_STREQ(paths.profile, "C:\\My App\\Setup.Ini");
    EXPECT_STREQ(paths.program, "C:\\My App\\Setup.exe");
    EXPECT_STREQ(paths.log, "C:\\My App\\install.log");
    // The log's name must fit as well as the profile's.
    const std::string deep = "C:\\" + std::string(kHelperMaxPath - 16, 'D') + "\\S.ini";
    EXPECT_EQ(MakeHelperPaths(deep.c_str(), paths), HelperRefusal::kTooLong);
}

TEST(HelperPathsTest, ReadsTheLogsApplicationDirectoryAndComparesDirectories) {
    char resolved[kHelperMaxPath] = {};
    ASSERT_TRUE(ResolvedPathOfRecord("APP|-1|C:\\APP\\", resolved, sizeof resolved));
    EXPECT_STREQ(resolved, "C:\\APP\\");
    ASSERT_TRUE(ResolvedPathOfRecord("||C:\\X\\|extra", resolved, sizeof resolved));
    EXPECT_STREQ(resolved, "C:\\X\\");
    EXPECT_FALSE(ResolvedPathOfRecord("APP|-1", resolved, sizeof resolved));
    EXPECT_FALSE(ResolvedPathOfRecord("", resolved, sizeof resolved));
    char tiny[4] = {};
    EXPECT_FALSE(ResolvedPathOfRecord("a|b|C:\\LONG\\", tiny, sizeof tiny));

    EXPECT_TRUE(SameDirectoryText("C:\\APP\\", "c:\\app"));
    EXPECT_TRUE(SameDirectoryText("C:\\APP", "C:\\APP"));
    EXPECT_FALSE(SameDirectoryText("C:\\APP\\", "C:\\APP2\\"));
    EXPECT_FALSE(SameDirectoryText("C:\\APP\\SUB\\", "C:\\APP\\"));
    EXPECT_FALSE(SameDirectoryText("", ""));
}

TEST(HelperPathsTest, AddsADeletionToWininit) {
    const struct {
        const char* before;
        const char* after;
    } cases[] = {
        {"", "[rename]\r\nNUL=C:\\APP~1\\SETUP.EXE\r\n"},
        {"[other]\r\nx=1", "[other]\r\nx=1\r\n[rename]\r\nNUL=C:\\APP~1\\SETUP.EXE\r\n"},
        // The new line comes first in the present section; the rest stays as it was.
        {"[Rename]\r\nNUL=C:\\OLD.TXT\r\n[x]\r\n",
         "[Rename]\r\nNUL=C:\\APP~1\\SETUP.EXE\r\nNUL=C:\\OLD.TXT\r\n[x]\r\n"},
        {"a=b\n[rename]", "a=b\n[rename]\r\nNUL=C:\\APP~1\\SETUP.EXE\r\n"},
        // A header must start its line.
        {"x[rename]\r\n", "x[rename]\r\n[rename]\r\nNUL=C:\\APP~1\\SETUP.EXE\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        char out[256] = {};
        const std::size_t length = AddWininitDeletion(c.before, std::strlen(c.before),
                                                      "C:\\APP~1\\SETUP.EXE", out, sizeof out);
        EXPECT_EQ(std::string(out, length), c.after);
    }
    char tiny[16] = {};
    EXPECT_EQ(AddWininitDeletion("", 0, "C:\\APP~1\\SETUP.EXE", tiny, sizeof tiny), 0u);
}
