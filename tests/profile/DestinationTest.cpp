#include <gtest/gtest.h>

#include "ProfileTestUtil.h"
#include "errors/Exceptions.h"
#include "profile/DestinationRecord.h"

namespace {

std::string PathText(const DestinationMap& map, std::int16_t id) {
    const DestinationRecord* record = map.Find(id);
    return record == nullptr ? "<none>" : record->resolvedPath.GetText();
}

// Loads a "destinations" section from text and returns the exception cause it raised, -1 if
// none.
int LoadCause(DestinationMap& map, const std::string& name, const std::string& section) {
    CScratchFile file(name, section);
    try {
        map.Load(file.Path());
    } catch (const CInstallProfileException& e) {
        return e.GetCause();
    }
    return -1;
}

int ResolveCause(DestinationMap& map) {
    try {
        map.ResolveAll();
    } catch (const CInstallProfileException& e) {
        return e.GetCause();
    }
    return -1;
}

} // namespace

TEST(Destinations, PredefinedFollowTheMachine) {
    struct Case {
        int version;
        const char* common;
        const char* fonts;
        const char* commonRoot;
        const char* commonDir;
    };
    const Case cases[] = {
        {4, "", "C:\\WIN\\Fonts\\", "D:\\", "D:\\WIN\\SYS\\"},
        {3, "", "D:\\WIN\\SYS\\", "D:\\", "D:\\WIN\\SYS\\"},
        {6, "E:\\Common Files", "C:\\WIN\\Fonts\\", "E:\\Common Files\\", "E:\\Common Files\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        const CFixedSystemFolders machine("C:\\WIN", "D:\\WIN\\SYS", "C:\\TMP\\", c.version,
                                          c.common);
        const DestinationMap map(machine);
        EXPECT_EQ(map.Size(), 7u);
        EXPECT_EQ(PathText(map, kDestWindows), "C:\\WIN\\");
        EXPECT_EQ(PathText(map, kDestSystem), "D:\\WIN\\SYS\\");
        EXPECT_EQ(PathText(map, kDestTemp), "C:\\TMP\\");
        EXPECT_EQ(PathText(map, kDestHelp), "C:\\WIN\\help\\");
        EXPECT_EQ(PathText(map, kDestFonts), c.fonts);
        EXPECT_EQ(PathText(map, kDestCommonFilesRoot), c.commonRoot);
        EXPECT_EQ(PathText(map, kDestCommonFiles), c.commonDir);
        for (const auto& entry : map.Records()) {
            EXPECT_EQ(entry.second.parentId, kDestNotInstalled);
        }
    }
}

TEST(Destinations, ChildBeforeParentChainResolves) {
    DestinationMap map(TestMachine());
    ASSERT_EQ(LoadCause(map, "dest_chain.ini",
                        "[destinations]\n2=SUB|1|\n1=DATA|0|\n0=|-1|\n4=\\DEEP\\ER\\|2|\n"),
              -1);
    EXPECT_EQ(map.Find(2)->parentId, 1);
    EXPECT_EQ(map.Find(2)->relativePath, "SUB");
    EXPECT_TRUE(map.Find(2)->resolvedPath.IsEmpty());

    map.SetResolvedPath(0, CFilePath("C:\\APP"));
    ASSERT_EQ(ResolveCause(map), -1);
    EXPECT_EQ(PathText(map, 0), "C:\\APP\\");
    EXPECT_EQ(PathText(map, 1), "C:\\APP\\DATA\\");
    EXPECT_EQ(PathText(map, 2), "C:\\APP\\DATA\\SUB\\");
    EXPECT_EQ(PathText(map, 4), "C:\\APP\\DATA\\SUB\\DEEP\\ER\\");

    // Resolved records keep their path when destination 0 changes later.
    map.SetResolvedPath(0, CFilePath("D:\\OTHER\\"));
    ASSERT_EQ(ResolveCause(map), -1);
    EXPECT_EQ(PathText(map, 2), "C:\\APP\\DATA\\SUB\\");
}

TEST(Destinations, UnresolvableSetsRaiseCauseOne) {
    const char* sections[] = {
        "[destinations]\n0=|-1|\n1=X|5|\n",           // missing parent
        "[destinations]\n0=|-1|\n1=A|2|\n2=B|1|\n",   // cycle
        "[destinations]\n0=|-1|\n1=SELF|1|\n",        // its own parent
        "[destinations]\n0=|-1|\n-2=|-1|\n1=W|-2|\n", // parent emptied by the profile
    };
    for (const char* section : sections) {
        SCOPED_TRACE(section);
        DestinationMap map(TestMachine());
        ASSERT_EQ(LoadCause(map, "dest_bad.ini", section), -1);
        map.SetResolvedPath(0, CFilePath("C:\\APP\\"));
        EXPECT_EQ(ResolveCause(map), CInstallProfileException::kUnresolvedDestinations);
    }
}

TEST(Destinations, DestinationZeroUnsetFailsOnlyItsChildren) {
    DestinationMap map(TestMachine());
    ASSERT_EQ(LoadCause(map, "dest_zero.ini", "[destinations]\n0=APP|-1|\n1=DATA|0|\n"), -1);
    EXPECT_EQ(ResolveCause(map), CInstallProfileException::kUnresolvedDestinations);
    DestinationMap alone(TestMachine());
    ASSERT_EQ(LoadCause(alone, "dest_zero.ini", "[destinations]\n0=APP|-1|\n"), -1);
    EXPECT_EQ(ResolveCause(alone), -1);
}

TEST(Destinations, EmptyOrMissingSectionRaisesCauseZero) {
    const char* files[] = {
        "",                                   // no file at all
        "[general]\nApp Title=x\n",           // no section
        "[destinations]\n",                   // empty section
        "[destinations]\n; only a comment\n", // no keys
    };
    for (const char* content : files) {
        SCOPED_TRACE(content);
        DestinationMap map(TestMachine());
        EXPECT_EQ(LoadCause(map, "dest_empty.ini", content),
                  CInstallProfileException::kNoDestinations);
        EXPECT_EQ(map.Size(), 7u);
    }
}

TEST(Destinations, ProfileRedirectsPredefinedDestination) {
    DestinationMap map(TestMachine());
    ASSERT_EQ(LoadCause(map, "dest_redirect.ini",
                        "[destinations]\n-3=|-1|C:\\OTHER\\\n-2=|-1|C:\\NOSLASH\n-4=|-1|\n"),
              -1);
    EXPECT_EQ(map.PathOf(kDestSystem).GetText(), "C:\\OTHER\\");
    // A resolved path without its trailing backslash is still a directory.
    EXPECT_EQ(map.PathOf(kDestWindows).GetText(), "C:\\NOSLASH\\");
    // An empty field 2 empties even a predefined destination; it then has no path at all.
    CFilePath out("unchanged");
    EXPECT_FALSE(map.GetPath(kDestTemp, out));
    EXPECT_EQ(out.GetText(), "unchanged");
    EXPECT_EQ(PathText(map, kDestFonts), "C:\\WINDOWS\\Fonts\\");
}

TEST(Destinations, UnknownIdIsReportedNotGuessed) {
    DestinationMap map(TestMachine());
    ASSERT_EQ(LoadCause(map, "dest_unknown.ini", "[destinations]\n0=|-1|\n"), -1);
    map.SetResolvedPath(0, CFilePath("C:\\APP\\"));
    map.ResolveAll();
    EXPECT_EQ(map.Find(42), nullptr);
    CFilePath out;
    EXPECT_FALSE(map.GetPath(42, out));
    EXPECT_FALSE(map.GetPath(kDestNotInstalled, out));
    EXPECT_TRUE(map.GetPath(0, out));
    EXPECT_EQ(out.GetText(), "C:\\APP\\");
    try {
        map.PathOf(42);
        FAIL() << "an unknown destination must raise";
    } catch (const CInstallProfileException& e) {
        EXPECT_EQ(e.GetCause(), CInstallProfileException::kUnresolvedDestinations);
    }
}

TEST(Destinations, KeyMinusOneIsNeverADestination) {
    DestinationMap map(TestMachine());
    ASSERT_EQ(LoadCause(map, "dest_minus.ini", "[destinations]\n-1=X|-1|C:\\X\\\n0=|-1|\n"), -1);
    EXPECT_EQ(map.Find(kDestNotInstalled), nullptr);
    EXPECT_NE(map.Find(0), nullptr);
}
