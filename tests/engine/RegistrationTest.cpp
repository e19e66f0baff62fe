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

using CallList = std::vector<std::string>;

struct CRecorder final : CRegistrationTarget, CSelfRegPlatform, CEventClock {
    void RegisterAppPath(const CFilePath& path) override { calls.push_back("+" + path.GetText()); }
    void UnregisterAppPath(const CFilePath& path) override {
        calls.push_back("-" + path.GetText());
    }
    void RegisterUninstall(const std::string& command, const std::string& key,
                           const std::string& display) override {
        calls.push_back("+" + key + ": " + display + " | " + command);
    }
    void UnregisterUninstall(const std::string& key) override { calls.push_back("-" + key); }
    void SetStringValue(const std::string& subkey, const std::string& name,
                        const std::string& data) override {
        calls.push_back(subkey + " " + name + "=" + data);
    }
    SelfRegResult CallEntryPoint(const CFilePath& path, SelfRegMode mode) override {
        calls.push_back(std::string(SelfRegEntryPointName(mode)) + " " + path.GetFileName());
        return SelfRegResult::Done;
    }
    std::string ShortPath(const CFilePath&) override { return "SHORT"; }
    unsigned StartProgram(const std::string& commandLine) override {
        calls.push_back(commandLine);
        return 33;
    }
    std::string TimeOfDay() const override { return "12:00:00"; }
    std::uint32_t TickCount() const override { return 0; }
    CallList calls;
};

// "key=value" lines of a section of file.
std::string SectionOf(const CFilePath& file, const char* section) {
    std::string lines;
    ForEachRecord(file, section, [&](const std::string& key, const std::string& value) {
        lines += key + "=" + value + "\n";
    });
    return lines;
}

} // namespace

// Destination 0 is C:\APP\ (never looked at on disk); destination 1 holds the libraries and
// the help directory (-8) two of the four help files.
TEST(RegistrationTest, RegisterAndUnregisterInOrder) {
    const fs::path dir = fs::current_path() / "registration";
    fs::remove_all(dir);
    fs::create_directories(dir / "help");
    for (const char* file : {"lib.dll", "tool.dll", "help/qvnlnk32.dll", "help/qvnnav32.hlp"}) {
        std::ofstream(dir / file) << "file";
    }
    std::ofstream(dir / "setup.ini")
        << "[SelfRegisterDLLs]\nlib.dll=1|1\ngone.dll=0|0\ntool.dll=1\n";
    CFixedSystemFolders machine{"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\TEMP\\", 4, ""};
    DestinationMap destinations{machine};
    destinations.SetResolvedPath(kDestApplication, "C:\\APP\\");
    destinations.SetResolvedPath(1, (dir / "").string());
    destinations.SetResolvedPath(kDestHelp, (dir / "help" / "").string());
    SelfRegDllList libraries;
    libraries.Load((dir / "setup.ini").string());
    const CFilePath log = (dir / "install.log").string();
    CRecorder recorder;
    CEventLog events{log, PortableProfileBackend(), recorder};
    CSelfRegistrar selfRegistrar{destinations, events, recorder};
    const RegistrationInputs inputs{destinations, "APP.EXE", "My App", "SETUP.EXE"};
    CApplicationRegistrar registrar{inputs, recorder, selfRegistrar, libraries};

    registrar.Register(log);
    registrar.UnregisterLibraries();
    registrar.Unregister();
    const std::string help = std::string(kHelpFilesKey) + " ";
    EXPECT_EQ(recorder.calls, (CallList{
                                  "+C:\\APP\\APP.EXE",
                                  "+My App: My App | C:\\APP\\SETUP.EXE /U",
                                  "DllRegisterServer lib.dll",
                                  "regsvr /s SHORT",
                                  // Only the files that are there; the directory without slash.
                                  help + "qvnlnk32.dll=" + (dir / "help").string(),
                                  help + "qvnnav32.hlp=" + (dir / "help").string(),
                                  "DllUnregisterServer lib.dll",
                                  "regsvr /s /u SHORT",
                                  "-C:\\APP\\APP.EXE",
                                  "-My App",
                              }));
    // The log carries the list in the profile's form, so that a removal run reads it back.
    EXPECT_EQ(SectionOf(log, "SelfRegisterDLLs"), "lib.dll=1|1\ngone.dll=0|0\ntool.dll=1|0\n");
    EXPECT_EQ(SectionOf(log, "Events"),
              "12:00:00:0000=Successful Register of lib.dll\n"
              "12:00:00:0001=Register of gone.dll failed: file not found\n"
              "12:00:00:0002=Successful Register of tool.dll\n"
              "12:00:00:0003=Successful Unregister of lib.dll\n"
              "12:00:00:0004=Unregister of gone.dll failed: file not found\n"
              "12:00:00:0005=Successful Unregister of tool.dll\n");
    fs::remove_all(dir);
}

// Missing data leaves the entry out, at registration and at removal alike: an empty name
// would otherwise make the App Paths key or the Uninstall key itself the application's entry.
TEST(RegistrationTest, EntriesWithoutTheirDataAreLeftOut) {
    const struct {
        const char* application; // destination 0; "" = not resolved
        const char* primary;
        const char* display;
        CallList calls; // Register, then Unregister
    } cases[] = {
        {"C:\\APP\\", "", "App", {"+App: App | C:\\APP\\SETUP.EXE /U", "-App"}},
        {"C:\\APP\\", "APP.EXE", "", {"+C:\\APP\\APP.EXE", "-C:\\APP\\APP.EXE"}},
        {"", "APP.EXE", "App", {"-App"}},
        // A blank in the program's path: quoted, so the system does not start "C:\MY".
        {"C:\\MY APP\\",
         "APP.EXE",
         "App",
         {"+C:\\MY APP\\APP.EXE", "+App: App | \"C:\\MY APP\\SETUP.EXE\" /U",
          "-C:\\MY APP\\APP.EXE", "-App"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.application) + c.primary + "|" + c.display);
        CFixedSystemFolders machine{"C:\\NO WINDOWS", "C:\\NO WINDOWS\\SYSTEM", "C:\\TEMP\\", 4,
                                    ""};
        DestinationMap destinations{machine};
        if (*c.application != '\0') {
            destinations.SetResolvedPath(kDestApplication, c.application);
        }
        CRecorder recorder;
        CEventLog events{"unused.log", PortableProfileBackend(), recorder};
        CSelfRegistrar selfRegistrar{destinations, events, recorder};
        const RegistrationInputs inputs{destinations, c.primary, c.display, "SETUP.EXE"};
        const SelfRegDllList none;
        CApplicationRegistrar registrar{inputs, recorder, selfRegistrar, none};
        registrar.Register("unused.log");
        registrar.Unregister();
        EXPECT_EQ(recorder.calls, c.calls);
    }
}
