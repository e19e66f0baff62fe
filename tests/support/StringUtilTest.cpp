#include "support/StringUtil.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

namespace {

using Helper = void (*)(std::string&);

struct HelperCase {
    const char* name;
    Helper helper;
    const char* input;
    const char* expected;
};

void RemovePipeFront(std::string& s) {
    RemoveLeadingChar(s, '|');
}
void RemovePipeBack(std::string& s) {
    RemoveTrailingChar(s, '|');
}

TEST(StringUtil, CharacterAndBackslashHelpers) {
    const HelperCase cases[] = {
        {"AddTrailing empty", AddTrailingBackslash, "", "\\"},
        {"AddTrailing plain", AddTrailingBackslash, "C:\\APP", "C:\\APP\\"},
        {"AddTrailing present", AddTrailingBackslash, "C:\\APP\\", "C:\\APP\\"},
        {"AddTrailing slash", AddTrailingBackslash, "C:/APP/", "C:/APP/\\"},
        {"AddLeading empty", AddLeadingBackslash, "", "\\"},
        {"AddLeading plain", AddLeadingBackslash, "APP", "\\APP"},
        {"AddLeading present", AddLeadingBackslash, "\\APP", "\\APP"},
        {"RemoveTrailing lone", RemoveTrailingBackslash, "\\", "\\"},
        {"RemoveTrailing one", RemoveTrailingBackslash, "\\APP\\", "\\APP"},
        {"RemoveTrailing only one", RemoveTrailingBackslash, "APP\\\\", "APP\\"},
        {"RemoveTrailing none", RemoveTrailingBackslash, "APP", "APP"},
        {"RemoveLeading lone", RemoveLeadingBackslash, "\\", "\\"},
        {"RemoveLeading one", RemoveLeadingBackslash, "\\BIN", "BIN"},
        {"RemoveLeadingChar", RemovePipeFront, "|a|", "a|"},
        {"RemoveLeadingChar lone", RemovePipeFront, "|", ""},
        {"RemoveLeadingChar empty", RemovePipeFront, "", ""},
        {"RemoveLeadingChar other", RemovePipeFront, "a|", "a|"},
        {"RemoveTrailingChar", RemovePipeBack, "|a|", "|a"},
        {"RemoveTrailingChar lone", RemovePipeBack, "|", ""},
        {"RemoveTrailingChar empty", RemovePipeBack, "", ""},
    };
    for (const HelperCase& c : cases) {
        std::string s = c.input;
        c.helper(s);
        EXPECT_EQ(s, c.expected) << c.name;
    }
}

TEST(StringUtil, TrimBlanksTakesOffTheGivenBlanksAtBothEnds) {
    const struct {
        const char* input;
        const char* blanks;
        const char* expected;
    } cases[] = {
        {"  a b\t", kSpaceAndTab, "a b"},
        {"\t\t", kSpaceAndTab, ""},
        {"", kSpaceAndTab, ""},
        {"x", kSpaceAndTab, "x"},
        // Line ends are no blanks by default, only when the caller names them.
        {"\r\n key \r\n", kSpaceAndTab, "\r\n key \r\n"},
        {"\r\n key \v\f", " \t\n\v\f\r", "key"},
        {"--a-b--", "-", "a-b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrimBlanks(c.input, c.blanks), c.expected) << "'" << c.input << "'";
    // A NUL byte is text, not a blank.
    const std::string withNul("\0 a \0", 5);
    EXPECT_EQ(TrimBlanks(withNul), withNul);
    // The result views the text it was given.
    const std::string text = " value ";
    EXPECT_EQ(TrimBlanks(text).data(), text.data() + 1);
    const std::string blanks = " \t ";
    EXPECT_EQ(TrimBlanks(blanks).data(), blanks.data() + blanks.size());
}

TEST(StringUtil, TruncateString) {
    std::string s = "abcdef";
    TruncateString(s, 10);
    EXPECT_EQ(s, "abcdef");
    TruncateString(s, 6);
    EXPECT_EQ(s, "abcdef");
    TruncateString(s, 3);
    EXPECT_EQ(s, "abc");
    TruncateString(s, 0);
    EXPECT_EQ(s, "");
}

struct FieldCase {
    const char* text;
    int index;
    bool found;
    const char* field;
};

TEST(StringUtil, ExtractFieldSplitsAtSeparator) {
    const FieldCase cases[] = {
        {"a|b|c", 0, true, "a"},  {"a|b|c", 1, true, "b"}, {"a|b|c", 2, true, "c"},
        {"a|b|c", 3, false, ""},  {"a|b|c", 5, false, ""}, {"a||c", 1, true, ""},
        {"a||c", 2, true, "c"},   {"", 0, true, ""},       {"", 1, false, ""},
        {"|", 0, true, ""},       {"|", 1, true, ""},      {"|", 2, false, ""},
        {"abc", 0, true, "abc"},  {"a|b|", 2, true, ""},   {" a | b ", 1, true, " b "},
        {"x|y|z", -1, false, ""},
    };
    for (const FieldCase& c : cases) {
        std::string out = "preset";
        EXPECT_EQ(ExtractField(out, std::string(c.text), c.index), c.found)
            << c.text << " #" << c.index;
        EXPECT_EQ(out, c.field) << c.text << " #" << c.index;
    }
}

TEST(StringUtil, ExtractFieldWithoutTextLeavesOutput) {
    std::string out = "preset";
    EXPECT_FALSE(ExtractField(out, static_cast<const char*>(nullptr), 0));
    EXPECT_EQ(out, "preset");
}

TEST(StringUtil, ExtractFieldOtherSeparator) {
    std::string out;
    EXPECT_TRUE(ExtractField(out, "k1,k2|x,k3", 1, ','));
    EXPECT_EQ(out, "k2|x");
}

struct NumberCase {
    const char* text;
    std::int32_t value;
};

TEST(StringUtil, ParseLongConversionRules) {
    const NumberCase cases[] = {
        {"0", 0},
        {"12", 12},
        {"12abc", 12},
        {"-5", -5},
        {"+7", 7},
        {"  \t42", 42},
        {"\n-3x", -3},
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {"+-3", 0},
        {"- 3", 0},
        {"1 2", 1},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"4294967297", 1}, // wraps modulo 2^32
        {"2147483648", -2147483647 - 1},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(ParseLong(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(StringUtil, ParseShortKeepsLow16Bits) {
    EXPECT_EQ(ParseShort("32767"), 32767);
    EXPECT_EQ(ParseShort("32768"), -32768);
    EXPECT_EQ(ParseShort("65535"), -1);
    EXPECT_EQ(ParseShort("65536"), 0);
    EXPECT_EQ(ParseShort("65537"), 1);
    EXPECT_EQ(ParseShort("-8"), -8);
    EXPECT_EQ(ParseShort("-32769"), 32767);
}

TEST(StringUtil, TypedFieldsKeepDefaultWhenMissing) {
    std::int16_t s = 99;
    std::int32_t l = 99;
    bool b = true;
    EXPECT_FALSE(ExtractShortField(s, "1|2", 2));
    EXPECT_FALSE(ExtractLongField(l, "1|2", 2));
    EXPECT_FALSE(ExtractBoolField(b, "1|2", 2));
    EXPECT_EQ(s, 99);
    EXPECT_EQ(l, 99);
    EXPECT_TRUE(b);
}

TEST(StringUtil, TypedFieldsConvertPresentFields) {
    std::int16_t s = 99;
    std::int32_t l = 99;
    bool b = false;
    EXPECT_TRUE(ExtractShortField(s, "x|40000|", 1));
    EXPECT_EQ(s, 40000 - 65536);
    EXPECT_TRUE(ExtractShortField(s, "x|40000|", 2));
    EXPECT_EQ(s, 0);
    EXPECT_TRUE(ExtractLongField(l, "12abc|-5", 0));
    EXPECT_EQ(l, 12);
    EXPECT_TRUE(ExtractLongField(l, "12abc|-5", 1));
    EXPECT_EQ(l, -5);
    EXPECT_TRUE(ExtractBoolField(b, "0|2|x", 1));
    EXPECT_TRUE(b);
    EXPECT_TRUE(ExtractBoolField(b, "0|2|x", 0));
    EXPECT_FALSE(b);
    b = true;
    EXPECT_TRUE(ExtractBoolField(b, "0|2|x", 2));
    EXPECT_FALSE(b);
    // 65536 is not zero as a 32-bit number, so the flag is set.
    EXPECT_TRUE(ExtractBoolField(b, "65536", 0));
    EXPECT_TRUE(b);
}

TEST(StringUtil, FormatStringStandardConversions) {
    std::string out;
    EXPECT_EQ(FormatString(out, "%s=%d", "key", -12), 7);
    EXPECT_EQ(out, "key=-12");
    FormatString(out, "%.4x|%02d|%04ld|%c", 0x1f, 7, 42L, 'z');
    EXPECT_EQ(out, "001f|07|0042|z");
    FormatString(out, "%u%%", 100u);
    EXPECT_EQ(out, "100%");
}

TEST(StringUtil, FormatStringCutsAt511) {
    const std::string longText(2000, 'x');
    std::string out;
    EXPECT_EQ(FormatString(out, "%s", longText.c_str()), 511);
    EXPECT_EQ(out, longText.substr(0, 511));
    EXPECT_EQ(FormatString(out, "ab%s", std::string(509, 'y').c_str()), 511);
    EXPECT_EQ(out.size(), 511u);
    EXPECT_EQ(FormatString(out, "ab%s", std::string(510, 'y').c_str()), 511);
    EXPECT_EQ(out.back(), 'y');
    EXPECT_EQ(FormatString(out, "%s", ""), 0);
    EXPECT_EQ(out, "");
}

namespace {

std::string CutTo(std::size_t maxLength, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatCutV(maxLength, format, args);
    va_end(args);
    return text;
}

std::string Whole(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatWholeV(format, args);
    va_end(args);
    return text;
}

} // namespace

// Each length around the buffer's size: one short of it, filling it exactly (where the
// Windows runtime leaves no terminator) and one past it.
TEST(StringUtil, FormatCutKeepsExactlyWhatFitsAroundTheBufferSize) {
    for (std::size_t length : {6u, 7u, 8u, 9u}) {
        const std::string text(length, 'q');
        EXPECT_EQ(CutTo(7, "%s", text.c_str()), text.substr(0, 7)) << length;
    }
    EXPECT_EQ(CutTo(0, "%s", "abc"), "");
    EXPECT_EQ(CutTo(7, "%d-%s", 42, "z"), "42-z");
}

TEST(StringUtil, FormatWholeKeepsResultsLongerThanEveryBufferItTries) {
    for (std::size_t length : {0u, 255u, 256u, 257u, 511u, 512u, 5000u}) {
        const std::string text(length, 'w');
        EXPECT_EQ(Whole("<%s>", text.c_str()), "<" + text + ">") << length;
    }
}

TEST(StringUtil, HexGeneratorFollowsTheLinearCongruentialRule) {
    CHexNameGenerator generator;
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478};
    for (int value : expected) {
        EXPECT_EQ(generator.NextValue(), value);
    }
}

TEST(StringUtil, HexGeneratorPrintsValuesInReverseOrder) {
    CHexNameGenerator generator;
    // v1..v5 = 41, 18467, 6334, 26500, 19169 printed as v5 v4 v3 v2 v1.
    EXPECT_EQ(generator.NextString(20), "4ae1678418be48230029");
    CHexNameGenerator another;
    EXPECT_EQ(another.NextString(8), "4ae16784");
    EXPECT_EQ(another.NextString(0), "");
    EXPECT_EQ(another.NextString(99).size(), 20u);
}

TEST(StringUtil, RandomHexStringGivesLowerCaseHexDigits) {
    for (int n = 0; n <= 20; ++n) {
        const std::string s = RandomHexString(n);
        ASSERT_EQ(s.size(), static_cast<std::size_t>(n));
        for (char c : s) {
            EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) << s;
        }
    }
    EXPECT_NE(RandomHexString(8), RandomHexString(8));
}

TEST(StringUtil, SeparatorSearchSkipsNothingInSingleByteText) {
    EXPECT_EQ(FindChar("a|b|c", '|'), 1u);
    EXPECT_EQ(FindChar("a|b|c", '|', 2), 3u);
    EXPECT_EQ(FindChar("abc", '|'), std::string::npos);
    EXPECT_EQ(FindLastChar("\\a\\b", '\\'), 2u);
    EXPECT_EQ(FindLastOf("a/b\\c/d", "\\/"), 5u);
    EXPECT_EQ(FindLastOf("abc", "\\/"), std::string::npos);
}

// Lead bytes of a double-byte code page of the Shift-JIS kind, whose trail bytes include
// '\\' (0x5C) and '|' (0x7C).
bool FakeLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

TEST(StringUtil, SeparatorSearchSkipsTrailBytes) {
    const std::string text = "a\x95|b|\x83\\c\\d";
    // The '|' at 2 and the '\\' at 6 are trail bytes of double-byte characters.
    EXPECT_EQ(FindChar(text, '|', 0, FakeLeadByte), 4u);
    EXPECT_EQ(FindChar(text, '|', 0, [](unsigned char) { return false; }), 2u);
    EXPECT_EQ(FindLastOf("\x83\\", "\\", FakeLeadByte), std::string::npos);
    EXPECT_EQ(FindLastOf(text, "\\", FakeLeadByte), 8u);
    // A lead byte at the very end is a character of its own.
    EXPECT_EQ(FindChar("ab\x95", '|', 0, FakeLeadByte), std::string::npos);
}

#ifdef _WIN32
TEST(StringUtil, GetShortPathOfMissingPathIsEmpty) {
    EXPECT_EQ(GetShortPath("C:\\no such dir\\no such file.txt"), "");
    EXPECT_FALSE(GetShortPath("C:\\windows").empty());
}
#endif

} // namespace
