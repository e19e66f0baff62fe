// The self-registration steps with a test platform that records what it is asked.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/SelfRegistration.h"
#include "profile/RecordSection.h"
#include "profile/SystemFolders.h"

namespace fs = std::filesystem;

namespace {

struct CFixedClock final : CEventClock {
    std::string TimeOfDay() const override { return "12:00:00"; }
    std::uint32_t TickCount() const override { return 5; }
};

struct CTestPlatform final : CSelfRegPlatform {
    SelfRegResult CallEntryPoint(const CFilePath& path, SelfRegMode mode) override {
        calls.push_back(std::string(SelfRegEntryPointName(mode)) + " " + path.GetText());
        return entryPointResult;
    }
    std::string ShortPath(const CFilePath& path) override {
        return shortDir.empty() ? std::string() : shortDir + path.GetFileName();
    }
    unsigned StartProgram(const std::string& commandLine) override {
        calls.push_back(commandLine);
        return startResult;
    }
    SelfRegResult entryPointResult = SelfRegResult::Done;
    std::string shortDir = "SHORT~1\\";
    unsigned startResult = 33;
    std::vector<std::string> calls;
};

// "key=value" lines of "Events" in file order.
std::string EventsOf(const CFilePath& log) {
    std::string events;
    ForEachRecord(log, "Events", [&](const std::string& key, const std::string& value) {
        events += key + "=" + value + "\n";
    });
    return events;
}

// Destination 0 is a scratch directory with a blank in its name holding x.dll and y.dll.
class SelfRegistrarTest : public ::testing::Test {
protected:
    SelfRegistrarTest() {
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        std::ofstream(m_dir / "x.dll") << "library";
        std::ofstream(m_dir / "y.dll") << "library";
        m_destinations.SetResolvedPath(0, Dir());
    }
    ~SelfRegistrarTest() override { fs::remove_all(m_dir); }

    std::string Dir() const { return (m_dir / "").string(); }

    SelfRegDllList LoadList(const std::string& records) {
        std::ofstream(m_dir / "setup.ini") << "[SelfRegisterDLLs]\n" << records;
        SelfRegDllList list;
        list.Load((m_dir / "setup.ini").string());
        return list;
    }

    fs::path m_dir = fs::current_path() / "self reg";
    CFixedSystemFolders m_machine{"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\TEMP\\", 4, ""};
    DestinationMap m_destinations{m_machine};
    CFilePath m_log = (m_dir / "install.log").string();
    CFixedClock m_clock;
    CEventLog m_events{m_log, PortableProfileBackend(), m_clock};
    CTestPlatform m_platform;
    CSelfRegistrar m_registrar{m_destinations, m_events, m_platform};
};

} // namespace

// One attempt per row: the platform's answers, what it was asked ('%' = the directory, ""
// for nothing), the event and the result.
TEST_F(SelfRegistrarTest, OneAttemptPerRecordKind) {
    const struct {
        const char* record;
        SelfRegMode mode;
        SelfRegResult entryPointResult;
        unsigned startResult;
        const char* call;
        const char* event;
        bool success;
    } cases[] = {
        {"x.dll=0|1", SelfRegMode::Register, SelfRegResult::Done, 33, "DllRegisterServer %x.dll",
         "Successful Register of x.dll", true},
        {"x.dll=0|1", SelfRegMode::Unregister, SelfRegResult::EntryPointFailed, 33,
         "DllUnregisterServer %x.dll", "Unregister of x.dll failed: No function", false},
        {"x.dll=0|1", SelfRegMode::Register, SelfRegResult::NoFunction, 33,
         "DllRegisterServer %x.dll", "Register of x.dll failed: No function", false},
        {"x.dll=0|1", SelfRegMode::Register, SelfRegResult::LoadFailed, 33,
         "DllRegisterServer %x.dll", "Register of x.dll failed: LoadLibrary", false},
        // An empty value: destination 0 and the tool.
        {"x.dll=", SelfRegMode::Register, SelfRegResult::Done, 33, "regsvr /s SHORT~1\\x.dll",
         "Successful Register of x.dll", true},
        {"y.dll=0|0", SelfRegMode::Unregister, SelfRegResult::Done, 32,
         "regsvr /s /u SHORT~1\\y.dll", "Unregister of y.dll failed: WinExec failed", false},
        {"gone.dll=0|1", SelfRegMode::Unregister, SelfRegResult::Done, 33, "",
         "Unregister of gone.dll failed: file not found", true},
        // No destination 7: nowhere to look, in particular not the current directory.
        {"x.dll=7|1", SelfRegMode::Register, SelfRegResult::Done, 33, "",
         "Register of x.dll failed: file not found", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.record);
        fs::remove(m_log.GetText());
        const SelfRegDllList list = LoadList(std::string(c.record) + "\n");
        ASSERT_EQ(list.Size(), 1u);
        m_platform.calls.clear();
        m_platform.entryPointResult = c.entryPointResult;
        m_platform.startResult = c.startResult;
        const SelfRegDllRecord& record = list.Records().front();
        EXPECT_EQ(c.mode == SelfRegMode::Register ? m_registrar.Register(record)
                                                  : m_registrar.Unregister(record),
                  c.success);
        std::string call = c.call;
        if (const auto dir = call.find('%'); dir != std::string::npos) {
            call.replace(dir, 1, Dir());
        }
        EXPECT_EQ(m_platform.calls,
                  call.empty() ? std::vector<std::string>{} : std::vector<std::string>{call});
        EXPECT_EQ(EventsOf(m_log), std::string("12:00:00:0005=") + c.event + "\n");
    }
}

// Without a short form the blank would split the path into two arguments.
TEST_F(SelfRegistrarTest, ToolGetsTheLongPathQuotedWhenThereIsNoShortOne) {
    m_platform.shortDir.clear();
    EXPECT_TRUE(m_registrar.SelfRegister(SelfRegMode::Unregister, 0, "x.dll", false));
    EXPECT_EQ(m_platform.calls, std::vector<std::string>{"regsvr /s /u \"" + Dir() + "x.dll\""});
    EXPECT_EQ(SelfRegToolCommand(SelfRegMode::Register, "C:\\PROG~FBU\\X.DLL"),
              "regsvr /s C:\\PROG~FBU\\X.DLL");
}

// A failure neither stops the loop nor hides behind later successes; a missing file alone
// keeps the result true; each attempt keeps its own line.
TEST_F(SelfRegistrarTest, AllRecordsInOrderAndTheCombinedResult) {
    const SelfRegDllList list = LoadList("x.dll=0|1\ngone.dll=0|1\ny.dll=0|0\n");
    m_platform.startResult = 2;
    EXPECT_FALSE(m_registrar.RegisterAll(list));
    m_platform.startResult = 33;
    EXPECT_TRUE(m_registrar.UnregisterAll(list));
    EXPECT_EQ(EventsOf(m_log), "12:00:00:0005=Successful Register of x.dll\n"
                               "12:00:00:0006=Register of gone.dll failed: file not found\n"
                               "12:00:00:0007=Register of y.dll failed: WinExec failed\n"
                               "12:00:00:0008=Successful Unregister of x.dll\n"
                               "12:00:00:0009=Unregister of gone.dll failed: file not found\n"
                               "12:00:00:0010=Successful Unregister of y.dll\n");
    EXPECT_EQ(m_platform.calls.size(), 4u);
}
