// The hostile archives of tests/data/archives: each ends in its expected exception.
#include "archive/MultiFile.h"
#include "errors/Exceptions.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Fixture(const std::string& name) {
    return std::string(SETUP_TEST_DATA_DIR) + "/archives/" + name;
}

struct Outcome {
    std::string thrownClass = "(nothing)";
    int cause = -1;
    std::string text;
    int members = 0;
};

Outcome ExtractFixture(const std::string& name) {
    TempDir dir;
    Outcome o;
    try {
        CMultiFile archive;
        archive.OpenArchive(Fixture(name));
        auto entry = archive.CreateEntry();
        while (archive.ReadNextEntry(*entry, 0) != 0) {
            entry->SetOutputPath(dir.File("out" + std::to_string(o.members)));
            archive.Extract(*entry);
            entry->Close();
            ++o.members;
        }
    } catch (const CException& e) {
        o.thrownClass = e.GetRuntimeClassName();
        ExceptionDescription d = DescribeException(e);
        o.cause = d.cause;
        o.text = d.message.shortText;
    }
    return o;
}

TEST(HostileArchives, EachEndsInItsException) {
    struct Row {
        const char* file;
        const char* thrownClass;
        int cause;
        const char* text;
    } rows[] = {
        {"truncated_header.mf", "CFileException", 14, "End of file."},
        {"bad_magic.mf", "CMultiFileException", 2, "File is not an archive file."},
        {"missing_entry_header.mf", "CMultiFileException", 3,
         "Archive file damaged (missing entry header)."},
        {"bad_method.mf", "CMultiFileException", 1, "Unknown compression method."},
        {"checksum_mismatch.mf", "CMultiFileException", 5, "Archive file damaged (CRC Mismatch)"},
        {"truncated_member.mf", "CFileException", 14, "End of file."},
        {"truncated_entry_header.mf", "(nothing)", -1, ""},
        {"absurd_sizes.mf", "CFileException", 14, "End of file."},
        {"absurd_sizes_zlib.mf", "CZLibException", 4, "Archive file damaged (buffer error)."},
        {"zlib_damaged.mf", "CZLibException", 3, "Archive file damaged (data error)."},
        {"lh5_bad_table.mf", "CMultiFileException", 4, "Archive file damaged (corrupt table)."},
        {"continued_no_next_volume.mf1", "CFileException", 14, "End of file."},
        {"hostile_names.mf", "(nothing)", -1, ""},
    };
    for (const Row& row : rows) {
        Outcome o = ExtractFixture(row.file);
        EXPECT_EQ(o.thrownClass, row.thrownClass) << row.file;
        EXPECT_EQ(o.cause, row.cause) << row.file;
        EXPECT_EQ(o.text, row.text) << row.file;
    }
    EXPECT_EQ(ExtractFixture("truncated_entry_header.mf").members, 1);
    EXPECT_EQ(ExtractFixture("hostile_names.mf").members, 4);
}

} // namespace
