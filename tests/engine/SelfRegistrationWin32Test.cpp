// Self-registration on the platform: the real loader against the test libraries built beside
// this binary (SelfRegTestDll.cpp), the real short path and the real program start.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/SelfRegistration.h"
#include "profile/RecordSection.h"
#include "profile/SystemFolders.h"
#include "support/StringUtil.h"

namespace fs = std::filesystem;

namespace {

struct CFixedClock final : CEventClock {
    std::string TimeOfDay() const override { return "12:00:00"; }
    std::uint32_t TickCount() const override { return 0; }
};

// The real platform, except that programs are recorded instead of started.
struct CRecordingPlatform final : CWin32SelfRegPlatform {
    unsigned StartProgram(const std::string& commandLine) override {
        started.push_back(commandLine);
        return 33;
    }
    std::vector<std::string> started;
};

std::string EventValues(const CFilePath& log) {
    std::string events;
    ForEachRecord(log, "Events",
                  [&](const std::string&, const std::string& value) { events += value + "\n"; });
    return events;
}

// Destination 0 is a directory with blanks holding the test libraries as ok.dll, sfalse.dll
// and none.dll, and bad.dll, which is no library at all.
class SelfRegWin32Test : public ::testing::Test {
protected:
    SelfRegWin32Test() {
        char program[MAX_PATH] = {};
        ::GetModuleFileNameA(nullptr, program, MAX_PATH);
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        for (const std::string kind : {"ok", "sfalse", "none"}) {
            fs::copy_file(fs::path(program).parent_path() / ("selfreg_" + kind + ".dll"),
                          m_dir / (kind + ".dll"));
        }
        std::ofstream(m_dir / "bad.dll") << "MZ but not a library";
        m_destinations.SetResolvedPath(0, (m_dir / "").string());
    }
    ~SelfRegWin32Test() override { fs::remove_all(m_dir); }

    CFilePath PathOf(const char* file) const { return (m_dir / file).string(); }

    fs::path m_dir = fs::current_path() / "self reg dir";
    CFixedSystemFolders m_machine{"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\TEMP\\", 4, ""};
    DestinationMap m_destinations{m_machine};
    CFilePath m_log = PathOf("install.log");
    CFixedClock m_clock;
    CEventLog m_events{m_log, PlatformProfileBackend(), m_clock};
};

} // namespace

// Each library and mode gives its code, and the library is unloaded afterwards.
TEST_F(SelfRegWin32Test, EntryPointCodes) {
    const struct {
        const char* file;
        SelfRegMode mode;
        SelfRegResult result;
    } cases[] = {
        {"ok.dll", SelfRegMode::Register, SelfRegResult::Done},
        {"ok.dll", SelfRegMode::Unregister, SelfRegResult::Done},
        {"sfalse.dll", SelfRegMode::Register, SelfRegResult::EntryPointFailed},
        {"sfalse.dll", SelfRegMode::Unregister, SelfRegResult::Done},
        {"none.dll", SelfRegMode::Register, SelfRegResult::NoFunction},
        {"none.dll", SelfRegMode::Unregister, SelfRegResult::NoFunction},
        {"bad.dll", SelfRegMode::Register, SelfRegResult::LoadFailed},
    };
    CWin32SelfRegPlatform platform;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + SelfRegModeWord(c.mode));
        EXPECT_EQ(platform.CallEntryPoint(PathOf(c.file), c.mode), c.result);
        EXPECT_EQ(::GetModuleHandleA(PathOf(c.file).c_str()), nullptr);
    }
}

// The tool gets the short form of the path with blanks, unquoted, naming the same file.
TEST_F(SelfRegWin32Test, ToolCommandCarriesTheShortPath) {
    CRecordingPlatform platform;
    CSelfRegistrar registrar(m_destinations, m_events, platform);
    EXPECT_TRUE(registrar.SelfRegister(SelfRegMode::Register, 0, "ok.dll", false));
    EXPECT_TRUE(registrar.SelfRegister(SelfRegMode::Unregister, 0, "ok.dll", false));

    const std::string shortPath = GetShortPath(PathOf("ok.dll"));
    EXPECT_EQ(shortPath.find(' '), std::string::npos) << shortPath;
    EXPECT_EQ(platform.started,
              (std::vector<std::string>{"regsvr /s " + shortPath, "regsvr /s /u " + shortPath}));
    char longPath[MAX_PATH] = {};
    ASSERT_NE(::GetLongPathNameA(shortPath.c_str(), longPath, MAX_PATH), 0u) << shortPath;
    EXPECT_EQ(::lstrcmpiA(longPath, PathOf("ok.dll").c_str()), 0) << longPath;
}

// The real start works only where "regsvr" is on the search path (Wine has none: code 5).
// A missing library is found missing before anything is loaded or started.
TEST_F(SelfRegWin32Test, RealToolStartMatchesTheMachine) {
    CWin32SelfRegPlatform platform;
    CSelfRegistrar registrar(m_destinations, m_events, platform);
    char found[MAX_PATH] = {};
    const bool toolExists = ::SearchPathA(nullptr, "regsvr", ".exe", MAX_PATH, found, nullptr) != 0;
    EXPECT_EQ(registrar.SelfRegister(SelfRegMode::Register, 0, "ok.dll", false), toolExists);
    EXPECT_TRUE(registrar.SelfRegister(SelfRegMode::Register, 0, "missing.dll", true));
    EXPECT_EQ(EventValues(m_log),
              std::string(toolExists ? "Successful Register of ok.dll\n"
                                     : "Register of ok.dll failed: WinExec failed\n") +
                  "Register of missing.dll failed: file not found\n");
}
