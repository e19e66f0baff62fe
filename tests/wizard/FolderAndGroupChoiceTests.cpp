// The decisions of the folder page and the program group page, without windows: the
// proposed folder, which typed folders are refused, how a folder is made with its parents,
// what choosing it does to destinations and components, and which group name Continue takes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "errors/Exceptions.h"
#include "profile/ProfileCollections.h"
#include "profile/SystemFolders.h"
#include "wizard/FolderChoice.h"
#include "wizard/GroupChoice.h"

namespace {

TEST(FolderChoice, ProposedLocation) {
    struct Case {
        const char* systemDir;
        const char* profileDir;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\WINDOWS\\SYSTEM", "MYAPP", "C:\\MYAPP\\"},
        {"C:\\WINDOWS\\SYSTEM", "\\MYAPP\\", "C:\\MYAPP\\"},
        {"C:\\WINDOWS\\SYSTEM", "APPS\\MYAPP", "C:\\APPS\\MYAPP\\"},
        {"D:\\WIN\\SYSTEM32\\", "TOOL", "D:\\TOOL\\"},
        {"C:\\WINDOWS\\SYSTEM", "", "C:\\"},
        // A directory that names its own drive or share is not put on the system drive.
        {"C:\\WINDOWS\\SYSTEM", "E:\\TOOLS", "E:\\TOOLS\\"},
        {"C:\\WINDOWS\\SYSTEM", "\\\\server\\share\\app", "\\\\server\\share\\app\\"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProposeLocation(c.systemDir, c.profileDir), c.expected)
            << c.systemDir << " + " << c.profileDir;
    }
}

TEST(FolderChoice, TypedLocationIsNormalisedOrRefused) {
    struct Case {
        std::string typed;
        const char* expected; // nullptr: refused
    };
    const Case cases[] = {
        {"C:\\MYAPP", "C:\\MYAPP\\"},
        {"  C:/Apps/My App/  ", "C:\\Apps\\My App\\"},
        {"C:\\", "C:\\"},
        {"\\\\server\\share", "\\\\server\\share\\"},
        {"", nullptr},
        // Relative to the current directory, which the run changes.
        {"MYAPP", nullptr},
        {"\\MYAPP", nullptr},
        {"C:MYAPP", nullptr},
        {"\\\\server\\", nullptr},
        // Characters no name may hold.
        {"C:\\A|B", nullptr},
        {"C:\\APP*", nullptr},
        {"C:\\A:B", nullptr},
        {"C:\\A\tB", nullptr},
        {"C:\\" + std::string(300, 'x'), nullptr},
    };
    for (const Case& c : cases) {
        const auto path = MakeFolderPath(c.typed);
        if (c.expected == nullptr) {
            EXPECT_FALSE(path.has_value()) << c.typed;
        } else {
            ASSERT_TRUE(path.has_value()) << c.typed;
            EXPECT_EQ(path->GetText(), c.expected);
        }
    }
}

// A disk in memory: directories that exist (with or without subdirectories) and files.
// Creating a directory works when its parent exists and nothing has its name, unless the
// parent is read-only.
class CModelDisk : public CFolderMaker {
public:
    std::set<std::string> directories;
    std::set<std::string> files;
    std::set<std::string> readOnly;
    std::vector<std::string> created;

    bool HasSubdirectory(const std::string& path) override {
        const std::string prefix = path.back() == '\\' ? path : path + "\\";
        for (const std::string& dir : directories) {
            if (dir.size() > prefix.size() && dir.compare(0, prefix.size(), prefix) == 0) {
                return true;
            }
        }
        return false;
    }
    bool CreateOneDirectory(const std::string& path) override {
        const std::string parent = path.substr(0, path.rfind('\\'));
        const bool parentExists = directories.count(parent) != 0 ||
                                  (parent.size() == 2 && directories.count(parent + "\\") != 0);
        if (!parentExists || readOnly.count(parent) != 0 || directories.count(path) != 0 ||
            files.count(path) != 0) {
            return false;
        }
        directories.insert(path);
        created.push_back(path);
        return true;
    }
    bool IsDirectory(const std::string& path) override { return directories.count(path) != 0; }
};

TEST(FolderChoice, FolderIsMadeWithItsParentsOrRefused) {
    CModelDisk disk;
    disk.directories = {"C:\\", "C:\\APPS", "C:\\APPS\\OLD", "C:\\EMPTY", "C:\\LOCKED"};
    disk.files = {"C:\\FILE"};
    disk.readOnly = {"C:\\LOCKED"};

    // An existing folder with a subdirectory: nothing is created.
    EXPECT_TRUE(AcceptFolder(CFilePath("C:\\APPS\\"), disk));
    // An existing empty folder: its creation fails, but it exists.
    EXPECT_TRUE(AcceptFolder(CFilePath("C:\\EMPTY\\"), disk));
    EXPECT_TRUE(AcceptFolder(CFilePath("C:\\"), disk));
    EXPECT_TRUE(disk.created.empty());

    // Two levels below an existing folder: both are made, parent first.
    EXPECT_TRUE(AcceptFolder(CFilePath("C:\\APPS\\NEW\\BIN\\"), disk));
    EXPECT_EQ(disk.created, (std::vector<std::string>{"C:\\APPS\\NEW", "C:\\APPS\\NEW\\BIN"}));

    // A file in the way, a read-only parent, a drive that does not exist.
    disk.created.clear();
    EXPECT_FALSE(AcceptFolder(CFilePath("C:\\FILE\\"), disk));
    EXPECT_FALSE(AcceptFolder(CFilePath("C:\\FILE\\SUB\\"), disk));
    EXPECT_FALSE(AcceptFolder(CFilePath("C:\\LOCKED\\SUB\\"), disk));
    EXPECT_FALSE(AcceptFolder(CFilePath("Q:\\A\\B\\"), disk));
    EXPECT_TRUE(disk.created.empty());
}

class FolderChoiceProfile : public ::testing::Test {
protected:
    void SetUp() override {
        m_file = (std::filesystem::temp_directory_path() /
                  ("folder_choice_" +
                   std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".ini"))
                     .string();
    }
    void TearDown() override { std::filesystem::remove(m_file); }

    void Load(const std::string& destinations) {
        std::ofstream(m_file, std::ios::binary)
            << "[destinations]\r\n"
            << destinations
            << "[groups]\r\nMain=Main|Program|1|1|1\r\nHelp=Help|Help files|0|1|1\r\n"
               "Extra=Extra|Samples|0|0|1\r\n";
        m_collections.destinations.Load(m_file);
        m_collections.components.Load(m_file);
    }

    bool Selected(const std::string& key) const {
        return m_collections.components.Find(key)->selected;
    }

    std::string m_file;
    CFixedSystemFolders m_machine;
    ProfileCollections m_collections{m_machine};
};

TEST_F(FolderChoiceProfile, ChoiceResolvesDestinationsAndSelectsTypical) {
    // Child listed before its parent.
    Load("2=SUB|1|\r\n1=DATA|0|\r\n0=MYAPP|-1|\r\n");
    const DestinationMap asLoaded = m_collections.destinations;
    ApplyFolderChoice(m_collections, asLoaded, CFilePath("C:\\FIRST\\"));
    // A second choice (after going back) builds on the new folder, not on the first one.
    ApplyFolderChoice(m_collections, asLoaded, CFilePath("D:\\APPS\\MINE\\"));
    CFilePath path;
    ASSERT_TRUE(m_collections.destinations.GetPath(0, path));
    EXPECT_EQ(path.GetText(), "D:\\APPS\\MINE\\");
    ASSERT_TRUE(m_collections.destinations.GetPath(2, path));
    EXPECT_EQ(path.GetText(), "D:\\APPS\\MINE\\DATA\\SUB\\");
    // The directory the profile gives stays, for the install log.
    EXPECT_EQ(m_collections.destinations.Find(0)->relativePath, "MYAPP");
    EXPECT_TRUE(Selected("Main"));
    EXPECT_TRUE(Selected("Help"));
    EXPECT_FALSE(Selected("Extra"));
}

TEST_F(FolderChoiceProfile, UnresolvableDestinationsChangeNothing) {
    Load("0=MYAPP|-1|\r\n1=DATA|0|\r\n3=X|9|\r\n");
    try {
        ApplyFolderChoice(m_collections, m_collections.destinations, CFilePath("D:\\APP\\"));
        FAIL() << "no exception";
    } catch (const CInstallProfileException& e) {
        EXPECT_EQ(e.GetCause(), CInstallProfileException::kUnresolvedDestinations);
    }
    CFilePath path;
    EXPECT_FALSE(m_collections.destinations.GetPath(0, path));
    EXPECT_FALSE(m_collections.destinations.GetPath(1, path));
    EXPECT_FALSE(Selected("Main"));
}

TEST(GroupChoice, ContinueTakesTheChosenNameOrStays) {
    struct Case {
        bool newGroup;
        const char* typed;
        const char* selected; // nullptr: none
        bool unattended;
        const char* expected; // nullptr: the page stays
    };
    const Case cases[] = {
        {true, "Demo Apps", "Accessories", false, "Demo Apps"},
        {true, "  Demo  ", nullptr, false, "Demo"},
        {false, "Demo", "Accessories", false, "Accessories"},
        // Nothing to take: the user completes the page.
        {true, "", nullptr, false, nullptr},
        {true, "   ", "Accessories", false, nullptr},
        {false, "Demo", nullptr, false, nullptr},
        // Unattended runs always go on.
        {true, "", nullptr, true, ""},
        {false, "Demo", nullptr, true, "Demo"},
    };
    for (const Case& c : cases) {
        GroupChoiceInput input;
        input.newGroup = c.newGroup;
        input.typedName = c.typed;
        if (c.selected != nullptr) {
            input.selectedGroup = std::string(c.selected);
        }
        input.unattended = c.unattended;
        const auto name = ChooseProgramGroup(input);
        SCOPED_TRACE(std::string(c.typed) + (c.newGroup ? " new" : " existing") +
                     (c.unattended ? " unattended" : ""));
        if (c.expected == nullptr) {
            EXPECT_FALSE(name.has_value());
        } else {
            ASSERT_TRUE(name.has_value());
            EXPECT_EQ(*name, c.expected);
        }
    }
}

} // namespace
