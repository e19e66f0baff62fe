// The in-memory INI document against the portable backend: the same writes on the same file
// leave the same bytes, a save keeps what another writer put into the file meanwhile, and a
// failed save loses nothing.
#include "support/ProfileDocument.h"

#include "ProfileTestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>

namespace {

struct SetOp {
    const char* section;
    const char* key;
    const char* value;
};

// Start files with what a log met on a machine may hold: other sections after the one
// written, blank lines, comments, lines before the first section, duplicate sections, a
// last line without line end, line feeds only, a lone carriage return, keys without '='.
const char* const kStarts[] = {
    "",
    "[s]\r\na=1\r\n\r\n[t]\r\nb=2",
    "top=0\n[s]\na=1\n[S]\na=dup\n",
    "[t]\r\n; note\r\nx\r\n[s]\r\n",
    "; comment first\r\n\r\n[Main]\r\n  APP.EXE = 0|1|0  "
    "\r\n\r\n\r\n[Events]\r\n10:00:00:0001=x\r\n",
    "[s]\rk=a\r\n[u]\r\n   \r\n",
    "[]\r\nk=empty section\r\n[s]\r\nk=1\r\n",
};

const SetOp kOps[] = {
    {"s", "a", "changed"},         {"s", "new", "v"},     {"u", "k", " padded "},
    {"S", "A", "again"},           {"", "top", "1"},      {"Main", "app.exe", "0|1|1"},
    {"Main", "NEW.DLL", "-3|1|0"}, {" t ", " x ", "set"}, {"Events", "10:00:00:0002", "y"},
    {"fresh", "k", "v"},           {"FRESH", "k2", "v2"}, {"t", "bare", "now"},
};

TEST(ProfileDocument, WritesLeaveTheBytesThePortableWriterLeaves) {
    for (std::size_t i = 0; i < std::size(kStarts); ++i) {
        const std::string expected = WriteFixture(kStarts[i]);
        const std::string file = WriteFixture(kStarts[i]);
        CProfileDocument document(file);
        for (const SetOp& op : kOps) {
            ASSERT_TRUE(PortableProfileBackend().WriteString(op.section, op.key, op.value,
                                                             expected.c_str()));
            document.SetString(op.section, op.key, op.value);
        }
        EXPECT_EQ(document.PendingWrites(), std::size(kOps));
        ASSERT_TRUE(document.Save()) << i;
        EXPECT_EQ(document.PendingWrites(), 0u);
        EXPECT_EQ(ReadWholeFile(file), ReadWholeFile(expected)) << "start " << i;
        // Later writes go into the document as loaded by the first save.
        ASSERT_TRUE(PortableProfileBackend().WriteString("s", "later", "1", expected.c_str()));
        document.SetString("s", "later", "1");
        ASSERT_TRUE(document.Save());
        EXPECT_EQ(ReadWholeFile(file), ReadWholeFile(expected)) << "start " << i;
    }
}

TEST(ProfileDocument, SaveKeepsWhatAnotherWriterWroteMeanwhile) {
    const std::string file = FreshPath();
    CProfileDocument document(file);
    document.SetString("Main", "A.DAT", "0|1|0");
    ASSERT_TRUE(document.Save());
    // An event line written directly, then more records through the document.
    ASSERT_TRUE(
        PortableProfileBackend().WriteString("Events", "10:00:00:0001", "Keep me", file.c_str()));
    document.SetString("Main", "B.DAT", "0|1|0");
    ASSERT_TRUE(document.Save());
    EXPECT_EQ(ReadWholeFile(file),
              "[Main]\r\nA.DAT=0|1|0\r\nB.DAT=0|1|0\r\n[Events]\r\n10:00:00:0001=Keep me\r\n");
}

TEST(ProfileDocument, NothingPendingWritesNothingAndAFailedSaveKeepsTheWrites) {
    const std::string file = FreshPath();
    CProfileDocument idle(file);
    EXPECT_TRUE(idle.Save());
    EXPECT_EQ(ReadWholeFile(file), ""); // not created

    const std::string directory = FreshPath() + ".dir";
    const std::string inside = directory + "/install.log";
    CProfileDocument document(inside);
    document.SetString("Main", "A.DAT", "0|1|0");
    EXPECT_FALSE(document.Save());
    EXPECT_EQ(document.PendingWrites(), 1u);
    ASSERT_TRUE(std::filesystem::create_directory(directory));
    document.SetString("Main", "B.DAT", "0|0|1");
    ASSERT_TRUE(document.Save());
    EXPECT_EQ(ReadWholeFile(inside), "[Main]\r\nA.DAT=0|1|0\r\nB.DAT=0|0|1\r\n");
    EXPECT_FALSE(std::filesystem::exists(inside + ".~new"));
}

TEST(ProfileDocument, LineBreaksStayInsideTheirLine) {
    const std::string file = FreshPath();
    CProfileDocument document(file);
    document.SetString("Events", "10:00:00:0001", "two\r\nlines\nhere");
    document.SetString("Ev\nents", "k", "v");
    ASSERT_TRUE(document.Save());
    EXPECT_EQ(ReadWholeFile(file),
              "[Events]\r\n10:00:00:0001=two  lines here\r\n[Ev ents]\r\nk=v\r\n");
}

} // namespace
