// The registration steps with a registry and a library platform that record, in one list,
// what they are asked: the values, and the order of registry writes and library attempts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/Registration.h"
#include "profile/RecordSection.h"
#include "profile/SystemFolders.h"

namespace fs = std::filesystem;

namespace {

struct CFixedClock final : CEventClock {
    std::string TimeOfDay() const override { return "12:00:00"; }
    std::uint32_t TickCount() const override { return 0; }
};

using CallList = std::vector<std::string>;

struct CRecordingRegistry final : CRegistrationTarget {
    explicit CRecordingRegistry(CallList& list) : calls(list) {}
    void RegisterAppPath(const CFilePath& exePath) override {
        calls.push_back("AppPath " + exePath.GetText());
    }
    void UnregisterAppPath(const CFilePath& exePath) override {
        calls.push_back("-AppPath " + exePath.GetText());
    }
    void RegisterUninstall(const std::string& command, const std::string& keyName,
                           const std::string& displayName) override {
        calls.push_back("Uninstall " + keyName + ": " + displayName + " | " + command);
    }
    void UnregisterUninstall(const std::string& keyName) override {
        calls.push_back("-Uninstall " + keyName);
    }
    void SetStringValue(const std::string& subkey, const std::string& valueName,
                        const std::string& data) override {
        calls.push_back(subkey + " " + valueName + "=" + data);
    }
    CallList& calls;
};

struct CRecordingPlatform final : CSelfRegPlatform {
    explicit CRecordingPlatform(CallList& list) : calls(list) {}
    SelfRegResult CallEntryPoint(const CFilePath& path, SelfRegMode mode) override {
        calls.push_back(std::string(SelfRegEntryPointName(mode)) + " " + path.GetFileName());
        return SelfRegResult::Done;
    }
    std::string ShortPath(const CFilePath&) override { return std::string(); }
    unsigned StartProgram(const std::string& commandLine) override {
        calls.push_back(commandLine);
        return 33;
    }
    CallList& calls;
};

// Destination 0 is C:\APP\ (never looked at on disk); destination 1 and the help directory
// (-8) are scratch directories: lib.dll and tool.dll lie in 1, two of the four help files in -8.
class RegistrationTest : public ::testing::Test {
protected:
    RegistrationTest() {
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "lib");
        fs::create_directories(m_dir / "help");
        std::ofstream(m_dir / "lib" / "lib.dll") << "library";
        std::ofstream(m_dir / "lib" / "tool.dll") << "library";
        std::ofstream(m_dir / "help" / "qvnlnk32.dll") << "help";
        std::ofstream(m_dir / "help" / "qvnnav32.hlp") << "help";
        m_destinations.SetResolvedPath(kDestApplication, "C:\\APP\\");
        m_destinations.SetResolvedPath(1, (m_dir / "lib" / "").string());
        m_destinations.SetResolvedPath(kDestHelp, HelpDir() + "/");
        std::ofstream(m_dir / "setup.ini")
            << "[SelfRegisterDLLs]\nlib.dll=1|1\ngone.dll=0|0\ntool.dll=1\n";
        m_libraries.Load((m_dir / "setup.ini").string());
    }
    ~RegistrationTest() override { fs::remove_all(m_dir); }

    std::string HelpDir() const { return (m_dir / "help").string(); }

    fs::path m_dir = fs::current_path() / "registration";
    CFixedSystemFolders m_machine{"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\TEMP\\", 4, ""};
    DestinationMap m_destinations{m_machine};
    RegistrationInputs m_inputs{m_destinations, "APP.EXE", "My Application", "SETUP.EXE"};
    SelfRegDllList m_libraries;
    CFilePath m_log = (m_dir / "install.log").string();
    CFixedClock m_clock;
    CEventLog m_events{m_log, PortableProfileBackend(), m_clock};
    CallList m_calls;
    CRecordingRegistry m_registry{m_calls};
    CRecordingPlatform m_platform{m_calls};
    CSelfRegistrar m_selfRegistrar{m_destinations, m_events, m_platform};
    CApplicationRegistrar m_registrar{m_inputs, m_registry, m_selfRegistrar, m_libraries};
};

} // namespace

TEST_F(RegistrationTest, RegisterWritesEntriesLibrariesAndHelpFilesInOrder) {
    m_registrar.Register(m_log);
    const std::string help = std::string(kHelpFilesKey) + " ";
    EXPECT_EQ(m_calls, (CallList{
                           "AppPath C:\\APP\\APP.EXE",
                           "Uninstall My Application: My Application | C:\\APP\\SETUP.EXE /U",
                           "DllRegisterServer lib.dll",
                           "regsvr /s " + (m_dir / "lib" / "tool.dll").string(),
                           // Only the files that are there, the directory without its slash.
                           help + "qvnlnk32.dll=" + HelpDir(),
                           help + "qvnnav32.hlp=" + HelpDir(),
                       }));

    std::string events;
    ForEachRecord(m_log, "Events",
                  [&](const std::string&, const std::string& value) { events += value + "\n"; });
    EXPECT_EQ(events, "Successful Register of lib.dll\n"
                      "Register of gone.dll failed: file not found\n"
                      "Successful Register of tool.dll\n");

    // The log carries the list in the profile's form, so a removal run reads it back as it was.
    SelfRegDllList fromLog;
    fromLog.Load(m_log);
    ASSERT_EQ(fromLog.Size(), m_libraries.Size());
    for (std::size_t i = 0; i < fromLog.Size(); ++i) {
        EXPECT_EQ(fromLog.Records()[i].fileName, m_libraries.Records()[i].fileName);
        EXPECT_EQ(fromLog.Records()[i].destination, m_libraries.Records()[i].destination);
        EXPECT_EQ(fromLog.Records()[i].useEntryPoint, m_libraries.Records()[i].useEntryPoint);
    }
}

TEST_F(RegistrationTest, UnregisterTakesBackLibrariesThenEntries) {
    m_registrar.Unregister();
    EXPECT_EQ(m_calls, (CallList{
                           "DllUnregisterServer lib.dll",
                           "regsvr /s /u " + (m_dir / "lib" / "tool.dll").string(),
                           "-AppPath C:\\APP\\APP.EXE",
                           "-Uninstall My Application",
                       }));
}

// Missing data leaves the entry out, at registration and at removal alike: an empty name
// would otherwise make the App Paths key or the Uninstall key itself the application's entry.
TEST_F(RegistrationTest, EntriesWithoutTheirDataAreLeftOut) {
    const struct {
        const char* what;
        const char* application; // destination 0; "" = not resolved
        const char* primary;
        const char* display;
        const char* program;
        CallList registered;
        CallList unregistered;
    } cases[] = {
        {"no primary file name",
         "C:\\APP\\",
         "",
         "App",
         "SETUP.EXE",
         {"Uninstall App: App | C:\\APP\\SETUP.EXE /U"},
         {"-Uninstall App"}},
        {"no display name",
         "C:\\APP\\",
         "APP.EXE",
         "",
         "SETUP.EXE",
         {"AppPath C:\\APP\\APP.EXE"},
         {"-AppPath C:\\APP\\APP.EXE"}},
        {"no application directory", "", "APP.EXE", "App", "SETUP.EXE", {}, {"-Uninstall App"}},
        {"a blank in the program's path",
         "C:\\MY APP\\",
         "APP.EXE",
         "App",
         "SETUP.EXE",
         {"AppPath C:\\MY APP\\APP.EXE", "Uninstall App: App | \"C:\\MY APP\\SETUP.EXE\" /U"},
         {"-AppPath C:\\MY APP\\APP.EXE", "-Uninstall App"}},
    };
    const SelfRegDllList noLibraries;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CFixedSystemFolders machine{"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\TEMP\\", 4, ""};
        DestinationMap destinations{machine};
        if (*c.application != '\0') {
            destinations.SetResolvedPath(kDestApplication, c.application);
        }
        destinations.SetResolvedPath(kDestHelp, "C:\\NO HELP\\");
        const RegistrationInputs inputs{destinations, c.primary, c.display, c.program};
        CApplicationRegistrar registrar{inputs, m_registry, m_selfRegistrar, noLibraries};
        m_calls.clear();
        registrar.Register(m_log);
        // The help directory is not there, so no help files either.
        EXPECT_EQ(m_calls, c.registered);
        m_calls.clear();
        registrar.Unregister();
        EXPECT_EQ(m_calls, c.unregistered);
    }
}
