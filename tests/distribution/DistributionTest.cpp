// The distribution reader over a two-diskette distribution, as folders and as images with
// names that say nothing: the same listing, the same test results, the same extracted tree;
// damaged and hostile input reported with the image and archive named.
#include "DistributionFixture.h"

#include "distribution/Distribution.h"
#include "media/FatImage.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::unique_ptr<CDistribution> Open(const std::vector<std::string>& inputs) {
    return std::make_unique<CDistribution>(CDisketteSet::Open(inputs));
}

const DistributionMember* FindMember(const std::vector<DistributionMember>& members,
                                     const std::string& name) {
    for (const DistributionMember& m : members)
        if (m.name == name)
            return &m;
    return nullptr;
}

// Every file under root, relative path -> contents.
std::map<std::string, std::vector<std::uint8_t>> Tree(const std::string& root) {
    std::map<std::string, std::vector<std::uint8_t>> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            tree[fs::relative(entry.path(), root).generic_string()] =
                ReadBytes(entry.path().string());
    return tree;
}

std::string Describe(const std::vector<DistributionMember>& members) {
    std::string text;
    for (const DistributionMember& m : members)
        text += m.component + " " + m.archive + " " + std::to_string(m.diskette) + "-" +
                std::to_string(m.lastDiskette) + " " + m.name + " " + m.folder + " " +
                std::to_string(m.expandedSize) + " " + std::to_string(m.checksum) + " " +
                std::to_string(m.method) + " " + std::to_string(m.modifyTime) + " " +
                (m.hasVersion ? FormatVersion(m.version) : "-") + "\n";
    return text;
}

} // namespace

TEST(Distribution, ListsEveryFileWithItsPlaceDisketteAndVersion) {
    DistributionFixture fixture;
    const auto listing = Open({fixture.Folders()})->List({});
    EXPECT_EQ(listing.appTitle, "Test App");
    EXPECT_TRUE(listing.problems.empty());
    ASSERT_EQ(listing.members.size(), 7u) << Describe(listing.members);

    const DistributionMember* app = FindMember(listing.members, "APP.EXE");
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(app->component, "Main");
    EXPECT_EQ(app->folder, "TESTAPP");
    EXPECT_EQ(app->installedPath, "C:\\TESTAPP\\APP.EXE");
    ASSERT_TRUE(app->hasVersion);
    EXPECT_EQ(FormatVersion(app->version), "1.2.3.4");

    const DistributionMember* data = FindMember(listing.members, "DATA.DAT");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->folder, "TESTAPP\\DATA");
    EXPECT_EQ(data->diskette, 1);
    EXPECT_EQ(data->lastDiskette, 2);
    EXPECT_EQ(FindMember(listing.members, "SYS.DLL")->folder, "SYSTEM");
    EXPECT_EQ(FindMember(listing.members, "SYS.DLL")->diskette, 2);
    EXPECT_EQ(FindMember(listing.members, "NOTINST.TXT")->folder, "");
    const DistributionMember* extra = FindMember(listing.members, "EXTRA.TXT");
    ASSERT_NE(extra, nullptr);
    EXPECT_EQ(extra->component, "Extra");
    EXPECT_EQ(extra->setupTypes, (std::array<bool, 3>{false, false, true}));
    const DistributionMember* license = FindMember(listing.members, "LICENSE.TXT");
    ASSERT_NE(license, nullptr);
    EXPECT_EQ(license->method, kMethodPlainCopy);
    // The whole file, as the setup program copies it; the profile's 20 is a progress figure.
    EXPECT_EQ(license->expandedSize, fixture.Source("LICENSE.TXT").size());

    ASSERT_EQ(listing.items.size(), 1u);
    EXPECT_EQ(listing.items[0].title, "Read Me");
    EXPECT_EQ(listing.items[0].commandLine, "winhlp32  C:\\TESTAPP\\README.HLP");
    EXPECT_EQ(listing.items[0].iconPath, "C:\\TESTAPP\\APP.ICO");
    std::vector<std::string> registry;
    for (const RegistryEntry& e : listing.registry)
        registry.push_back(e.key.substr(e.key.rfind('\\') + 1) + "|" + e.name + "|" + e.value);
    EXPECT_EQ(registry, (std::vector<std::string>{
                            "APP.EXE||C:\\TESTAPP\\APP.EXE",
                            "APP.EXE|Path|C:\\TESTAPP",
                            "Test Application|UninstallString|C:\\TESTAPP\\SETUP.EXE /U",
                            "Test Application|DisplayName|Test Application",
                            "SharedDLLs|C:\\WINDOWS\\SYSTEM\\SYS.DLL|1 (when not counted yet)",
                        }));
}

TEST(Distribution, FoldersAndShuffledImagesListTestAndExtractAlike) {
    DistributionFixture fixture;
    auto fromFolders = Open({fixture.Folders()});
    auto fromImages = Open(fixture.Images());
    EXPECT_EQ(fromImages->Diskettes().DisketteName(1), fixture.ImageOf(1));
    const auto fromImagesList = fromImages->List({});
    EXPECT_EQ(Describe(fromFolders->List({}).members), Describe(fromImagesList.members));
    // A plain file unpacked from an image keeps the image's time for it.
    EXPECT_EQ(FindMember(fromImagesList.members, "LICENSE.TXT")->modifyTime, 1000000000);

    const auto tested = fromImages->Test({});
    EXPECT_TRUE(tested.problems.empty());
    EXPECT_EQ(tested.results.size(), 7u);

    const std::string a = fixture.OutputFolder("out-a");
    const std::string b = fixture.OutputFolder("out-b");
    EXPECT_TRUE(fromFolders->Extract(a, {}).problems.empty());
    EXPECT_TRUE(fromImages->Extract(b, {}).problems.empty());
    const auto tree = Tree(a);
    EXPECT_EQ(tree, Tree(b));
    std::vector<std::string> paths;
    for (const auto& [path, bytes] : tree)
        paths.push_back(path);
    // Typical components only: EXTRA.TXT is not there, NOTINST.TXT is never installed.
    EXPECT_EQ(paths, (std::vector<std::string>{"SYSTEM/SYS.DLL", "TESTAPP/APP.EXE",
                                               "TESTAPP/DATA/DATA.DAT", "TESTAPP/LICENSE.TXT",
                                               "TESTAPP/README.HLP"}));
    EXPECT_EQ(tree.at("TESTAPP/DATA/DATA.DAT"), fixture.Source("DATA.DAT"));
    EXPECT_EQ(tree.at("TESTAPP/README.HLP"), fixture.Source("README.HLP"));
    EXPECT_EQ(tree.at("TESTAPP/LICENSE.TXT"), fixture.Source("LICENSE.TXT"));
}

TEST(Distribution, TheFirstDisketteFolderFindsItsNumberedSibling) {
    DistributionFixture fixture;
    auto distribution = Open({fixture.Folders() + "/DISK01"});
    const auto tested = distribution->Test({});
    EXPECT_TRUE(tested.problems.empty());
    EXPECT_EQ(tested.results.size(), 7u);
}

TEST(Distribution, ExtractSelectsComponentsAndNames) {
    DistributionFixture fixture;
    auto distribution = Open(fixture.Images());
    MemberSelection extra;
    extra.components = {"Extra"};
    const std::string out = fixture.OutputFolder("extra");
    EXPECT_TRUE(distribution->Extract(out, extra).problems.empty());
    EXPECT_EQ(Tree(out).size(), 1u);
    EXPECT_EQ(Tree(out).count("TESTAPP/EXTRA.TXT"), 1u);

    MemberSelection dlls;
    dlls.patterns = {"*.dll", "read?e.*"};
    const std::string out2 = fixture.OutputFolder("dlls");
    distribution->Extract(out2, dlls);
    EXPECT_EQ(Tree(out2).size(), 2u);
    EXPECT_EQ(Tree(out2).count("SYSTEM/SYS.DLL"), 1u);

    MemberSelection unknown;
    unknown.components = {"Nonesuch"};
    EXPECT_THROW(distribution->Extract(out2, unknown), CDistributionError);
}

TEST(Distribution, ExtractNeverReplacesAFileThatWasThere) {
    DistributionFixture fixture;
    const std::string out = fixture.OutputFolder("out");
    fs::create_directories(out + "/TESTAPP");
    WriteBytes(out + "/TESTAPP/app.exe", {'m', 'i', 'n', 'e'});
    const auto report = Open({fixture.Folders()})->Extract(out, {});
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].member, "APP.EXE");
    EXPECT_NE(report.problems[0].message.find("not replaced"), std::string::npos);
    EXPECT_EQ(ReadBytes(out + "/TESTAPP/app.exe"), (std::vector<std::uint8_t>{'m', 'i', 'n', 'e'}));
    int copies = 0;
    for (const auto& entry : fs::directory_iterator(out + "/TESTAPP"))
        copies += entry.path().filename() == "app.exe" || entry.path().filename() == "APP.EXE";
    EXPECT_EQ(copies, 1);
    EXPECT_TRUE(fs::exists(out + "/TESTAPP/DATA/DATA.DAT"));
}

TEST(Distribution, ADestinationOutsideTheFolderIsRefused) {
    DistributionFixture fixture("..\\..\\OUTSIDE");
    const std::string out = fixture.OutputFolder("out");
    const auto report = Open({fixture.Folders()})->Extract(out, {});
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].member, "DATA.DAT");
    EXPECT_NE(report.problems[0].message.find("refers to a folder"), std::string::npos)
        << report.problems[0].message;
    EXPECT_FALSE(fs::exists(fixture.OutputFolder("OUTSIDE")));
    EXPECT_TRUE(fs::exists(out + "/TESTAPP/APP.EXE"));
}

TEST(Distribution, AFlippedByteInAnImageIsReportedAndTheRestStillTested) {
    DistributionFixture fixture;
    std::vector<std::uint8_t> image = ReadBytes(fixture.ImageOf(2));
    const CFatImage fat(image);
    const FatDirEntry volume = fat.Find("MAIN.MF2");
    const std::size_t offset = fat.Geometry().DataOffset() +
                               (volume.firstCluster - 2) * fat.Geometry().ClusterBytes() + 5000;
    image[offset] ^= 0x40; // inside DATA.DAT's stored data
    WriteBytes(fixture.ImageOf(2), image);

    const auto report = Open(fixture.Images())->Test({});
    ASSERT_EQ(report.problems.size(), 1u);
    const DistributionProblem& p = report.problems[0];
    EXPECT_EQ(p.member, "DATA.DAT");
    EXPECT_EQ(p.archive, "MAIN.MF1");
    EXPECT_EQ(p.diskette, 1);
    EXPECT_EQ(p.lastDiskette, 2);
    EXPECT_EQ(p.lastDisketteName, fixture.ImageOf(2));
    EXPECT_EQ(p.message, "Archive file damaged (CRC Mismatch)");
    int ok = 0;
    for (const MemberResult& r : report.results)
        ok += r.outcome == MemberOutcome::ok;
    EXPECT_EQ(ok, 6); // SYS.DLL and NOTINST.TXT after it on the same volume too
}

TEST(Distribution, TruncatedAndHostileImagesNameTheImage) {
    DistributionFixture fixture;
    std::vector<std::uint8_t> image = ReadBytes(fixture.ImageOf(2));
    image.resize(image.size() / 2);
    WriteBytes(fixture.ImageOf(2), image);
    try {
        CDisketteSet::Open(fixture.Images());
        ADD_FAILURE() << "a truncated image was accepted";
    } catch (const CDistributionError& e) {
        EXPECT_EQ(std::string(e.what()).find(fixture.ImageOf(2) + ": the image is truncated"), 0u)
            << e.what();
    }

    DistributionFixture second;
    std::vector<std::uint8_t> looping = ReadBytes(second.ImageOf(1));
    const CFatImage fat(looping);
    const std::uint32_t cluster = fat.Find("MAIN.MF1").firstCluster + 1;
    std::uint8_t* link = looping.data() + 512 + cluster + cluster / 2; // FAT12 entry
    if (cluster & 1) {
        link[0] = static_cast<std::uint8_t>((link[0] & 0x0F) | ((cluster & 0x0F) << 4));
        link[1] = static_cast<std::uint8_t>(cluster >> 4);
    } else {
        link[0] = static_cast<std::uint8_t>(cluster);
        link[1] = static_cast<std::uint8_t>((link[1] & 0xF0) | (cluster >> 8));
    }
    WriteBytes(second.ImageOf(1), looping);
    try {
        CDisketteSet::Open(second.Images());
        ADD_FAILURE() << "a looping chain was accepted";
    } catch (const CDistributionError& e) {
        EXPECT_NE(
            std::string(e.what()).find(second.ImageOf(1) + ": MAIN.MF1: its cluster chain loops"),
            std::string::npos)
            << e.what();
    }
}

TEST(Distribution, AMissingVolumeEndsItsArchiveAndTheOthersAreStillTested) {
    DistributionFixture fixture;
    fs::remove(fixture.Folders() + "/DISK02/MAIN.MF2");
    const auto report = Open({fixture.Folders()})->Test({});
    ASSERT_EQ(report.problems.size(), 1u);
    const DistributionProblem& p = report.problems[0];
    EXPECT_EQ(p.archive, "MAIN.MF1");
    EXPECT_EQ(p.member, "DATA.DAT");
    EXPECT_EQ(p.lastDiskette, 2);
    EXPECT_EQ(p.message, "MAIN.MF2 is not on diskette 2") << p.message;
    // APP.EXE, README.HLP before it, EXTRA.TXT and LICENSE.TXT in other records.
    EXPECT_EQ(report.results.size(), 4u);
}

TEST(Distribution, TheApplicationFolderIsTakenWithoutItsDrive) {
    DistributionFixture fixture("DATA", "D:\\APPS\\DEMO");
    const auto listing = Open({fixture.Folders()})->List({}, false);
    EXPECT_EQ(FindMember(listing.members, "DATA.DAT")->folder, "APPS\\DEMO\\DATA");
    EXPECT_EQ(FindMember(listing.members, "APP.EXE")->installedPath, "C:\\APPS\\DEMO\\APP.EXE");
}

TEST(Distribution, AFolderOfImagesStandsForTheImages) {
    DistributionFixture fixture;
    const fs::path folder = fs::path(fixture.OutputFolder("images"));
    fs::create_directories(folder);
    fs::copy_file(fixture.ImageOf(1), folder / "second.flp");
    fs::copy_file(fixture.ImageOf(2), folder / "first.vfd");
    auto distribution = Open({folder.string()});
    EXPECT_EQ(distribution->Diskettes().DisketteName(1), (folder / "second.flp").string());
    EXPECT_TRUE(distribution->Test({}).problems.empty());
}
