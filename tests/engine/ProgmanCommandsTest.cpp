#include "engine/ProgmanCommands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "profile/TargetRecord.h"

namespace {

ProgmanItem Item(const std::string& commandLine, const std::string& name) {
    ProgmanItem item;
    item.commandLine = commandLine;
    item.name = name;
    return item;
}

TEST(ProgmanCommands, GroupAndItemCommandsAreExact) {
    struct Case {
        std::string command;
        std::string expected;
    };
    const Case cases[] = {
        {CreateGroupCommand("Tools"), "[CreateGroup (\"Tools\")]"},
        {CreateGroupCommand("Tools", std::string("C:\\G\\TOOLS.GRP")),
         "[CreateGroup (\"Tools\", \"C:\\G\\TOOLS.GRP\")]"},
        {DeleteGroupCommand("Tools"), "[DeleteGroup(\"Tools\")]"},
        {ReplaceItemCommand("Tool"), "[ReplaceItem (Tool)]"},
        {DeleteItemCommand("Tool"), "[DeleteItem (Tool)]"},
        // Blanks inside names and commas inside quoted names need nothing.
        {CreateGroupCommand("My Tools, Extra (2)"), "[CreateGroup (\"My Tools, Extra (2)\")]"},
        {DeleteItemCommand("Read Me"), "[DeleteItem (Read Me)]"},
        // A plain argument that would end early, or lose its outer blanks, is quoted.
        {DeleteItemCommand("Help, Index"), "[DeleteItem (\"Help, Index\")]"},
        {ReplaceItemCommand("Help (old)"), "[ReplaceItem (\"Help (old)\")]"},
        {DeleteItemCommand("[x]"), "[DeleteItem (\"[x]\")]"},
        {DeleteItemCommand(" Tool"), "[DeleteItem (\" Tool\")]"},
        // A double quote, CR or LF cannot be carried at all: no command.
        {CreateGroupCommand("Say \"hi\""), ""},
        {CreateGroupCommand("Tools", std::string("C:\\\"")), ""},
        {DeleteGroupCommand("a\"b"), ""},
        {ReplaceItemCommand("a\"b"), ""},
        {DeleteItemCommand("line\r\nbreak"), ""},
        {DeleteItemCommand(std::string("nul\0x", 5)), ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, c.command);
    }
}

TEST(ProgmanCommands, AddItemArguments) {
    struct Case {
        ProgmanItem item;
        std::string expected;
    };
    std::vector<Case> cases;
    // No icon path: the command line stands in; hot key -1 gives an empty argument.
    cases.push_back(
        {Item("C:\\X.EXE", "Tool"), "[AddItem (C:\\X.EXE,\"Tool\",C:\\X.EXE,0,-1,-1,,,0)]"});
    ProgmanItem full = Item("winhlp32  C:\\APP\\APP.HLP", "App Help");
    full.iconPath = "C:\\APP\\APP.ICO";
    full.iconIndex = 3;
    full.x = 10;
    full.y = 20;
    full.defaultDir = "C:\\APP";
    full.hotKey = 0;
    full.minimize = true;
    cases.push_back({full, "[AddItem (winhlp32  C:\\APP\\APP.HLP,\"App Help\",C:\\APP\\APP.ICO,3,"
                           "10,20,C:\\APP,0,1)]"});
    ProgmanItem hotKey = Item("C:\\X.EXE", "Tool");
    hotKey.hotKey = 1604;
    cases.push_back({hotKey, "[AddItem (C:\\X.EXE,\"Tool\",C:\\X.EXE,0,-1,-1,,1604,0)]"});
    // A comma in a path (allowed in file names) would split the argument: quoted instead.
    ProgmanItem comma = Item("winhlp32  C:\\A,B\\X.HLP", "X");
    cases.push_back({comma, "[AddItem (\"winhlp32  C:\\A,B\\X.HLP\",\"X\",\"winhlp32  "
                            "C:\\A,B\\X.HLP\",0,-1,-1,,,0)]"});
    cases.push_back({Item("C:\\X.EXE", "Say \"hi\""), ""});
    cases.push_back({Item("C:\\\"X.EXE", "Tool"), ""});
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, AddItemCommand(c.item)) << c.item.name;
    }
}

TEST(ProgmanCommands, GroupListSplitsAtEveryLineBreak) {
    struct Case {
        std::string text;
        std::vector<std::string> groups;
    };
    const Case cases[] = {
        {"Main\r\nAccessories\r\n", {"Main", "Accessories"}},
        {"Main\nAccessories", {"Main", "Accessories"}},
        {"\r\n\r\nA\r\rB\n\n", {"A", "B"}},
        {"Games, Old (1)\r\n", {"Games, Old (1)"}},
        {"", {}},
        {"\r\n", {}},
        {std::string("A\r\nB\0C\r\n", 8), {"A", "B"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.groups, SplitGroupList(c.text));
    }
}

TEST(ProgmanCommands, TargetItemUsesShortFormOnlyForBlanks) {
    TargetRecord target;
    target.itemTitle = "App Help";
    target.iconIndex = 2;
    target.hotKey = -1;
    target.minimized = true;
    const auto shortPath = [](const std::string& path) -> std::string {
        if (path == "C:\\PROGRAM FILES\\APP\\APP.HLP") {
            return "C:\\PROGRA~1\\APP\\APP.HLP";
        }
        if (path == "C:\\PROGRAM FILES\\APP\\APP.ICO") {
            return "C:\\PROGRA~1\\APP\\APP.ICO";
        }
        return ""; // does not exist
    };
    struct Case {
        std::string installedPath;
        std::string arguments;
        std::string iconFile;
        std::string appDirectory;
        std::string commandLine;
        std::string iconPath;
    };
    const Case cases[] = {
        {"C:\\PROGRAM FILES\\APP\\APP.HLP", "", "", "C:\\PROGRAM FILES\\APP\\",
         "winhlp32  C:\\PROGRA~1\\APP\\APP.HLP", ""},
        {"C:\\PROGRAM FILES\\APP\\APP.HLP", "-n 5", "APP.ICO", "C:\\PROGRAM FILES\\APP\\",
         "winhlp32 -n 5 C:\\PROGRA~1\\APP\\APP.HLP", "C:\\PROGRA~1\\APP\\APP.ICO"},
        // No short form (file missing): the long form stays.
        {"C:\\MY APP\\A.HLP", "", "B.ICO", "C:\\MY APP", "winhlp32  C:\\MY APP\\A.HLP",
         "C:\\MY APP\\B.ICO"},
        {"C:\\APP\\A.HLP", "", "A.ICO", "C:\\APP\\", "winhlp32  C:\\APP\\A.HLP", "C:\\APP\\A.ICO"},
        {"C:\\TAB\tDIR\\A.HLP", "", "", "", "winhlp32  C:\\TAB\tDIR\\A.HLP", ""},
    };
    for (const Case& c : cases) {
        target.installedPath = c.installedPath;
        target.viewerArguments = c.arguments;
        target.iconFile = c.iconFile;
        const ProgmanItem item = MakeTargetItem(target, c.appDirectory, shortPath);
        EXPECT_EQ(c.commandLine, item.commandLine);
        EXPECT_EQ(c.iconPath, item.iconPath);
        EXPECT_EQ("App Help", item.name);
        EXPECT_EQ(2, item.iconIndex);
        EXPECT_EQ(-1, item.hotKey);
        EXPECT_EQ(-1, item.x);
        EXPECT_EQ(-1, item.y);
        EXPECT_TRUE(item.defaultDir.empty());
        EXPECT_TRUE(item.minimize);
    }
}

} // namespace
