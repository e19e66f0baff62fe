#include "resources/StringTable.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Ids the program refers to: messages of pages and reports, the profile error pair and
// the two ranges of exception texts.
std::vector<unsigned> RequiredIds() {
    std::vector<unsigned> ids = {5, 7, 9, 10, 13, 14, 15, 17};
    for (unsigned id = 24576; id <= 24611; ++id) {
        ids.push_back(id);
    }
    for (unsigned id = 27648; id <= 27662; ++id) {
        ids.push_back(id);
    }
    return ids;
}

TEST(StringTable, HoldsExactlyTheIdsTheProgramUses) {
    EXPECT_EQ(BuiltInStringIds(), RequiredIds());
}

TEST(StringTable, EveryTextIsNonEmptyAndFreeOfNul) {
    for (unsigned id : BuiltInStringIds()) {
        const std::string text = LoadStringId(id);
        EXPECT_FALSE(text.empty()) << id;
        EXPECT_EQ(text.find('\0'), std::string::npos) << id;
    }
}

TEST(StringTable, LongTextsComeWholeAndExact) {
    EXPECT_EQ(LoadStringId(13),
              "The profile that holds application install information is missing or damaged. "
              "Possible causes:\r\n\r\n- damaged diskette 1\r\n- possible diskette alignment or "
              "hardware problem\r\n- insufficient disk space");
    EXPECT_EQ(LoadStringId(24585),
              "An error occurred while accessing the resources associated with this application. "
              "Possible causes:\r\n\r\n- A damaged .EXE or .DLL file\r\n- Not enough file "
              "handles\r\n- System resources are exhausted.");
    EXPECT_EQ(LoadStringId(27649).size(), 246u);
}

TEST(StringTable, KeepsOddLineBreaksSpellingAndTrailingBlanks) {
    EXPECT_EQ(LoadStringId(24593), "The path specfied for accessing a file is invalid. ");
    EXPECT_EQ(LoadStringId(24604),
              "There was a hardware error accessing your file system. Possible causes\r:\n- "
              "incompatible driver versions\n- power surge\r\n- hardware failure\r\n\r\nYou may "
              "want to shut down your computer and try again.");
    const std::string locking = "A locking violation occured accessing a file. Possible "
                                "causes:\r\n\r\n-- another application has loaded this "
                                "file\n- another user";
    EXPECT_EQ(LoadStringId(24608).substr(0, locking.size()), locking);
    EXPECT_EQ(LoadStringId(24576), "An unkown error occured.");
    EXPECT_EQ(LoadStringId(24609), "Disk full");
}

TEST(StringTable, ProgramMessages) {
    EXPECT_EQ(LoadStringId(5),
              "%app title%  installation not complete. Do you really want to exit Setup?");
    EXPECT_EQ(LoadStringId(7), "Cannot Create Directory");
    EXPECT_EQ(LoadStringId(9), "Setup cannot continue");
    EXPECT_EQ(LoadStringId(14), "Continue Operation");
    EXPECT_EQ(LoadStringId(15), "Cancel Operation");
    EXPECT_EQ(LoadStringId(17), "Cannot install files from '%s':");
}

TEST(StringTable, MissingIdsAreEmpty) {
    for (unsigned id : {0u, 1u, 6u, 16u, 18u, 24575u, 24612u, 27647u, 27663u, 65535u}) {
        EXPECT_EQ(LoadStringId(id), "") << id;
        EXPECT_EQ(LoadBuiltInString(id), "") << id;
    }
}

} // namespace
