#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

struct OptionCase {
    const char* line;
    const char* name;
    bool present;
    const char* value;
};

TEST(CommandLine, TokensAndOptionNames) {
    const OptionCase cases[] = {
        {"/D:C:\\SRC", "D", true, "C:\\SRC"},
        {"/PP:x", "PP", true, "x"},
        {"/DA:", "DA", true, ""},
        {"/DA:", "D", false, ""},
        {"/U", "U", true, ""},
        {"/Uxyz", "U", true, "xyz"},
        {"/Uxyz", "Uxyz", false, ""},
        {"/u", "U", false, ""},
        {"/u", "u", true, ""},
        {"/T:1234", "T", true, "1234"},
        {"/T1234", "T", true, "1234"},
        {"/", "", false, ""},
        {"/:x", "", true, "x"},
        {"/D:a /D:b", "D", true, "b"},
        {"/D:a:b", "D", true, "a:b"},
        {"  /B   /I  ", "B", true, ""},
        {"  /B   /I  ", "I", true, ""},
        {"/B\t/I", "B", true, "\t/I"},
        {"\"/U\"", "U", false, ""},
        {"", "U", false, ""},
    };
    for (const OptionCase& c : cases) {
        const CCommandLine commandLine(c.line);
        EXPECT_EQ(commandLine.HasOption(c.name), c.present) << c.line << " " << c.name;
        EXPECT_EQ(commandLine.GetOption(c.name, c.present ? "unused" : ""), c.value)
            << c.line << " " << c.name;
    }
}

TEST(CommandLine, PlainWordsAreNumberedInOrder) {
    const CCommandLine commandLine("first /U second  third / /D:x fourth");
    EXPECT_EQ(commandLine.GetOption("#0"), "first");
    EXPECT_EQ(commandLine.GetOption("#1"), "second");
    EXPECT_EQ(commandLine.GetOption("#2"), "third");
    EXPECT_EQ(commandLine.GetOption("#3"), "fourth");
    EXPECT_FALSE(commandLine.HasOption("#4"));
    EXPECT_EQ(commandLine.GetCount(), 6u); // four words, U and D; the lone '/' is ignored
}

TEST(CommandLine, DefaultForAbsentOption) {
    const CCommandLine commandLine("/U");
    EXPECT_EQ(commandLine.GetOption("T", "0"), "0");
    EXPECT_EQ(commandLine.GetOption("U", "dflt"), "");
}

TEST(CommandLine, OtherSwitchCharacter) {
    const CCommandLine commandLine("-U /B", '-');
    EXPECT_TRUE(commandLine.HasOption("U"));
    EXPECT_FALSE(commandLine.HasOption("B"));
    EXPECT_EQ(commandLine.GetOption("#0"), "/B");
}

} // namespace
