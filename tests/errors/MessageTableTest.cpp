#include "errors/Exceptions.h"
#include "resources/StringTable.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

struct Expected {
    const char* name;
    std::function<std::unique_ptr<CXException>()> make;
    const char* className;
    int cause;
    unsigned shortId;
    unsigned longId;
};

std::unique_ptr<CXException> File(int cause) {
    return std::make_unique<CXFileException>(CFileException(cause));
}

std::vector<Expected> Cases() {
    std::vector<Expected> cases = {
        {"x1", [] { return std::make_unique<CXException>(1); }, "CXException", 1, 24576, 24577},
        {"memory", [] { return std::make_unique<CXMemoryException>(); }, "CXMemoryException", 0,
         24578, 24579},
        {"archive3", [] { return std::make_unique<CXArchiveException>(CArchiveException(3)); },
         "CXArchiveException", 3, 24582, 24583},
        {"resource", [] { return std::make_unique<CXResourceException>(); }, "CXResourceException",
         0, 24584, 24585},
        {"user", [] { return std::make_unique<CXUserException>(); }, "CXUserException", 0, 24586,
         24587},
        {"notsupported", [] { return std::make_unique<CXNotSupportedException>(); },
         "CXNotSupportedException", 0, 24588, 24589},
        {"multi1", [] { return std::make_unique<CMultiFileException>(1); }, "CMultiFileException",
         1, 27648, 27649},
        {"multi0", [] { return std::make_unique<CMultiFileException>(0); }, "CMultiFileException",
         0, 24576, 24577},
        {"multi6", [] { return std::make_unique<CMultiFileException>(6); }, "CMultiFileException",
         6, 24576, 24577},
        {"zlib0", [] { return std::make_unique<CZLibException>(0); }, "CZLibException", 0, 24576,
         24577},
        {"zlib5", [] { return std::make_unique<CZLibException>(5); }, "CZLibException", 5, 24576,
         24577},
        {"profile0", [] { return std::make_unique<CInstallProfileException>(0); },
         "CInstallProfileException", 0, 10, 13},
        {"profile1", [] { return std::make_unique<CInstallProfileException>(1); },
         "CInstallProfileException", 1, 10, 13},
    };
    // File causes 2-14 have rows of their own; 0, 1 and anything else take the -1 row.
    const unsigned fileShort[] = {24580, 24580, 24590, 24592, 24594, 24596, 24598, 24599,
                                  24600, 24602, 24603, 24605, 24607, 24609, 24611, 24580};
    const unsigned fileLong[] = {24581, 24581, 24591, 24593, 24595, 24597, 24581, 24581,
                                 24601, 24581, 24604, 24606, 24608, 24610, 24581, 24581};
    for (int cause = 0; cause <= 15; ++cause) {
        cases.push_back({"file", [cause] { return File(cause); }, "CXFileException", cause,
                         fileShort[cause], fileLong[cause]});
    }
    const unsigned multiShort[] = {27650, 27652, 27654, 27656};
    const unsigned multiLong[] = {27651, 27653, 27655, 27657};
    for (int cause = 2; cause <= 5; ++cause) {
        cases.push_back({"multi", [cause] { return std::make_unique<CMultiFileException>(cause); },
                         "CMultiFileException", cause, multiShort[cause - 2],
                         multiLong[cause - 2]});
    }
    const unsigned zlibShort[] = {27658, 27660, 27661, 27662};
    for (int cause = 1; cause <= 4; ++cause) {
        cases.push_back({"zlib", [cause] { return std::make_unique<CZLibException>(cause); },
                         "CZLibException", cause, zlibShort[cause - 1], 27659});
    }
    return cases;
}

TEST(MessageTables, EveryClassAndCauseResolvesToItsTexts) {
    for (const Expected& c : Cases()) {
        SCOPED_TRACE(std::string(c.name) + " cause " + std::to_string(c.cause));
        std::unique_ptr<CXException> e = c.make();
        EXPECT_STREQ(e->GetRuntimeClassName(), c.className);
        EXPECT_EQ(e->GetCause(), c.cause);
        const ErrorMessage m = e->LoadMessage();
        EXPECT_EQ(m.shortText, LoadStringId(c.shortId));
        EXPECT_EQ(m.longText, LoadStringId(c.longId));
        EXPECT_FALSE(m.shortText.empty());
        EXPECT_FALSE(m.longText.empty());
        EXPECT_EQ(m.helpId, 0);
    }
}

TEST(MessageTables, CopiesKeepClassCauseAndTexts) {
    for (const Expected& c : Cases()) {
        SCOPED_TRACE(std::string(c.name) + " cause " + std::to_string(c.cause));
        const std::unique_ptr<CXException> copy = c.make()->Clone();
        EXPECT_STREQ(copy->GetRuntimeClassName(), c.className);
        EXPECT_EQ(copy->GetCause(), c.cause);
        EXPECT_EQ(copy->LoadMessage().shortText, LoadStringId(c.shortId));
    }
}

TEST(MessageTables, EveryReferencedStringExists) {
    const std::vector<std::unique_ptr<CXException>> all = [] {
        std::vector<std::unique_ptr<CXException>> v;
        for (const Expected& c : Cases()) {
            v.push_back(c.make());
        }
        return v;
    }();
    int rows = 0;
    for (const auto& e : all) {
        const ErrorMessageTable t = e->GetMessageTable();
        ASSERT_GT(t.count, 0u) << e->GetRuntimeClassName();
        for (std::size_t i = 0; i < t.count; ++i) {
            ++rows;
            EXPECT_FALSE(LoadBuiltInString(static_cast<unsigned>(t.rows[i].shortTextId)).empty())
                << e->GetRuntimeClassName() << " row " << i;
            EXPECT_FALSE(LoadBuiltInString(static_cast<unsigned>(t.rows[i].longTextId)).empty())
                << e->GetRuntimeClassName() << " row " << i;
            EXPECT_EQ(t.rows[i].helpId, 0);
        }
    }
    EXPECT_GT(rows, 0);
}

TEST(MessageTables, TextsUsersSee) {
    const ErrorMessage diskFull = CXFileException(CFileException(13)).LoadMessage();
    EXPECT_EQ(diskFull.shortText, "Disk full");
    EXPECT_EQ(diskFull.longText,
              "There is not enough space on the specified drive for this operation. Either "
              "select a different drive or remove one or more files.");
    EXPECT_EQ(CXFileException(CFileException(1)).LoadMessage().shortText, "File Error.");
    EXPECT_EQ(CXFileException(CFileException(1)).LoadMessage().longText,
              "An error occurred with one of the files used in this operation.");
    EXPECT_EQ(CMultiFileException(3).LoadMessage().shortText,
              "Archive file damaged (missing entry header).");
    EXPECT_EQ(CMultiFileException(6).LoadMessage().shortText, "An unkown error occured.");
    EXPECT_EQ(CMultiFileException(5).LoadMessage().shortText,
              "Archive file damaged (CRC Mismatch)");
    EXPECT_EQ(CZLibException(3).LoadMessage().shortText, "Archive file damaged (data error).");
    EXPECT_EQ(CInstallProfileException(0).LoadMessage().shortText,
              "Incomplete or missing profile.");
    EXPECT_EQ(CInstallProfileException(1).LoadMessage().shortText,
              "Incomplete or missing profile.");
    EXPECT_EQ(CXUserException().LoadMessage().shortText, "Operation cancelled.");
    EXPECT_EQ(CXMemoryException().LoadMessage().shortText, "Not enough memory available.");
}

TEST(MessageTables, ZLibCausesShareOneLongText) {
    const std::string first = CZLibException(1).LoadMessage().longText;
    EXPECT_EQ(first.substr(0, 72),
              "The archive file this application is extracting appears damaged . Possib");
    for (int cause = 2; cause <= 4; ++cause) {
        EXPECT_EQ(CZLibException(cause).LoadMessage().longText, first) << cause;
    }
}

// The lookup of one table, with rows that carry help ids, which the program's own tables
// never do: the return value and the only-fill-what-is-empty rule.
constexpr ErrorMessageEntry kHelpRows[] = {{4, 24590, 0, 0}, {-1, 24592, 24593, 77}};
constexpr ErrorMessageTable kHelpTable = {kHelpRows, 2};
constexpr ErrorMessageEntry kNoCatchAllRows[] = {{2, 24590, 24591, 5}};
constexpr ErrorMessageTable kNoCatchAllTable = {kNoCatchAllRows, 1};

TEST(LookupMessageTable, FillsOnlyEmptyFieldsAndReportsCompleteness) {
    ErrorMessage m;
    EXPECT_EQ(LookupMessageTable(kHelpTable, 9, m), 1);
    EXPECT_EQ(m.shortText, "Invalid path.");
    EXPECT_EQ(m.helpId, 77);

    ErrorMessage prefilled;
    prefilled.shortText = "kept";
    prefilled.helpId = 3;
    EXPECT_EQ(LookupMessageTable(kHelpTable, 9, prefilled), 0);
    EXPECT_EQ(prefilled.shortText, "kept");
    EXPECT_EQ(prefilled.longText, LoadStringId(24593));
    EXPECT_EQ(prefilled.helpId, 3);
}

TEST(LookupMessageTable, FirstMatchingRowWinsEvenWithEmptyFields) {
    ErrorMessage m;
    EXPECT_EQ(LookupMessageTable(kHelpTable, 4, m), 0);
    EXPECT_EQ(m.shortText, "File not found.");
    EXPECT_EQ(m.longText, ""); // row 0 has no long text; the -1 row is not consulted
    EXPECT_EQ(m.helpId, 0);
}

TEST(LookupMessageTable, NoMatchingRowLeavesMessageAlone) {
    ErrorMessage m;
    m.longText = "x";
    EXPECT_EQ(LookupMessageTable(kNoCatchAllTable, 3, m), 0);
    EXPECT_EQ(m.shortText, "");
    EXPECT_EQ(m.longText, "x");
    EXPECT_EQ(m.helpId, 0);
    EXPECT_EQ(LookupMessageTable(kNoCatchAllTable, 2, m), 0); // long text already set
    EXPECT_EQ(m.shortText, "File not found.");
    EXPECT_EQ(m.longText, "x");
    EXPECT_EQ(m.helpId, 5);
}

// A class whose own table fills both texts and a help id, so the default table must not
// run at all; and one whose table leaves the long text empty for the default to fill.
class CCompleteException : public CXException {
public:
    CCompleteException() : CXException(0) {}
    ErrorMessageTable GetMessageTable() const override { return kHelpTable; }
};

class CPartialException : public CXException {
public:
    CPartialException() : CXException(4) {}
    ErrorMessageTable GetMessageTable() const override { return kHelpTable; }
};

TEST(LookupMessage, DefaultTableOnlyFillsWhatTheOwnTableLeftEmpty) {
    const ErrorMessage complete = CCompleteException().LoadMessage();
    EXPECT_EQ(complete.shortText, "Invalid path.");
    EXPECT_EQ(complete.longText, LoadStringId(24593));
    EXPECT_EQ(complete.helpId, 77);

    const ErrorMessage partial = CPartialException().LoadMessage();
    EXPECT_EQ(partial.shortText, "File not found.");
    EXPECT_EQ(partial.longText, LoadStringId(24577));
    EXPECT_EQ(partial.helpId, 0);
}

TEST(LookupMessage, EachLoadStartsFresh) {
    CMultiFileException e(2);
    ErrorMessage m = e.LoadMessage();
    m.shortText.clear();
    EXPECT_EQ(e.LoadMessage().shortText, "File is not an archive file.");
}

} // namespace
