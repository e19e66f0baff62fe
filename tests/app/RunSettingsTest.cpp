#include "app/RunSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

struct PathCase {
    const char* program;
    const char* line;
    const char* profile;
    const char* sourceDir;
    const char* installLog;
};

TEST(RunSettings, PathsFromProgramAndOptionD) {
    const PathCase cases[] = {
        {"A:\\SETUP.EXE", "", "A:\\SETUP.ini", "A:\\", "A:\\install.log"},
        {"C:\\DIST\\DISK1\\SETUP.EXE", "", "C:\\DIST\\DISK1\\SETUP.ini", "C:\\DIST\\DISK1\\",
         "C:\\DIST\\DISK1\\install.log"},
        {"A:\\SETUP.EXE", "/D:C:\\SRC", "C:\\SRC\\SETUP.ini", "C:\\SRC\\", "A:\\install.log"},
        {"A:\\SETUP.EXE", "/D:C:\\SRC\\", "C:\\SRC\\SETUP.ini", "C:\\SRC\\", "A:\\install.log"},
        {"A:\\SETUP.EXE", "/D:C:\\ /D:D:\\X", "D:\\X\\SETUP.ini", "D:\\X\\", "A:\\install.log"},
        {"A:\\SETUP.EXE", "/D", "A:\\SETUP.ini", "A:\\", "A:\\install.log"},
        {"A:\\SETUP.EXE", "/D:", "A:\\SETUP.ini", "A:\\", "A:\\install.log"},
        {"A:\\SETUP.EXE", "/d:C:\\SRC", "A:\\SETUP.ini", "A:\\", "A:\\install.log"},
        {"A:\\SETUP.EXE", "/ plain words", "A:\\SETUP.ini", "A:\\", "A:\\install.log"},
        {"A:\\SETUP", "", "A:\\SETUP.ini", "A:\\", "A:\\install.log"},
    };
    for (const PathCase& c : cases) {
        CRunPaths paths = MakeRunPaths(c.program);
        CRunOptions options;
        ApplyOptions(CCommandLine(c.line), paths, options);
        EXPECT_EQ(paths.profile.GetText(), c.profile) << c.program << " " << c.line;
        EXPECT_EQ(paths.sourceDir.GetText(), c.sourceDir) << c.program << " " << c.line;
        EXPECT_EQ(paths.installLog.GetText(), c.installLog) << c.program << " " << c.line;
    }
}

struct FlagCase {
    const char* line;
    bool removal;
    bool unattended;
    bool ignoreConditions;
    std::uint32_t notifyThread;
};

TEST(RunSettings, Flags) {
    const FlagCase cases[] = {
        {"", false, false, false, 0},
        {"/U", true, false, false, 0},
        {"/u", false, false, false, 0},
        {"/Uxyz", true, false, false, 0},
        {"/B /I", false, true, true, 0},
        {"/b /i", false, false, false, 0},
        {"/T:1234", false, false, false, 1234},
        {"/T:abc", false, false, false, 0},
        {"/T:12abc", false, false, false, 12},
        {"/T:", false, false, false, 0},
        {"/T:1 /T:77", false, false, false, 77},
        {"/ / word", false, false, false, 0},
        {"/U /B /I /T:9", true, true, true, 9},
    };
    for (const FlagCase& c : cases) {
        CRunPaths paths = MakeRunPaths("A:\\SETUP.EXE");
        CRunOptions options;
        ApplyOptions(CCommandLine(c.line), paths, options);
        EXPECT_EQ(options.removal, c.removal) << c.line;
        EXPECT_EQ(options.unattended, c.unattended) << c.line;
        EXPECT_EQ(options.ignoreConditions, c.ignoreConditions) << c.line;
        EXPECT_EQ(options.notifyThread, c.notifyThread) << c.line;
    }
}

TEST(RunSettings, ConfirmRemovalOptionIsUnattendedAndCaseSensitive) {
    struct Case {
        const char* line;
        bool confirmRemoval;
        bool unattended;
        bool showHelp;
    };
    const Case cases[] = {
        {"/U /Y", true, true, false}, {"/U /y", false, false, false}, {"/Y /B", true, true, false},
        {"/B", false, true, false},   {"/?", false, false, true},     {"/B /?", false, true, true},
        {"/Yes", true, true, false},  {"/Y:", true, true, false},
    };
    for (const Case& c : cases) {
        CRunPaths paths = MakeRunPaths("A:\\SETUP.EXE");
        CRunOptions options;
        ApplyOptions(CCommandLine(c.line), paths, options);
        EXPECT_EQ(options.confirmRemoval, c.confirmRemoval) << c.line;
        EXPECT_EQ(options.unattended, c.unattended) << c.line;
        EXPECT_EQ(options.showHelp, c.showHelp) << c.line;
    }
}

TEST(RunSettings, UsageTextNamesEveryOptionAndExitCode) {
    const std::string text = UsageText();
    for (const char* part : {"/D:dir", "/T:id", "/U\t", "/B\t", "/Y\t", "/I\t", "/?\t", "\n0\t",
                             "\n1602\t", "\n1603\t", "\n3010\t"}) {
        EXPECT_NE(text.find(part), std::string::npos) << part;
    }
}

std::string WriteProfile(const std::string& name, const std::string& content) {
    const std::filesystem::path dir = std::filesystem::current_path() / "app-fixtures";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

void ExpectDefaults(const CGeneralSettings& general) {
    EXPECT_EQ(general.appTitle, "MISSING APP TITLE");
    EXPECT_EQ(general.appSetup, "MISSING APP SETUP");
    EXPECT_EQ(general.pmGroup, "MISSING PM GROUP");
    EXPECT_EQ(general.primaryNameExtension, "");
    EXPECT_EQ(general.displayName, "");
    EXPECT_TRUE(general.splashPath.IsEmpty());
}

TEST(RunSettings, MissingProfileOrSectionGivesTheDefaults) {
    const std::string missing = (std::filesystem::current_path() / "no-such.ini").string();
    ExpectDefaults(ReadGeneralSettings(missing, PortableProfileBackend()));
    const std::string noGeneral = WriteProfile("nogeneral.ini", "[destinations]\r\n0=x\r\n");
    ExpectDefaults(ReadGeneralSettings(noGeneral, PortableProfileBackend()));
}

TEST(RunSettings, GeneralIsReadRegardlessOfCase) {
    const std::string profile = WriteProfile("general.ini", "[General]\r\n"
                                                            "app title=Demo App\r\n"
                                                            "APP SETUP = Demo Setup\r\n"
                                                            "PM Group=Demo\r\n"
                                                            "Primary NameExtension=DEMO.EXE\r\n"
                                                            "Display Name=Demo 1.0\r\n"
                                                            "Splash Path=C:\\PICS\\LOGO.BMP\r\n");
    const CGeneralSettings general = ReadGeneralSettings(profile, PortableProfileBackend());
    EXPECT_EQ(general.appTitle, "Demo App");
    EXPECT_EQ(general.appSetup, "Demo Setup");
    EXPECT_EQ(general.pmGroup, "Demo");
    EXPECT_EQ(general.primaryNameExtension, "DEMO.EXE");
    EXPECT_EQ(general.displayName, "Demo 1.0");
    EXPECT_EQ(general.splashPath.GetFileName(), "LOGO.BMP");
}

TEST(RunSettings, EmptyValueIsKeptNotReplacedByTheDefault) {
    const std::string profile = WriteProfile("empty.ini", "[general]\r\nApp Title=\r\n");
    EXPECT_EQ(ReadGeneralSettings(profile, PortableProfileBackend()).appTitle, "");
}

TEST(RunSettings, RemovalCommand) {
    EXPECT_EQ(MakeRemovalCommand("C:\\WINDOWS\\SYSTEM\\", "C:\\APP\\SETUP.EXE"),
              "C:\\WINDOWS\\SYSTEM\\_xktinst.exe /U /PP:C:\\APP\\SETUP.ini");
}

} // namespace
