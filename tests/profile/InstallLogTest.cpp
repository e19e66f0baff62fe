#include <gtest/gtest.h>

#include "ProfileTestUtil.h"
#include "errors/Exceptions.h"
#include "profile/ProfileCollections.h"

namespace {

// A profile as the Select Folder page and the engine leave it: destination 0 chosen, all
// resolved, typical components selected, two of three targets installed.
void PrepareInstalled(ProfileCollections& c) {
    LoadProfile(c, FixturePath("realistic.ini"));
    c.destinations.SetResolvedPath(0, CFilePath("C:\\SAMPLE\\"));
    c.destinations.ResolveAll();
    c.components.SelectBySetupType(2);
    ASSERT_TRUE(c.targets.SetInstalledPath(CFilePath("C:\\SAMPLE\\HELP\\readme.hlp")));
    ASSERT_TRUE(c.targets.SetInstalledPath(CFilePath("C:\\SAMPLE\\APP.HLP")));
    ASSERT_FALSE(c.targets.SetInstalledPath(CFilePath("C:\\SAMPLE\\OTHER.HLP")));
}

} // namespace

TEST(InstallLog, SectionsHaveTheExactFormats) {
    ProfileCollections c(TestMachine());
    PrepareInstalled(c);
    c.targets.Find("APP.HLP")->installedPath.Empty(); // not installed after all
    CScratchFile log("format.log");
    WriteCollectionsToLog(c, log.Path());

    EXPECT_EQ(KeysOf(log.Path(), "destinations"), "0,1,2,3,4");
    EXPECT_EQ(ReadValue(log.Path(), "destinations", "0"), "SAMPLE|-1|C:\\SAMPLE\\");
    EXPECT_EQ(ReadValue(log.Path(), "destinations", "3"), "\\HELP\\|0|C:\\SAMPLE\\HELP\\");
    EXPECT_EQ(ReadValue(log.Path(), "destinations", "4"),
              "SHARED|-3|C:\\WINDOWS\\SYSTEM\\SHARED\\");

    EXPECT_EQ(KeysOf(log.Path(), "groups"), "Extras,Help,Main");
    EXPECT_EQ(ReadValue(log.Path(), "groups", "Main"),
              "Program files|The application itself|1|1|1");
    EXPECT_EQ(ReadValue(log.Path(), "groups", "Help"), "Help|Help files|0|0|1");

    // Only installed targets, keys in upper case whatever the profile wrote.
    EXPECT_EQ(KeysOf(log.Path(), "targets"), "README.HLP");
    EXPECT_EQ(ReadValue(log.Path(), "targets", "README.HLP"),
              "0|-1|0|Read Me|-n 2|APP.ICO|C:\\SAMPLE\\HELP\\readme.hlp");
}

TEST(InstallLog, TargetValueCarriesEveryField) {
    ProfileCollections c(TestMachine());
    PrepareInstalled(c);
    CScratchFile log("targets.log");
    c.targets.WriteToLog(log.Path());
    EXPECT_EQ(KeysOf(log.Path(), "targets"), "APP.HLP,README.HLP");
    EXPECT_EQ(ReadValue(log.Path(), "targets", "APP.HLP"),
              "-25536|4464|1|Application Help|||C:\\SAMPLE\\APP.HLP");
}

TEST(InstallLog, FileRecords) {
    CScratchFile log("files.log");
    EXPECT_TRUE(WriteFileRecord(log.Path(), "Main", "APP.EXE", 0, true, false));
    EXPECT_TRUE(WriteFileRecord(log.Path(), "Main", "SHARED.DLL", kDestSystem, false, true));
    EXPECT_TRUE(WriteFileRecord(log.Path(), "Extras", "APP.EXE", 2, true, true));
    // The same name twice within one component keeps the last record.
    EXPECT_TRUE(WriteFileRecord(log.Path(), "Main", "APP.EXE", 1, false, false));
    EXPECT_EQ(KeysOf(log.Path(), "Main"), "APP.EXE,SHARED.DLL");
    EXPECT_EQ(ReadValue(log.Path(), "Main", "APP.EXE"), "1|0|0");
    EXPECT_EQ(ReadValue(log.Path(), "Main", "SHARED.DLL"), "-3|0|1");
    EXPECT_EQ(ReadValue(log.Path(), "Extras", "APP.EXE"), "2|1|1");
}

TEST(InstallLog, RoundTripGivesBackWhatRemovalNeeds) {
    ProfileCollections installed(TestMachine());
    PrepareInstalled(installed);
    CScratchFile log("roundtrip.log");
    WriteFileRecord(log.Path(), "Main", "SAMPLE.EXE", 0, true, false);
    WriteFileRecord(log.Path(), "Main", "SHARED.DLL", kDestSystem, true, true);
    WriteFileRecord(log.Path(), "Extras", "DEMO.DAT", 2, false, false);
    WriteCollectionsToLog(installed, log.Path());

    // The removal run: a fresh program object reads the log as its profile. It never calls
    // ResolveAll, so the paths must come back already resolved.
    const CFixedSystemFolders otherMachine("D:\\WIN", "D:\\WIN\\SYS", "D:\\T\\", 4, "");
    ProfileCollections removal(otherMachine);
    LoadProfile(removal, log.Path());

    for (std::int16_t id = 0; id <= 4; ++id) {
        SCOPED_TRACE(id);
        const DestinationRecord* before = installed.destinations.Find(id);
        const DestinationRecord* after = removal.destinations.Find(id);
        ASSERT_NE(after, nullptr);
        EXPECT_EQ(after->relativePath, before->relativePath);
        EXPECT_EQ(after->parentId, before->parentId);
        EXPECT_EQ(after->resolvedPath.GetText(), before->resolvedPath.GetText());
        EXPECT_FALSE(after->resolvedPath.IsEmpty());
    }
    EXPECT_EQ(removal.destinations.Size(), installed.destinations.Size());
    // The predefined destinations are the removal machine's own.
    EXPECT_EQ(removal.destinations.PathOf(kDestWindows).GetText(), "D:\\WIN\\");

    ASSERT_EQ(removal.components.Size(), installed.components.Size());
    for (const auto& entry : installed.components.Records()) {
        const ComponentRecord* back = removal.components.Find(entry.first);
        ASSERT_NE(back, nullptr) << entry.first;
        EXPECT_EQ(back->text1, entry.second.text1);
        EXPECT_EQ(back->description, entry.second.description);
        for (int t = 0; t < 3; ++t) {
            EXPECT_EQ(back->typeFlags[t], entry.second.typeFlags[t]);
        }
    }

    ASSERT_EQ(removal.targets.Size(), 2u);
    for (const char* name : {"README.HLP", "APP.HLP"}) {
        const TargetRecord* before = installed.targets.Find(name);
        const TargetRecord* after = removal.targets.Find(name);
        ASSERT_NE(after, nullptr) << name;
        EXPECT_EQ(after->iconIndex, before->iconIndex);
        EXPECT_EQ(after->hotKey, before->hotKey);
        EXPECT_EQ(after->minimized, before->minimized);
        EXPECT_EQ(after->itemTitle, before->itemTitle);
        EXPECT_EQ(after->viewerArguments, before->viewerArguments);
        EXPECT_EQ(after->iconFile, before->iconFile);
        EXPECT_EQ(after->installedPath.GetText(), before->installedPath.GetText());
    }

    // The file records come back as archive records of their components; nothing in removal
    // uses them, but they must not disturb the load.
    std::string files;
    for (const ArchiveRecordInfo& r : removal.archives.Records()) {
        files += r.component->key + ":" + r.fileName + "=" + std::to_string(r.size) + "/" +
                 std::to_string(r.kind) + ";";
    }
    EXPECT_EQ(files, "Extras:DEMO.DAT=2/0;Main:SAMPLE.EXE=0/1;Main:SHARED.DLL=-3/1;");
    EXPECT_EQ(removal.diskettes.Size(), 0u);
    EXPECT_EQ(removal.selfRegDlls.Size(), 0u);
}

TEST(InstallLog, AbortedInstallationLogHasNoDestinations) {
    CScratchFile log("aborted.log");
    WriteFileRecord(log.Path(), "Main", "SAMPLE.EXE", 0, true, false);
    ProfileCollections removal(TestMachine());
    try {
        LoadProfile(removal, log.Path());
        FAIL() << "expected the profile exception";
    } catch (const CInstallProfileException& e) {
        EXPECT_EQ(e.GetCause(), CInstallProfileException::kNoDestinations);
    }
}
