// Windows only: the portable INI reader against the platform's private-profile functions on
// the same files, call by call and byte by byte.
#include "support/ProfileBackend.h"
#include "support/ProfileDocument.h"

#include "ProfileTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

const char* const kFixtures[] = {
    "[s]\r\nk=v\r\n",
    "top=1\r\n[s]\r\nk=v\r\n",
    "[s]\r\n=novalue\r\nk = \r\n k2 =  x  \r\n",
    "[s]\r\nk=1\r\n[S]\r\nk=2\r\nj=3\r\n",
    "[s]\r\nk=\"quoted value\"\r\nq='x'\r\nr=\"\"\r\nt=''\r\nu=\"a'\r\n",
    "[s]\r\n;k=commented\r\n#k=hash\r\nk=real\r\n",
    "[s]\r\nbare\r\nbare2 \r\nk=1\r\n",
    "[]\r\nk=empty section\r\n[s]\r\nk=1\r\n",
    "[s\r\nk=1\r\n[t]\r\nk=2\r\n",
    "[s]k=1\r\nk=2\r\n",
    "[s]\r\nk=a\rb\r\nx=1\r\n",
    "[s]\r\nkey with spaces = value with spaces \r\n\tTabbed\t=\tt\t\r\n",
    "",
    "no section at all\r\n",
    "[s]\nk=1\n[t]\nk=2\n[u]\n[ v ]\nk=3\n",
};

struct Query {
    const char* section;
    const char* key; // nullptr: key list
    const char* defaultValue;
};

const Query kQueries[] = {
    {"s", "k", "d"},     {"S", "K", "d"},         {"s", "k2", ""},
    {"s", "j", "dj"},    {"s", "q", ""},          {"s", "r", "d"},
    {"s", "t", "d"},     {"s", "u", ""},          {"s", "bare", "d"},
    {"s", "", "d"},      {"s", ";k", "d"},        {"s", "#k", "d"},
    {"s", "x", ""},      {"", "k", "d"},          {"", "top", "d"},
    {"t", "k", "d"},     {"s", nullptr, ""},      {"S", nullptr, ""},
    {"", nullptr, ""},   {"t", nullptr, ""},      {"s", "key with spaces", ""},
    {"s", "tabbed", ""}, {"s", "missing", "d  "}, {nullptr, nullptr, ""},
    {" v ", "k", ""},    {"s", " k ", "d"},       {"s", "k ", "d"},
    {" ", "top", "d"},   {"v", "k", "d"},
};

const std::uint32_t kSizes[] = {1, 2, 3, 5, 16, 255};

std::string Call(CProfileBackend& backend, const Query& q, std::uint32_t size,
                 const std::string& file) {
    std::vector<char> buffer(size + 1, 'x');
    const std::string sectionText = q.section != nullptr ? q.section : "(sections)";
    const std::uint32_t count =
        backend.GetString(q.section, q.key, q.defaultValue, buffer.data(), size, file.c_str());
    // Compare what a caller may rely on: the count and the bytes up to the count and its zero.
    const std::size_t shown = count + 1 < size ? count + 1 : size - 1;
    return std::to_string(count) + ":" + std::string(buffer.data(), shown);
}

TEST(ProfileAgreement, PortableReaderAgreesWithPlatform) {
    int compared = 0;
    for (std::size_t f = 0; f < std::size(kFixtures); ++f) {
        const std::string file = WriteFixture(kFixtures[f]);
        for (const Query& q : kQueries) {
            for (std::uint32_t size : kSizes) {
                EXPECT_EQ(Call(PortableProfileBackend(), q, size, file),
                          Call(PlatformProfileBackend(), q, size, file))
                    << "fixture " << f << " section \""
                    << (q.section != nullptr ? q.section : "(sections)") << "\" key "
                    << (q.key != nullptr ? q.key : "(list)") << " size " << size;
                ++compared;
            }
        }
    }
    EXPECT_EQ(compared,
              static_cast<int>(std::size(kFixtures) * std::size(kQueries) * std::size(kSizes)));
}

// Long values, quoted or not, around the 254 characters a 255-byte buffer holds, and a key
// list cut at every buffer size.
TEST(ProfileAgreement, LongValuesAndCutListsAgree) {
    std::string text = "[s]\r\n";
    for (std::size_t length : {253, 254, 255, 256, 300}) {
        const std::string body(length, 'v');
        text += "plain" + std::to_string(length) + "=" + body + "\r\n";
        text += "quoted" + std::to_string(length) + "=\"" + body + "\"\r\n";
        text += "inner" + std::to_string(length) + "=\"" + body.substr(0, length - 2) + "\"\r\n";
    }
    const std::string file = WriteFixture(text);
    for (const char* prefix : {"plain", "quoted", "inner"}) {
        for (int length : {253, 254, 255, 256, 300}) {
            const std::string key = prefix + std::to_string(length);
            const Query q = {"s", key.c_str(), ""};
            EXPECT_EQ(Call(PortableProfileBackend(), q, 255, file),
                      Call(PlatformProfileBackend(), q, 255, file))
                << key;
        }
    }
    const Query list = {"s", nullptr, ""};
    for (std::uint32_t size = 1; size <= 120; ++size) {
        EXPECT_EQ(Call(PortableProfileBackend(), list, size, file),
                  Call(PlatformProfileBackend(), list, size, file))
            << size;
    }
}

struct WriteOp {
    const char* section;
    const char* key;   // nullptr: delete the section
    const char* value; // nullptr: delete the key
};

// Everything a reader can see of a file: every section's key list and every key's value.
std::string Snapshot(CProfileBackend& backend, const std::string& file) {
    std::vector<char> sections(4096, '\0');
    backend.GetString(nullptr, nullptr, "", sections.data(), 4096, file.c_str());
    std::string view;
    for (const char* name = sections.data(); *name != '\0'; name += std::strlen(name) + 1) {
        std::vector<char> keys(4096, '\0');
        backend.GetString(name, nullptr, "", keys.data(), 4096, file.c_str());
        view += std::string("[") + name + "]";
        for (const char* key = keys.data(); *key != '\0'; key += std::strlen(key) + 1) {
            char value[256] = {};
            backend.GetString(name, key, "", value, 255, file.c_str());
            view += std::string(" ") + key + "=" + value;
        }
    }
    return view;
}

// The same writes through each backend on copies of the same file leave files that read
// alike through either backend.
TEST(ProfileAgreement, WritesLeaveFilesThatReadAlike) {
    const char* const starts[] = {
        "",
        "[s]\r\na=1\r\n\r\n[t]\r\nb=2",
        "top=0\n[s]\na=1\n[S]\na=dup\n",
        "[t]\r\n; note\r\nx\r\n[s]\r\n",
    };
    const WriteOp ops[] = {
        {"s", "a", "changed"},  {"s", "new", "v"},       {"t", "b", nullptr},
        {"u", "k", " padded "}, {"T", nullptr, nullptr}, {"s", "A", "again"},
        {"", "top", "1"},       {"v", "k", nullptr},     {"w", nullptr, nullptr},
    };
    for (std::size_t i = 0; i < std::size(starts); ++i) {
        const std::string portableFile = WriteFixture(starts[i]);
        const std::string platformFile = WriteFixture(starts[i]);
        for (const WriteOp& op : ops) {
            EXPECT_EQ(PortableProfileBackend().WriteString(op.section, op.key, op.value,
                                                           portableFile.c_str()),
                      PlatformProfileBackend().WriteString(op.section, op.key, op.value,
                                                           platformFile.c_str()))
                << i << " " << op.section;
            for (CProfileBackend* reader : {&PortableProfileBackend(), &PlatformProfileBackend()}) {
                EXPECT_EQ(Snapshot(*reader, portableFile), Snapshot(*reader, platformFile))
                    << "start " << i << " after writing [" << op.section << "] "
                    << (op.key != nullptr ? op.key : "(section)");
            }
        }
        if (i == 1) {
            EXPECT_EQ(Snapshot(PlatformProfileBackend(), platformFile),
                      "[s] a=again new=v[u] k=padded");
        }
    }
}

TEST(ProfileAgreement, EachBackendReadsWhatTheOtherWrote) {
    CProfileBackend* backends[] = {&PortableProfileBackend(), &PlatformProfileBackend()};
    for (int writer = 0; writer < 2; ++writer) {
        const std::string file = WriteFixture("[groups]\r\nMain=Main files|1|1\r\n");
        CProfileBackend& w = *backends[writer];
        CProfileBackend& r = *backends[1 - writer];
        ASSERT_TRUE(w.WriteString("groups", "Help", "Help files|0|1", file.c_str()));
        ASSERT_TRUE(w.WriteString("GROUPS", "main", "Changed|1|1", file.c_str()));
        ASSERT_TRUE(
            w.WriteString("Events", "10:00:00:0001", "Successful Register of a.dll", file.c_str()));
        char buffer[256] = {};
        r.GetString("groups", "Main", "", buffer, 255, file.c_str());
        EXPECT_STREQ(buffer, "Changed|1|1") << writer;
        r.GetString("groups", nullptr, "", buffer, 255, file.c_str());
        EXPECT_EQ(std::string(buffer, 10), std::string("Main\0Help\0", 10)) << writer;
        r.GetString("events", "10:00:00:0001", "", buffer, 255, file.c_str());
        EXPECT_STREQ(buffer, "Successful Register of a.dll") << writer;
    }
}

// What the in-memory document writes reads back through the platform's functions exactly as
// the platform's own writes of the same values, on start files with the oddities a log met
// on a machine may hold.
TEST(ProfileAgreement, DocumentWritesReadBackLikePlatformWrites) {
    const char* const starts[] = {
        "",
        "[s]\r\na=1\r\n\r\n[t]\r\nb=2",
        "top=0\n[s]\na=1\n[S]\na=dup\n",
        "[t]\r\n; note\r\nx\r\n[s]\r\n",
        "; first\r\n\r\n[Main]\r\n  APP.EXE = 0|1|0  \r\n\r\n\r\n[Events]\r\n10:00:00:0001=x\r\n",
    };
    const WriteOp ops[] = {
        {"s", "a", "changed"},         {"s", "new", "v"},     {"u", "k", " padded "},
        {"S", "A", "again"},           {"", "top", "1"},      {"Main", "app.exe", "0|1|1"},
        {"Main", "NEW.DLL", "-3|1|0"}, {" t ", " x ", "set"}, {"Events", "10:00:00:0002", "y"},
        {"fresh", "k", "v"},           {"FRESH", "k2", "v2"},
    };
    for (std::size_t i = 0; i < std::size(starts); ++i) {
        const std::string platformFile = WriteFixture(starts[i]);
        const std::string documentFile = WriteFixture(starts[i]);
        CProfileDocument document(documentFile);
        for (const WriteOp& op : ops) {
            ASSERT_TRUE(PlatformProfileBackend().WriteString(op.section, op.key, op.value,
                                                             platformFile.c_str()));
            document.SetString(op.section, op.key, op.value);
        }
        ASSERT_TRUE(document.Save());
        for (CProfileBackend* reader : {&PlatformProfileBackend(), &PortableProfileBackend()}) {
            EXPECT_EQ(Snapshot(*reader, documentFile), Snapshot(*reader, platformFile))
                << "start " << i;
        }
    }
}

// A log's worth of file records, some written twice, saved in several batches: the
// platform lists the same keys in the same order and reads the same values.
TEST(ProfileAgreement, DocumentLogReadsBackLikePlatformLog) {
    const std::string platformFile = WriteFixture("");
    const std::string documentFile = WriteFixture("");
    CProfileDocument document(documentFile);
    constexpr int kRecords = 400;
    for (int i = 0; i < kRecords + kRecords / 4; ++i) {
        const std::string key = "F" + std::to_string(i % kRecords) + ".DAT";
        const std::string value = std::to_string(i % 3) + (i >= kRecords ? "|0|1" : "|1|0");
        const char* section = i % 2 == 0 ? "Main" : "Help";
        ASSERT_TRUE(PlatformProfileBackend().WriteString(section, key.c_str(), value.c_str(),
                                                         platformFile.c_str()));
        document.SetString(section, key, value);
        if (i % 97 == 0) {
            ASSERT_TRUE(document.Save());
        }
    }
    ASSERT_TRUE(document.Save());
    for (const char* section : {"Main", "Help"}) {
        std::vector<char> fromPlatform(1 << 16), fromDocument(1 << 16);
        const std::uint32_t n = PlatformProfileBackend().GetString(
            section, nullptr, "", fromPlatform.data(), 1 << 16, platformFile.c_str());
        ASSERT_EQ(PlatformProfileBackend().GetString(section, nullptr, "", fromDocument.data(),
                                                     1 << 16, documentFile.c_str()),
                  n);
        EXPECT_EQ(std::string(fromDocument.data(), n), std::string(fromPlatform.data(), n));
        for (const char* key = fromPlatform.data(); *key != '\0'; key += std::strlen(key) + 1) {
            char a[256] = {}, b[256] = {};
            PlatformProfileBackend().GetString(section, key, "", a, 255, platformFile.c_str());
            PlatformProfileBackend().GetString(section, key, "", b, 255, documentFile.c_str());
            EXPECT_STREQ(b, a) << section << " " << key;
        }
    }
}

} // namespace
