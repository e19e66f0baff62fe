// The install log's file records through the writer that keeps them in memory: the same
// records as WriteFileRecord writes one by one, on disk no later than the save delay after
// they were written, and a log whose other sections (written directly meanwhile) survive.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "ProfileTestUtil.h"
#include "profile/DestinationRecord.h"
#include "profile/EventLog.h"
#include "profile/InstallLogWriter.h"
#include "profile/ProfileCollections.h"

namespace {

struct CSettableClock final : CEventClock {
    std::string TimeOfDay() const override { return "12:00:00"; }
    std::uint32_t TickCount() const override { return tick; }
    std::uint32_t tick = 0;
};

std::string Text(const CFilePath& file) {
    std::ifstream in(file.GetText(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// What the loaders see of the log's sections: every key and its value.
std::string Readback(const CFilePath& file) {
    std::string seen;
    for (const char* section : {"Main", "Help", "Events"}) {
        seen += std::string("[") + section + "]";
        std::string keys = KeysOf(file, section) + ",";
        for (std::size_t at = 0, comma; (comma = keys.find(',', at)) != std::string::npos;
             at = comma + 1) {
            const std::string key = keys.substr(at, comma - at);
            if (!key.empty()) {
                seen += " " + key + "=" + ReadValue(file, section, key);
            }
        }
    }
    return seen;
}

struct Record {
    const char* component;
    const char* file;
    std::int16_t destination;
    bool installed;
    bool replaced;
};

const Record kRecords[] = {
    {"Main", "APP.EXE", 0, true, false},        {"Main", "SHARED.DLL", kDestSystem, false, true},
    {"Help", "APP.HLP", kDestHelp, true, true}, {"Main", "app.exe", 0, false, false},
    {"Main", "DATA.DAT", 1, true, false},
};

} // namespace

TEST(InstallLogWriter, WritesTheRecordsWriteFileRecordWrites) {
    CScratchFile direct("direct.log", "[Events]\r\n10:00:00:0001=Successful Register of a.dll\r\n");
    CScratchFile buffered("buffered.log",
                          "[Events]\r\n10:00:00:0001=Successful Register of a.dll\r\n");
    {
        CInstallLogWriter writer(buffered.Path());
        for (const Record& r : kRecords) {
            ASSERT_TRUE(WriteFileRecord(direct.Path(), r.component, r.file, r.destination,
                                        r.installed, r.replaced));
            writer.WriteFileRecord(r.component, r.file, r.destination, r.installed, r.replaced);
        }
    } // saved when destroyed
    EXPECT_EQ(Readback(buffered.Path()), Readback(direct.Path()));
    EXPECT_EQ(ReadValue(buffered.Path(), "Main", "APP.EXE"), "0|0|0");
    EXPECT_EQ(ReadValue(buffered.Path(), "Main", "SHARED.DLL"), "-3|0|1");
    EXPECT_EQ(KeysOf(buffered.Path(), "Main"), "APP.EXE,SHARED.DLL,DATA.DAT");
}

TEST(InstallLogWriter, SavesOnceTheOldestRecordIsDueAndKeepsOtherWriters) {
    CScratchFile log("due.log");
    CSettableClock clock;
    clock.tick = 0xFFFFFF00u; // the tick count wraps around during the test
    CInstallLogWriter writer(log.Path(), clock);
    writer.WriteFileRecord("Main", "ONE.DAT", 0, true, false);
    clock.tick += CInstallLogWriter::kSaveDelayMs - 1;
    writer.WriteFileRecord("Main", "TWO.DAT", 0, true, false);
    writer.SaveIfDue();
    EXPECT_EQ(Text(log.Path()), "");
    EXPECT_TRUE(writer.HasPendingRecords());

    clock.tick += 1;
    writer.SaveIfDue();
    EXPECT_FALSE(writer.HasPendingRecords());
    EXPECT_EQ(KeysOf(log.Path(), "Main"), "ONE.DAT,TWO.DAT");

    // An event line written directly between two saves stays; the delay counts from the
    // first record after a save.
    ASSERT_TRUE(DefaultProfileBackend().WriteString("Events", "12:00:00:0001", "Successful",
                                                    log.Path().c_str()));
    clock.tick += 10000;
    writer.WriteFileRecord("Main", "THREE.DAT", 0, true, false);
    writer.SaveIfDue();
    EXPECT_TRUE(writer.HasPendingRecords());
    clock.tick += CInstallLogWriter::kSaveDelayMs;
    writer.SaveIfDue();
    EXPECT_EQ(KeysOf(log.Path(), "Main"), "ONE.DAT,TWO.DAT,THREE.DAT");
    EXPECT_EQ(ReadValue(log.Path(), "Events", "12:00:00:0001"), "Successful");
}
