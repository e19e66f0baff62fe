// The INI suite: every case runs against each backend of the build (the portable one
// everywhere, the platform's private-profile functions as well on Windows), with the same
// expectations, so the portable reader is held to the platform's behaviour.
#include "support/Profile.h"

#include "ProfileTestUtil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include <string>
#include <vector>

namespace {

struct BackendCase {
    const char* name;
    CProfileBackend& (*get)();
};

class ProfileBackendTest : public ::testing::TestWithParam<BackendCase> {
protected:
    CProfileBackend& Backend() { return GetParam().get(); }

    // The value of key through a 256-byte buffer of size 255, as CProfileString reads.
    std::string Value(const std::string& file, const char* section, const char* key,
                      const char* defaultValue = "") {
        char buffer[256] = {};
        Backend().GetString(section, key, defaultValue, buffer, 255, file.c_str());
        return buffer;
    }

    // The key names of a section, through a buffer large enough for any fixture here.
    std::vector<std::string> Keys(const std::string& file, const char* section) {
        std::vector<char> buffer(1 << 16, 'x');
        const std::uint32_t count =
            Backend().GetString(section, nullptr, "", buffer.data(),
                                static_cast<std::uint32_t>(buffer.size()), file.c_str());
        std::vector<std::string> names;
        for (std::size_t at = 0; at < count && buffer[at] != '\0';) {
            names.emplace_back(buffer.data() + at);
            at += names.back().size() + 1;
        }
        return names;
    }
};

using Names = std::vector<std::string>;

const char kBasic[] = "; leading comment\r\n"
                      "[General]\r\n"
                      "App Title=My Application\r\n"
                      "  PM Group =   Tools   \r\n"
                      "Quoted=\"  spaced  \"\r\n"
                      "Single='single'\r\n"
                      "Mismatched=\"open'\r\n"
                      "LoneQuote=\"\r\n"
                      "Inner=a \"b\" c\r\n"
                      "Trailing=value ; not a comment\r\n"
                      "Tabbed\t=\tx\ty\t\r\n"
                      "Empty=\r\n"
                      "Equals=a=b\r\n"
                      "\r\n"
                      "[destinations]\r\n"
                      "0=C:\\APP|0\r\n";

TEST_P(ProfileBackendTest, ValuesAreTrimmedAndMatchedRegardlessOfCase) {
    const std::string file = WriteFixture(kBasic);
    EXPECT_EQ(Value(file, "general", "app title"), "My Application");
    EXPECT_EQ(Value(file, "GENERAL", "APP TITLE"), "My Application");
    EXPECT_EQ(Value(file, "General", "PM Group"), "Tools");
    EXPECT_EQ(Value(file, "General", "Quoted"), "  spaced  ");
    EXPECT_EQ(Value(file, "General", "Single"), "single");
    EXPECT_EQ(Value(file, "General", "Mismatched"), "\"open'");
    EXPECT_EQ(Value(file, "General", "LoneQuote"), "\"");
    EXPECT_EQ(Value(file, "General", "Inner"), "a \"b\" c");
    EXPECT_EQ(Value(file, "General", "Trailing"), "value ; not a comment");
    EXPECT_EQ(Value(file, "General", "Tabbed"), "x\ty");
    EXPECT_EQ(Value(file, "General", "Empty", "dflt"), "");
    EXPECT_EQ(Value(file, "General", "Equals"), "a=b");
    EXPECT_EQ(Value(file, "Destinations", "0"), "C:\\APP|0");
}

TEST_P(ProfileBackendTest, MissingFileSectionOrKeyGivesTheDefault) {
    const std::string file = WriteFixture(kBasic);
    EXPECT_EQ(Value(FreshPath(), "General", "App Title", "dflt"), "dflt");
    EXPECT_EQ(Value(file, "NoSuchSection", "App Title", "dflt"), "dflt");
    EXPECT_EQ(Value(file, "General", "NoSuchKey", "dflt"), "dflt");
    EXPECT_EQ(Value(file, "General", "App", "dflt"), "dflt");
    // The default loses its trailing blanks.
    EXPECT_EQ(Value(file, "General", "NoSuchKey", " d f  "), " d f");
    char buffer[16] = {'x', 'x'};
    EXPECT_EQ(Backend().GetString("General", "NoSuchKey", "", buffer, 16, file.c_str()), 0u);
    EXPECT_EQ(buffer[0], '\0');
}

TEST_P(ProfileBackendTest, KeyListsSkipCommentsBlankLinesAndLinesWithoutEquals) {
    const std::string file = WriteFixture("[s]\r\n"
                                          "first=1\r\n"
                                          "; comment=1\r\n"
                                          "\r\n"
                                          "   \t\r\n"
                                          "lonely line\r\n"
                                          "  second  = 2\r\n"
                                          "third=\r\n"
                                          "[t]\r\n"
                                          "other=1\r\n");
    EXPECT_EQ(Keys(file, "s"), (Names{"first", "second", "third"}));
    EXPECT_EQ(Keys(file, "S"), (Names{"first", "second", "third"}));
    EXPECT_EQ(Keys(file, "t"), (Names{"other"}));
    EXPECT_EQ(Keys(file, "missing"), Names{});
    EXPECT_EQ(Value(file, "s", "lonely line", "dflt"), "dflt");
}

TEST_P(ProfileBackendTest, FirstOfDuplicateKeysCounts) {
    const std::string file = WriteFixture("[s]\r\nkey=one\r\nKEY=two\r\nother=3\r\n");
    EXPECT_EQ(Value(file, "s", "key"), "one");
    EXPECT_EQ(Keys(file, "s"), (Names{"key", "KEY", "other"}));
}

TEST_P(ProfileBackendTest, LineFeedOnlyFilesReadAlike) {
    const std::string file = WriteFixture("[a]\nk1=v1\nk2 = v2\n[b]\nk3=v3");
    EXPECT_EQ(Value(file, "a", "k2"), "v2");
    EXPECT_EQ(Value(file, "b", "k3"), "v3");
    EXPECT_EQ(Keys(file, "a"), (Names{"k1", "k2"}));
}

TEST_P(ProfileBackendTest, SectionHeaders) {
    const std::string file = WriteFixture("  [Indented]  \r\nk=1\r\n"
                                          "[Commented] ; note\r\nk=2\r\n"
                                          "[With ] Bracket]\r\nk=3\r\n");
    EXPECT_EQ(Value(file, "Indented", "k"), "1");
    EXPECT_EQ(Value(file, "With ] Bracket", "k"), "3");
    EXPECT_EQ(Keys(file, "Indented"), (Names{"k"}));
}

TEST_P(ProfileBackendTest, ValuesAreCutToTheBuffer) {
    const std::string longValue(300, 'v');
    const std::string file = WriteFixture("[s]\r\nlong=" + longValue + "\r\nshort=abcdef\r\n");
    EXPECT_EQ(Value(file, "s", "long"), longValue.substr(0, 254));
    char buffer[8] = {};
    EXPECT_EQ(Backend().GetString("s", "short", "", buffer, 4, file.c_str()), 3u);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(Backend().GetString("s", "short", "", buffer, 7, file.c_str()), 6u);
    EXPECT_STREQ(buffer, "abcdef");
    EXPECT_EQ(Backend().GetString("s", "short", "", buffer, 1, file.c_str()), 0u);
    EXPECT_STREQ(buffer, "");
}

// The raw key list for each buffer size. "a\0bb\0ccc\0\0" is 10 bytes, but the platform
// hands it out whole only from 11 bytes on; in a 10-byte buffer it counts as cut.
TEST_P(ProfileBackendTest, CutKeyListsReturnSizeMinusTwo) {
    const std::string file = WriteFixture("[s]\r\na=1\r\nbb=2\r\nccc=3\r\n");
    const std::string full("a\0bb\0ccc\0\0", 10);
    for (std::uint32_t size = 2; size <= 12; ++size) {
        std::vector<char> buffer(size, 'x');
        const std::uint32_t count =
            Backend().GetString("s", nullptr, "", buffer.data(), size, file.c_str());
        if (size >= 11) {
            EXPECT_EQ(count, 9u) << size;
            EXPECT_EQ(std::string(buffer.data(), 10), full) << size;
            continue;
        }
        EXPECT_EQ(count, size - 2) << size;
        EXPECT_EQ(std::string(buffer.data(), size - 2), full.substr(0, size - 2)) << size;
        EXPECT_EQ(buffer[size - 2], '\0') << size;
        // The portable backend ends a cut list with two zeros; Wine leaves the last byte
        // as it was, so the caller must not walk a list that came back cut.
        if (std::string(GetParam().name) == "Portable") {
            EXPECT_EQ(buffer[size - 1], '\0') << size;
        }
    }
}

TEST_P(ProfileBackendTest, WritingCreatesFileAndSection) {
    const std::string file = FreshPath();
    ASSERT_TRUE(
        Backend().WriteString("Events", "14:03:59:0042", "Successful Register of x", file.c_str()));
    EXPECT_EQ(Value(file, "events", "14:03:59:0042"), "Successful Register of x");
    ASSERT_TRUE(Backend().WriteString("groups", "Main", "Main files|1", file.c_str()));
    ASSERT_TRUE(Backend().WriteString("Events", "later", "2", file.c_str()));
    EXPECT_EQ(Keys(file, "Events"), (Names{"14:03:59:0042", "later"}));
    EXPECT_EQ(Keys(file, "groups"), (Names{"Main"}));
}

TEST_P(ProfileBackendTest, WritingReplacesInPlaceAndKeepsOtherLines) {
    const std::string file = WriteFixture("; header\r\n[s]\r\nk1=1\r\nK2=2\r\nk3=3\r\n\r\n"
                                          "[t]\r\nx=1\r\n");
    ASSERT_TRUE(Backend().WriteString("S", "k2", "two", file.c_str()));
    ASSERT_TRUE(Backend().WriteString("s", "k4", "4", file.c_str()));
    EXPECT_EQ(Value(file, "s", "k2"), "two");
    EXPECT_EQ(Keys(file, "s"), (Names{"k1", "K2", "k3", "k4"}));
    EXPECT_EQ(Keys(file, "t"), (Names{"x"}));
    EXPECT_EQ(Value(file, "t", "x"), "1");
}

TEST_P(ProfileBackendTest, WritingNullValueDeletesKeyAndNullKeyDeletesSection) {
    const std::string file = WriteFixture("[s]\r\na=1\r\nb=2\r\n[t]\r\nc=3\r\n");
    ASSERT_TRUE(Backend().WriteString("s", "a", nullptr, file.c_str()));
    EXPECT_EQ(Keys(file, "s"), (Names{"b"}));
    ASSERT_TRUE(Backend().WriteString("s", nullptr, nullptr, file.c_str()));
    EXPECT_EQ(Keys(file, "s"), Names{});
    EXPECT_EQ(Value(file, "t", "c"), "3");
}

TEST_P(ProfileBackendTest, WrittenValuesReadBackTrimmed) {
    const std::string file = FreshPath();
    ASSERT_TRUE(Backend().WriteString("s", "k", "  padded  ", file.c_str()));
    EXPECT_EQ(Value(file, "s", "k"), "padded");
}

TEST_P(ProfileBackendTest, ProfileStringReadsAndWritesBackOnlyWhenModified) {
    const std::string file = WriteFixture("[general]\r\nApp Title=Demo\r\n");
    CRecordingBackend recorder(Backend());
    {
        CProfileString title(recorder, "MISSING", "General", "App Title", file, true, true);
        EXPECT_EQ(title.GetValue(), "Demo");
        EXPECT_FALSE(title.IsModified());
    }
    EXPECT_EQ(recorder.writes, 0);
    {
        CProfileString title(recorder, "MISSING", "General", "App Title", file, true, true);
        title.SetValue("Changed");
        EXPECT_TRUE(title.IsModified());
    }
    EXPECT_EQ(recorder.writes, 1);
    CProfileString reread(Backend(), "", "general", "app title", file);
    EXPECT_EQ(reread.GetValue(), "Changed");
    {
        // Without autoWrite nothing goes back, changed or not.
        CProfileString title(recorder, "", "General", "App Title", file, false, true);
        title.SetValue("Again");
    }
    EXPECT_EQ(recorder.writes, 1);
}

TEST_P(ProfileBackendTest, ProfileStringReadKeepsDefaultForMissingKey) {
    const std::string file = WriteFixture("[general]\r\nApp Title=Demo\r\n");
    CProfileString missing(Backend(), "MISSING PM GROUP", "general", "PM Group", file);
    EXPECT_EQ(missing.GetValue(), "MISSING PM GROUP");
    EXPECT_FALSE(missing.IsModified());
    EXPECT_TRUE(missing.Read());
    CProfileString empty(Backend(), "", "general", "Display Name", file);
    EXPECT_FALSE(empty.Read());
    EXPECT_EQ(empty.GetValue(), "");
}

TEST_P(ProfileBackendTest, ProfileStringReadsAtMost254Characters) {
    const std::string longValue(300, 'q');
    const std::string file = WriteFixture("[s]\r\nk=" + longValue + "\r\n");
    CProfileString value(Backend(), "", "s", "k", file);
    EXPECT_EQ(value.GetValue(), longValue.substr(0, CProfileString::kMaxValueLength));
}

TEST_P(ProfileBackendTest, AutoReadNeedsSectionAndKey) {
    const std::string file = WriteFixture("[s]\r\nk=1\r\n");
    CRecordingBackend recorder(Backend());
    CProfileString noSection(recorder, "d", "", "k", file, false, true);
    CProfileString noKey(recorder, "d", "s", "", file, false, true);
    CProfileString noAutoRead(recorder, "d", "s", "k", file, false, false);
    EXPECT_TRUE(recorder.sizes.empty());
    EXPECT_EQ(noAutoRead.GetValue(), "d");
    CProfileString reads(recorder, "d", "s", "k", file, false, true);
    EXPECT_EQ(recorder.sizes, (std::vector<std::uint32_t>{255}));
    EXPECT_EQ(reads.GetValue(), "1");
}

std::string ManyKeys(int count, const std::string& prefix) {
    std::string text = "[big]\r\n";
    for (int i = 0; i < count; ++i) {
        text += prefix + std::to_string(i) + "=" + std::to_string(i * 7) + "\r\n";
    }
    return text + "[after]\r\nz=1\r\n";
}

TEST_P(ProfileBackendTest, SectionEnumerationWalksLongKeyListsInFileOrder) {
    const std::string file = WriteFixture(ManyKeys(500, "Key"));
    CRecordingBackend recorder(Backend());
    CProfileSection section("BIG");
    section.SetFile(file);
    section.SetBackend(recorder);
    CProfileString entry;
    int seen = 0;
    if (section.First(entry)) {
        do {
            ASSERT_EQ(entry.GetKey(), "Key" + std::to_string(seen));
            EXPECT_EQ(entry.GetSection(), "BIG");
            EXPECT_EQ(entry.GetFile().GetText(), file);
            EXPECT_TRUE(entry.Read());
            EXPECT_EQ(entry.GetValue(), std::to_string(seen * 7));
            ++seen;
        } while (section.Next(entry));
    }
    EXPECT_EQ(seen, 500);
    EXPECT_FALSE(section.Next(entry));
    // 500 names take 3890 bytes: 256, 512, ... 4096.
    const std::vector<std::uint32_t> expected = {256, 512, 1024, 2048, 4096};
    EXPECT_EQ(std::vector<std::uint32_t>(recorder.sizes.begin(), recorder.sizes.begin() + 5),
              expected);
}

// A key list that comes back with exactly size - 2 characters counts as cut.
TEST_P(ProfileBackendTest, ListOfExactlySizeMinusTwoDoublesOnceMore) {
    // 127 names "k0".."k9" style: build names totalling 254 bytes with their zeros.
    std::string text = "[s]\r\n";
    std::vector<std::string> names;
    std::size_t total = 0;
    for (int i = 0; total < 254; ++i) {
        std::string name = "n" + std::to_string(i);
        if (total + name.size() + 1 > 254) {
            name.assign(254 - total - 1, 'z');
        }
        total += name.size() + 1;
        names.push_back(name);
        text += name + "=1\r\n";
    }
    ASSERT_EQ(total, 254u);
    const std::string file = WriteFixture(text);
    CRecordingBackend recorder(Backend());
    CProfileSection section("s");
    section.SetFile(file);
    section.SetBackend(recorder);
    CProfileString entry;
    std::vector<std::string> seen;
    for (bool more = section.First(entry); more; more = section.Next(entry)) {
        seen.push_back(entry.GetKey());
    }
    EXPECT_EQ(seen, names);
    EXPECT_EQ(recorder.sizes, (std::vector<std::uint32_t>{256, 512}));
}

TEST_P(ProfileBackendTest, EmptyAndMissingSectionsEnumerateNothing) {
    const std::string file = WriteFixture("[empty]\r\n; only a comment\r\n[full]\r\na=1\r\n");
    CProfileString entry;
    for (const char* name : {"empty", "missing"}) {
        CProfileSection section(name);
        section.SetFile(file);
        section.SetBackend(Backend());
        EXPECT_FALSE(section.First(entry)) << name;
        EXPECT_FALSE(section.Next(entry)) << name;
    }
    CProfileSection missingFile("full");
    missingFile.SetFile(FreshPath());
    missingFile.SetBackend(Backend());
    EXPECT_FALSE(missingFile.First(entry));
}

TEST_P(ProfileBackendTest, FirstRestartsTheEnumeration) {
    const std::string file = WriteFixture("[s]\r\na=1\r\nb=2\r\n");
    CProfileSection section("s");
    section.SetFile(file);
    section.SetBackend(Backend());
    CProfileString entry;
    ASSERT_TRUE(section.First(entry));
    ASSERT_TRUE(section.Next(entry));
    EXPECT_EQ(entry.GetKey(), "b");
    ASSERT_TRUE(section.First(entry));
    EXPECT_EQ(entry.GetKey(), "a");
}

const BackendCase kBackends[] = {
    {"Portable", PortableProfileBackend},
#ifdef _WIN32
    {"Platform", PlatformProfileBackend},
#endif
};

INSTANTIATE_TEST_SUITE_P(Backends, ProfileBackendTest, ::testing::ValuesIn(kBackends),
                         [](const ::testing::TestParamInfo<BackendCase>& param) {
                             return std::string(param.param.name);
                         });

TEST(Profile, DefaultProfileNameIsProgramTitleWithIni) {
    EXPECT_EQ(DefaultProfileName(), "support_tests.INI");
}

TEST(Profile, PortableWriterKeepsEveryOtherLineByteForByte) {
    const std::string original = "; keep me\n[s]\nk1 = 1\nk2=2\n\n[t]\nx=1\n";
    const std::string file = WriteFixture(original);
    ASSERT_TRUE(PortableProfileBackend().WriteString("s", "K1", "one", file.c_str()));
    EXPECT_EQ(ReadWholeFile(file), "; keep me\n[s]\nk1=one\nk2=2\n\n[t]\nx=1\n");
    ASSERT_TRUE(PortableProfileBackend().WriteString("s", "k3", "3", file.c_str()));
    ASSERT_TRUE(PortableProfileBackend().WriteString("new", "n", "1", file.c_str()));
    EXPECT_EQ(ReadWholeFile(file), "; keep me\n[s]\nk1=one\nk2=2\nk3=3\n\n[t]\nx=1\n[new]\nn=1\n");
}

TEST(Profile, PortableWriterReportsAnUnwritableFile) {
    const std::string file = FreshPath() + "/no/such/dir/x.ini";
    EXPECT_FALSE(PortableProfileBackend().WriteString("s", "k", "v", file.c_str()));
}

} // namespace

namespace {

// The portable reader reuses its last parse only while the file's text is the same: a change
// of the same length made at once by someone else is seen on the next read.
TEST(Profile, PortableReaderSeesEveryChangeOfTheFile) {
    const std::string file = WriteFixture("[s]\r\nk=one\r\n");
    char buffer[256] = {};
    PortableProfileBackend().GetString("s", "k", "", buffer, 255, file.c_str());
    EXPECT_STREQ(buffer, "one");
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << "[s]\r\nk=two\r\n";
    }
    PortableProfileBackend().GetString("s", "k", "", buffer, 255, file.c_str());
    EXPECT_STREQ(buffer, "two");
    std::remove(file.c_str());
    EXPECT_EQ(PortableProfileBackend().GetString("s", "k", "gone", buffer, 255, file.c_str()), 4u);
    EXPECT_STREQ(buffer, "gone");
}

} // namespace
