// The event lines through the default INI backend: the portable one natively, the platform's
// private-profile functions under Wine.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "ProfileTestUtil.h"
#include "profile/EventLog.h"

namespace {

struct CFixedClock final : CEventClock {
    CFixedClock(std::string t, std::uint32_t n) : time(std::move(t)), tick(n) {}
    std::string TimeOfDay() const override { return time; }
    std::uint32_t TickCount() const override { return tick; }
    std::string time;
    std::uint32_t tick;
};

// The whole value of key in "Events" (the profile classes would cut it at 254 characters).
std::string Event(const CFilePath& log, const std::string& key) {
    char buffer[1024] = {};
    DefaultProfileBackend().GetString("Events", key.c_str(), "<absent>", buffer, sizeof buffer,
                                      log.c_str());
    return buffer;
}

} // namespace

TEST(EventLog, KeyIsTimeOfDayAndTickCountModulo1000) {
    const struct {
        std::uint32_t tick;
        const char* key;
    } cases[] = {{0, "09:15:00:0000"},
                 {999, "09:15:01:0999"},
                 {123456, "09:15:02:0456"},
                 {0xFFFFFFFFu, "09:15:03:0295"}};
    CScratchFile log("events_keys.log");
    for (const auto& c : cases) {
        CFixedClock clock(std::string(c.key).substr(0, 8), c.tick);
        CEventLog events(log.Path(), DefaultProfileBackend(), clock);
        EXPECT_EQ(events.AppendEvent(c.key), c.key);
        EXPECT_EQ(Event(log.Path(), c.key), c.key);
    }
    CEventLog system(log.Path());
    EXPECT_TRUE(std::regex_match(system.AppendEvent("now"),
                                 std::regex("([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]:0[0-9]{3}")));
}

TEST(EventLog, LogEventFormatsBoundsAndNeverFails) {
    CScratchFile log("events_format.log");
    CFixedClock clock("14:03:59", 1042);
    CEventLog events(log.Path(), DefaultProfileBackend(), clock);
    EXPECT_EQ(events.LogEvent("Successful %s of %s", "Register", "x.dll"), 28);
    EXPECT_EQ(Event(log.Path(), "14:03:59:0042"), "Successful Register of x.dll");

    // A 600-character name: the message keeps 511 characters and says so.
    const std::string name(600, 'n');
    EXPECT_EQ(events.LogEvent("%s of %s failed: LoadLibrary", "Register", name.c_str()), 511);
    EXPECT_EQ(Event(log.Path(), "14:03:59:0043"), ("Register of " + name).substr(0, 511));

    // Line breaks would start lines of their own.
    EXPECT_EQ(events.AppendEvent("a\r\n[Events]\nb=c"), "14:03:59:0044");
    EXPECT_EQ(KeysOf(log.Path(), "Events"), "14:03:59:0042,14:03:59:0043,14:03:59:0044");
    EXPECT_EQ(Event(log.Path(), "14:03:59:0044"), "a  [Events] b=c");

    CEventLog nowhere(log.Path().GetText() + ".dir/sub/install.log", DefaultProfileBackend(),
                      clock);
    EXPECT_EQ(nowhere.AppendEvent("lost"), "");
    EXPECT_EQ(nowhere.LogEvent("Successful %s of %s", "Unregister", "y.dll"), 30);
}

// Same second, same remainder, also against the lines of an earlier run: every event keeps
// its line; past 9999 the numbers start at 0000; a second with all 10000 keys taken drops
// the event and changes nothing.
TEST(EventLog, TakenKeysAreNeverReplaced) {
    std::string content = "[Events]\r\n14:03:59:0042=earlier\r\n14:03:59:0044=earlier too\r\n";
    for (int n = 42; n <= 9999; ++n) {
        content += FormatEventKey("08:00:00", n) + "=e\r\n";
    }
    CScratchFile log("events_taken.log", content);
    CFixedClock clock("14:03:59", 42);
    CEventLog events(log.Path(), DefaultProfileBackend(), clock);
    EXPECT_EQ(events.AppendEvent("first"), "14:03:59:0043");
    EXPECT_EQ(events.AppendEvent("second"), "14:03:59:0045");
    EXPECT_EQ(Event(log.Path(), "14:03:59:0042"), "earlier");
    EXPECT_EQ(Event(log.Path(), "14:03:59:0044"), "earlier too");
    EXPECT_EQ(Event(log.Path(), "14:03:59:0043"), "first");
    EXPECT_EQ(Event(log.Path(), "14:03:59:0045"), "second");

    clock.time = "08:00:00";
    EXPECT_EQ(events.AppendEvent("wrapped"), "08:00:00:0000");
    for (int n = 1; n < 42; ++n) {
        ASSERT_TRUE(WriteProfileValue(log.Path(), "Events", FormatEventKey("08:00:00", n), "e"));
    }
    EXPECT_EQ(events.AppendEvent("dropped"), "");
    EXPECT_EQ(Event(log.Path(), "08:00:00:0042"), "e");
    EXPECT_EQ(Event(log.Path(), "08:00:00:0000"), "wrapped");
}
