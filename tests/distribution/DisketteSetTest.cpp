// Numbering diskettes by their contents and labels, and the name rules.
#include "distribution/DisketteSet.h"
#include "distribution/SafeNames.h"

#include <gtest/gtest.h>

namespace {

DisketteExpectations TwoDisks() {
    DisketteExpectations e;
    e.profileName = "SETUP.INI";
    e.diskOfFile = {
        {"MAIN.MF1", 1}, {"MAIN.MF2", 2}, {"EXTRA.MF1", 2}, {"SHARED.TXT", 1}, {"SHARED.TXT", 3}};
    e.labels = {{1, "Program Disk 1"}, {2, "Program Disk 2"}, {3, "Fonts"}};
    return e;
}

void ExpectNumberingError(const std::vector<DisketteCandidate>& candidates,
                          const std::string& fragment) {
    try {
        NumberDiskettes(candidates, TwoDisks());
        ADD_FAILURE() << "no error";
    } catch (const CDistributionError& e) {
        EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
    }
}

} // namespace

TEST(DisketteSet, NumbersByContentsThenByLabel) {
    const std::vector<DisketteCandidate> candidates = {
        {"b.img", "", {"main.mf2", "EXTRA.MF1"}},
        {"a.img", "PROGRAM DIS", {"SETUP.INI", "MAIN.MF1", "SHARED.TXT"}},
        {"c.img", "FONTS", {"SHARED.TXT"}}, // contents say 1 or 3, the label says 3
    };
    EXPECT_EQ(NumberDiskettes(candidates, TwoDisks()), (std::vector<std::int32_t>{2, 1, 3}));
}

TEST(DisketteSet, RefusesWhatCannotBePlaced) {
    ExpectNumberingError({{"x.img", "HOLIDAY", {"PHOTO.JPG"}}}, "x.img: cannot tell");
    ExpectNumberingError({{"x.img", "", {"SHARED.TXT"}}}, "fit diskettes 1 and 3");
    ExpectNumberingError({{"a.img", "", {"MAIN.MF2"}}, {"b.img", "", {"EXTRA.MF1"}}},
                         "a.img and b.img both look like diskette 2");
    // "PROGRAM DIS" is the label of diskettes 1 and 2 alike: it decides nothing.
    ExpectNumberingError({{"x.img", "PROGRAM DIS", {}}}, "cannot tell");
}

TEST(SafeNames, RefusesNamesThatLeaveTheFolderOrNameDevices) {
    for (const char* bad : {"", ".", "..", "CON", "nul.txt", "COM1", "lpt9.dat", "a:b", "a\\b",
                            "a/b", "x?", "trailing.", "trailing ", "tab\t"})
        EXPECT_NE(UnsafeComponentReason(bad), "") << bad;
    for (const char* good : {"APP.EXE", "COM10", "CONFIG.SYS", "a b.txt", "..x"})
        EXPECT_EQ(UnsafeComponentReason(good), "") << good;
    EXPECT_EQ(FinalComponent("C:\\BUILD\\APP.EXE"), "APP.EXE");
    EXPECT_EQ(FinalComponent("..\\..\\EVIL.TXT"), "EVIL.TXT");
}

TEST(SafeNames, Wildcards) {
    EXPECT_TRUE(MatchesWildcard("*.dll", "SYS.DLL"));
    EXPECT_TRUE(MatchesWildcard("read?e.*", "README.HLP"));
    EXPECT_TRUE(MatchesWildcard("*", ""));
    EXPECT_TRUE(MatchesWildcard("a*b*c", "aXXbYYc"));
    EXPECT_FALSE(MatchesWildcard("a*b*c", "aXXbYY"));
    EXPECT_FALSE(MatchesWildcard("*.dll", "SYS.DLL.BAK"));
    EXPECT_FALSE(MatchesWildcard("?", ""));
}
