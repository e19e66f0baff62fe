#include <gtest/gtest.h>

#include <vector>

#include "ProfileTestUtil.h"
#include "errors/Exceptions.h"
#include "profile/ProfileCollections.h"

namespace {

std::string ArchiveOrder(const ArchiveList& list) {
    std::string order;
    for (const ArchiveRecordInfo& r : list.Records()) {
        order += (order.empty() ? "" : ",") + r.component->key + ":" + r.fileName;
    }
    return order;
}

const ArchiveRecordInfo& FindArchive(const ArchiveList& list, const std::string& component,
                                     const std::string& name) {
    for (const ArchiveRecordInfo& r : list.Records()) {
        if (r.component->key == component && r.fileName == name) {
            return r;
        }
    }
    static const ArchiveRecordInfo none;
    ADD_FAILURE() << "no archive " << component << ":" << name;
    return none;
}

} // namespace

TEST(ProfileLoad, RealisticProfileFillsEveryCollection) {
    ProfileCollections c(TestMachine());
    LoadProfile(c, FixturePath("realistic.ini"));

    // Destinations: the seven predefined ones plus 0 to 4 (key 65540 keeps its low 16 bits).
    ASSERT_EQ(c.destinations.Size(), 12u);
    const DestinationRecord* d3 = c.destinations.Find(3);
    ASSERT_NE(d3, nullptr);
    EXPECT_EQ(d3->relativePath, "\\HELP\\");
    EXPECT_EQ(d3->parentId, 0);
    EXPECT_EQ(c.destinations.Find(0)->relativePath, "SAMPLE");
    EXPECT_EQ(c.destinations.Find(0)->parentId, kDestNotInstalled);
    EXPECT_EQ(c.destinations.Find(4)->relativePath, "SHARED");
    EXPECT_EQ(c.destinations.Find(4)->parentId, kDestSystem);
    c.destinations.SetResolvedPath(0, CFilePath("C:\\SAMPLE\\"));
    c.destinations.ResolveAll();
    EXPECT_EQ(c.destinations.PathOf(2).GetText(), "C:\\SAMPLE\\DATA\\SUB\\DEEP\\");
    EXPECT_EQ(c.destinations.PathOf(3).GetText(), "C:\\SAMPLE\\HELP\\");
    EXPECT_EQ(c.destinations.PathOf(4).GetText(), "C:\\WINDOWS\\SYSTEM\\SHARED\\");

    // Components keep their keys exactly; none is selected after loading.
    ASSERT_EQ(c.components.Size(), 3u);
    const ComponentRecord* main = c.components.Find("Main");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(c.components.Find("MAIN"), nullptr);
    EXPECT_EQ(main->text1, "Program files");
    EXPECT_EQ(main->description, "The application itself");
    EXPECT_FALSE(main->selected);
    const ComponentRecord* extras = c.components.Find("Extras");
    ASSERT_NE(extras, nullptr);
    EXPECT_FALSE(extras->typeFlags[0]);
    EXPECT_TRUE(extras->typeFlags[1]);
    EXPECT_TRUE(extras->typeFlags[2]);

    // Archive list: "Main" finds section [MAIN]; disk numbers 2, 1, -1, 1 of Main come out as
    // the first 1, the second 1, the -1 record, then 2; components are walked in key order.
    EXPECT_EQ(ArchiveOrder(c.archives), "Extras:SHARED.MFA,Help:SHORT.DAT,Main:SHARED.MFA,"
                                        "Main:COMMON.MFA,Main:README.TXT,Main:APP.MFA");
    const ArchiveRecordInfo& readme = FindArchive(c.archives, "Main", "README.TXT");
    EXPECT_EQ(readme.size, 200);
    EXPECT_EQ(readme.kind, kArchiveKindSingleFile);
    EXPECT_EQ(readme.fileCount, 1);
    EXPECT_EQ(readme.diskNumber, 1);
    EXPECT_TRUE(readme.laterOnDisk);
    EXPECT_EQ(readme.destination, 1);
    EXPECT_EQ(readme.text, "Read me");
    const ArchiveRecordInfo& app = FindArchive(c.archives, "Main", "APP.MFA");
    EXPECT_EQ(app.kind, kArchiveKindMultiFile);
    EXPECT_EQ(app.fileCount, 4);
    EXPECT_EQ(app.diskNumber, 2);
    EXPECT_FALSE(app.laterOnDisk);
    // The same file listed by two components gives two separate records.
    EXPECT_NE(&FindArchive(c.archives, "Main", "SHARED.MFA"),
              &FindArchive(c.archives, "Extras", "SHARED.MFA"));
    EXPECT_EQ(FindArchive(c.archives, "Extras", "SHARED.MFA").text, "Shared files again");
    // A record with only its size keeps every other default: not copied anywhere.
    const ArchiveRecordInfo& shortRecord = FindArchive(c.archives, "Help", "SHORT.DAT");
    EXPECT_EQ(shortRecord.size, 100);
    EXPECT_EQ(shortRecord.kind, kArchiveKindSingleFile);
    EXPECT_EQ(shortRecord.fileCount, 0);
    EXPECT_EQ(shortRecord.diskNumber, 1);
    EXPECT_FALSE(shortRecord.laterOnDisk);
    EXPECT_EQ(shortRecord.destination, kDestNotInstalled);
    EXPECT_EQ(shortRecord.text, "");

    // Targets: readme.hlp and README.HLP are one target, the later record. Reading a key
    // finds the first line whose key matches regardless of case, so that record carries the
    // values of the first line.
    ASSERT_EQ(c.targets.Size(), 2u);
    const TargetRecord* help = c.targets.Find("Readme.Hlp");
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->name, "README.HLP");
    EXPECT_EQ(help->iconIndex, 0);
    EXPECT_EQ(help->hotKey, -1);
    EXPECT_FALSE(help->minimized);
    EXPECT_EQ(help->itemTitle, "Read Me");
    EXPECT_EQ(help->viewerArguments, "-n 2");
    EXPECT_EQ(help->iconFile, "APP.ICO");
    const TargetRecord* appHelp = c.targets.Find("app.hlp");
    ASSERT_NE(appHelp, nullptr);
    EXPECT_EQ(appHelp->iconIndex, 40000 - 65536); // 16-bit fields wrap
    EXPECT_EQ(appHelp->hotKey, 70000 - 65536);
    EXPECT_TRUE(appHelp->minimized);
    EXPECT_EQ(appHelp->itemTitle, "Application Help");
    EXPECT_EQ(appHelp->viewerArguments, "");
    EXPECT_EQ(appHelp->iconFile, "");
    EXPECT_TRUE(appHelp->installedPath.IsEmpty());

    // Diskettes 1 and 3: no label for 2.
    ASSERT_NE(c.diskettes.LabelOf(1), nullptr);
    EXPECT_EQ(*c.diskettes.LabelOf(1), "Disk 1 - Program");
    EXPECT_EQ(c.diskettes.Find(1)->secondText, "first");
    EXPECT_EQ(c.diskettes.LabelOf(2), nullptr);
    ASSERT_NE(c.diskettes.LabelOf(3), nullptr);
    EXPECT_EQ(*c.diskettes.LabelOf(3), "Disk 3 - Data");
    EXPECT_EQ(c.diskettes.LabelOf(4), nullptr);

    // Self-registration list in file order, empty value = destination 0 and the tool.
    ASSERT_EQ(c.selfRegDlls.Size(), 2u);
    EXPECT_EQ(c.selfRegDlls.Records()[0].fileName, "CONTROL.DLL");
    EXPECT_EQ(c.selfRegDlls.Records()[0].destination, kDestSystem);
    EXPECT_TRUE(c.selfRegDlls.Records()[0].useEntryPoint);
    EXPECT_EQ(c.selfRegDlls.Records()[1].fileName, "TOOL.DLL");
    EXPECT_EQ(c.selfRegDlls.Records()[1].destination, 0);
    EXPECT_FALSE(c.selfRegDlls.Records()[1].useEntryPoint);
}

TEST(ProfileLoad, LoadersRunInOrderWithPumpBetween) {
    ProfileCollections c(TestMachine());
    // What was loaded at each pump: destinations, components, targets, archives, diskettes,
    // self-registration list.
    std::vector<std::vector<std::size_t>> seen;
    LoadProfile(c, FixturePath("realistic.ini"), [&] {
        seen.push_back({c.destinations.Size(), c.components.Size(), c.targets.Size(),
                        c.archives.Size(), c.diskettes.Size(), c.selfRegDlls.Size()});
    });
    const std::vector<std::vector<std::size_t>> expected = {
        {12, 0, 0, 0, 0, 0}, {12, 3, 0, 0, 0, 0}, {12, 3, 2, 0, 0, 0},
        {12, 3, 2, 6, 0, 0}, {12, 3, 2, 6, 4, 0},
    };
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(c.selfRegDlls.Size(), 2u);
}

TEST(ProfileLoad, MissingDestinationsStopsBeforeOtherLoaders) {
    CScratchFile file("no_destinations.ini", "[groups]\nMain=a|b|1|1|1\n");
    ProfileCollections c(TestMachine());
    int pumps = 0;
    try {
        LoadProfile(c, file.Path(), [&] { ++pumps; });
        FAIL() << "expected the profile exception";
    } catch (const CInstallProfileException& e) {
        EXPECT_EQ(e.GetCause(), CInstallProfileException::kNoDestinations);
    }
    EXPECT_EQ(pumps, 0);
    EXPECT_EQ(c.components.Size(), 0u);
}

TEST(ProfileLoad, SpaceEstimate) {
    struct Case {
        std::int32_t size;
        std::int16_t files;
        std::int32_t cluster;
        std::int64_t expected;
    };
    const Case cases[] = {
        {1000, 4, 512, 2024},
        {1000, 1, 512, 1024},
        {1000, 4, 0, 1000},
        {1000, 1, 0, 1000},
        {1024, 1, 512, 1024},
        {1000, 0, 4096, 4096},
        {1, 3, 512, 769},
        // The product is taken in 64 bits: no overflow for large counts and clusters.
        {0, 32767, 65536, 32767LL * 65536 / 2},
    };
    for (const Case& c : cases) {
        ArchiveRecordInfo r;
        r.size = c.size;
        r.fileCount = c.files;
        EXPECT_EQ(r.SpaceEstimate(c.cluster), c.expected)
            << c.size << " " << c.files << " " << c.cluster;
    }
}

TEST(ProfileLoad, SetupTypesSelectComponentsAndTotals) {
    ProfileCollections c(TestMachine());
    LoadProfile(c, FixturePath("realistic.ini"));
    struct Case {
        int type;
        bool main, extras, help;
        std::int64_t total;
    };
    // Sizes: Main 1000+500+200+300, Extras 500, Help 100 (cluster size 0).
    const Case cases[] = {
        {0, false, false, false, 0}, {1, true, false, false, 2000}, {2, true, true, false, 2500},
        {3, true, true, true, 2600}, {4, true, true, true, 2600},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.type);
        c.components.SelectBySetupType(k.type);
        EXPECT_EQ(c.components.Find("Main")->selected, k.main);
        EXPECT_EQ(c.components.Find("Extras")->selected, k.extras);
        EXPECT_EQ(c.components.Find("Help")->selected, k.help);
        EXPECT_EQ(c.archives.Total(0, false), k.total);
        EXPECT_EQ(c.archives.Total(0, true), 2600);
    }
}

TEST(ProfileLoad, ArchiveOrderIsByDiskThenLaterFlagThenLoadOrder) {
    ArchiveList list;
    const char* lines[][2] = {
        {"A", "0|0|1|2|0"},  {"B", "0|0|1|1|0"},  {"C", "0|0|1|-1|0"}, {"D", "0|0|1|1|0"},
        {"E", "0|0|1|-2|0"}, {"F", "0|0|1|-1|0"}, {"G", "0|0|1|0|0"},
    };
    for (const auto& line : lines) {
        list.Insert(ParseArchiveRecord(line[0], line[1]));
    }
    std::string order;
    for (const ArchiveRecordInfo& r : list.Records()) {
        order += r.fileName;
    }
    EXPECT_EQ(order, "GBDCFAE");
}

TEST(ProfileLoad, HostileProfileLoadsWithDefaults) {
    ProfileCollections c(TestMachine());
    ASSERT_NO_THROW(LoadProfile(c, FixturePath("hostile.ini")));

    // Garbage parent ids convert to 0 (or their leading digits); key "abc" is destination 0.
    EXPECT_EQ(c.destinations.Find(1)->parentId, 12);
    EXPECT_EQ(c.destinations.Find(kDestNotInstalled), nullptr);
    const DestinationRecord* five = c.destinations.Find(5);
    ASSERT_NE(five, nullptr);
    EXPECT_TRUE(five->resolvedPath.GetText() == "C:\\FIRST\\" ||
                five->resolvedPath.GetText() == "C:\\SECOND\\")
        << five->resolvedPath.GetText();
    // The over-long value is cut at 254 characters; the cut path stays a directory.
    const std::string& longPath = c.destinations.Find(7)->resolvedPath.GetText();
    EXPECT_EQ(longPath.size(), 254u - 8u + 1u);
    EXPECT_EQ(longPath.substr(0, 4), "C:\\X");
    EXPECT_EQ(longPath.back(), '\\');

    const ComponentRecord* g = c.components.Find("G");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(c.components.Size(), 1u);

    // Archive fields: garbage gives 0, overflow wraps, 16-bit fields keep their low bits.
    const ArchiveRecordInfo& a = FindArchive(c.archives, "G", "A.MFA");
    EXPECT_EQ(a.size, 0);
    EXPECT_EQ(a.kind, 0);
    EXPECT_EQ(a.diskNumber, 0);
    EXPECT_EQ(a.destination, 0);
    const ArchiveRecordInfo& b = FindArchive(c.archives, "G", "B.MFA");
    EXPECT_EQ(b.size, 2147483647);
    EXPECT_EQ(b.kind, 7);
    EXPECT_EQ(b.fileCount, 25536);
    EXPECT_EQ(b.diskNumber, 32768);
    EXPECT_TRUE(b.laterOnDisk);
    EXPECT_EQ(b.destination, 2);
    const ArchiveRecordInfo& empty = FindArchive(c.archives, "G", "C.MFA");
    EXPECT_EQ(empty.size, 0);
    EXPECT_EQ(empty.diskNumber, 1);
    EXPECT_EQ(empty.destination, kDestNotInstalled);
    EXPECT_EQ(c.archives.Records().back().fileName, "B.MFA");

    const TargetRecord* x = c.targets.Find("x.hlp");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->hotKey, 0);
    EXPECT_EQ(x->itemTitle, "");
    const TargetRecord* y = c.targets.Find("Y.HLP");
    ASSERT_NE(y, nullptr);
    EXPECT_EQ(y->iconIndex, -32768);
    EXPECT_EQ(y->hotKey, -1);
    EXPECT_TRUE(y->minimized);
    EXPECT_EQ(y->installedPath.GetText(), "C:\\DIR\\Y.HLP");

    // Negative and absurd diskette numbers are ignored; "abc" is diskette 0.
    EXPECT_LE(c.diskettes.Size(), 3u);
    ASSERT_NE(c.diskettes.LabelOf(0), nullptr);
    EXPECT_EQ(*c.diskettes.LabelOf(0), "letters");
    ASSERT_NE(c.diskettes.LabelOf(2), nullptr);
    EXPECT_EQ(c.diskettes.LabelOf(2)->substr(0, 3), "two");
    EXPECT_EQ(c.diskettes.LabelOf(-5), nullptr);
    EXPECT_EQ(c.diskettes.LabelOf(100000), nullptr);
    EXPECT_EQ(c.selfRegDlls.Size(), 0u);
}

TEST(ProfileLoad, DisketteBounds) {
    DisketteArray disks;
    disks.Set(DisketteArray::kMaxNumber, {"last", ""});
    disks.Set(DisketteArray::kMaxNumber + 1, {"beyond", ""});
    disks.Set(-1, {"negative", ""});
    EXPECT_EQ(disks.Size(), static_cast<std::size_t>(DisketteArray::kMaxNumber) + 1);
    ASSERT_NE(disks.LabelOf(DisketteArray::kMaxNumber), nullptr);
    EXPECT_EQ(disks.LabelOf(DisketteArray::kMaxNumber + 1), nullptr);
    EXPECT_EQ(disks.LabelOf(-1), nullptr);
    disks.Set(3, {"first", ""});
    disks.Set(3, {"replaced", ""});
    EXPECT_EQ(*disks.LabelOf(3), "replaced");
}
