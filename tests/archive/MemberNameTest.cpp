// The member-name gate: final components and the faults of a name, with the platform's
// code page and with a double-byte one given by the test.
#include "archive/MemberName.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A code page in the manner of Shift-JIS: 0x81-0x9F and 0xE0-0xFC are lead bytes.
bool TestLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool NoLeadByte(unsigned char) {
    return false;
}

// Characters whose trail byte is a separator or a reserved character.
const std::string kTrailBackslash = "\x95\x5C";
const std::string kTrailBar = "\x83\x7C";

TEST(MemberName, FinalComponentSkipsTrailBytes) {
    EXPECT_EQ(FinalComponent("DIR\\" + kTrailBackslash + ".TXT", TestLeadByte),
              kTrailBackslash + ".TXT");
    EXPECT_EQ(FinalComponent(kTrailBackslash + "\\APP.EXE", TestLeadByte), "APP.EXE");
    EXPECT_EQ(FinalComponent("C:" + kTrailBackslash, TestLeadByte), kTrailBackslash);
    // A lead byte at the very end has no trail byte to take along.
    EXPECT_EQ(FinalComponent("DIR\\A\x95", TestLeadByte), "A\x95");
    // Read byte by byte the same name is cut in the middle of its character.
    EXPECT_EQ(FinalComponent("DIR\\" + kTrailBackslash + ".TXT", NoLeadByte), ".TXT");
}

TEST(MemberName, EachFaultIsFound) {
    const struct {
        const char* name;
        NameFault fault;
        char character;
    } cases[] = {
        {"APP.EXE", NameFault::kNone, '\0'},
        {"", NameFault::kEmpty, '\0'},
        {"..", NameFault::kDirectory, '\0'},
        {"A\x1F", NameFault::kControlCharacter, '\x1F'},
        {"DEL\x7F", NameFault::kControlCharacter, '\x7F'},
        {"A:B", NameFault::kReservedCharacter, ':'},
        {"A\"B", NameFault::kReservedCharacter, '"'},
        {"NAME.", NameFault::kTrailingSpaceOrDot, '\0'},
        {"NAME ", NameFault::kTrailingSpaceOrDot, '\0'},
        {"CLOCK$", NameFault::kDeviceName, '\0'},
        {"clock$.txt", NameFault::kDeviceName, '\0'},
        {"CON .txt", NameFault::kDeviceName, '\0'},
        {"lpt3.x.y", NameFault::kDeviceName, '\0'},
        {"CLOCK", NameFault::kNone, '\0'},
        {"COM0", NameFault::kNone, '\0'},
        {"LPT10", NameFault::kNone, '\0'},
        // The first fault counts: a control character before a trailing dot.
        {"A\tB.", NameFault::kControlCharacter, '\t'},
    };
    for (const auto& c : cases) {
        const NameCheck check = CheckMemberName(c.name, NoLeadByte);
        EXPECT_EQ(check.fault, c.fault) << "'" << c.name << "'";
        EXPECT_EQ(check.character, c.character) << "'" << c.name << "'";
    }
}

TEST(MemberName, TrailBytesAreNoReservedCharacters) {
    for (const std::string& name : {kTrailBackslash, kTrailBar + ".TXT", "A" + kTrailBackslash})
        EXPECT_EQ(CheckMemberName(name, TestLeadByte).fault, NameFault::kNone) << name;
    EXPECT_EQ(CheckMemberName(kTrailBar, NoLeadByte).character, '|');
    // A reserved character after a double-byte character is still found.
    EXPECT_EQ(CheckMemberName(kTrailBackslash + "?", TestLeadByte).character, '?');
    EXPECT_EQ(UnsafeNameReason(kTrailBackslash + "|", TestLeadByte), "contains the character '|'");
}

TEST(MemberName, FoldCaseChangesOnlyAsciiLetters) {
    EXPECT_EQ(FoldCase("readMe-1.txt"), "README-1.TXT");
    EXPECT_EQ(FoldCase("\xE9t\xE9\x83\x7C"), "\xE9T\xE9\x83\x7C");
}

} // namespace
