#include "errors/Exceptions.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <stdexcept>

namespace {

struct CForeignException : CException {
    const char* GetRuntimeClassName() const override { return "CForeignException"; }
};

void ExpectX(const std::unique_ptr<CXException>& x, const char* className, int cause) {
    ASSERT_NE(x, nullptr);
    EXPECT_STREQ(x->GetRuntimeClassName(), className);
    EXPECT_EQ(x->GetCause(), cause);
}

TEST(MakeXException, ConvertsEachPlatformKind) {
    ExpectX(MakeXException(CMemoryException()), "CXMemoryException", 0);
    ExpectX(MakeXException(CFileException(CFileException::kDiskFull, 112, "a.txt")),
            "CXFileException", 13);
    ExpectX(MakeXException(CFileException(CFileException::kNone)), "CXFileException", 0);
    ExpectX(MakeXException(CArchiveException(CArchiveException::kBadSchema)), "CXArchiveException",
            7);
    ExpectX(MakeXException(CNotSupportedException()), "CXNotSupportedException", 0);
    ExpectX(MakeXException(CResourceException()), "CXResourceException", 0);
    ExpectX(MakeXException(CUserException()), "CXUserException", 0);
    ExpectX(MakeXException(CForeignException()), "CXException", 1);
    ExpectX(MakeXException(CException()), "CXException", 1);
}

// A class derived from a platform class converts as that class, as it did when the conversion
// cast dynamically.
TEST(MakeXException, ADerivedClassConvertsAsItsPlatformBase) {
    struct CCopyFailed : CFileException {
        CCopyFailed() : CFileException(CFileException::kAccessDenied, 5, "b.txt") {}
        const char* GetRuntimeClassName() const override { return "CCopyFailed"; }
    };
    struct CCancelledTwice : CUserException {};
    ExpectX(MakeXException(CCopyFailed()), "CXFileException", 5);
    ExpectX(MakeXException(CCancelledTwice()), "CXUserException", 0);
    const CCopyFailed copyFailed;
    ASSERT_NE(AsFileException(copyFailed), nullptr);
    EXPECT_EQ(AsFileException(copyFailed)->GetFileName(), "b.txt");
    EXPECT_EQ(AsArchiveException(copyFailed), nullptr);
    EXPECT_EQ(AsXException(copyFailed), nullptr);
}

TEST(MakeXException, FamilyMembersAreNotPlatformKinds) {
    ExpectX(MakeXException(CMultiFileException(4)), "CXException", 1);
}

TEST(ToXException, CopiesFamilyMembersAndConvertsTheRest) {
    ExpectX(ToXException(CMultiFileException(4)), "CMultiFileException", 4);
    ExpectX(ToXException(CZLibException(2)), "CZLibException", 2);
    ExpectX(ToXException(CInstallProfileException(1)), "CInstallProfileException", 1);
    ExpectX(ToXException(CXFileException(CFileException(5))), "CXFileException", 5);
    ExpectX(ToXException(CUserException()), "CXUserException", 0);
    const std::unique_ptr<CXException> copy = ToXException(CMultiFileException(4));
    EXPECT_EQ(copy->LoadMessage().shortText, "Archive file damaged (corrupt table).");
}

template <class Thrower> std::unique_ptr<CXException> Caught(Thrower thrower) {
    try {
        thrower();
    } catch (...) {
        return CurrentXException();
    }
    return nullptr;
}

TEST(CurrentXException, ConvertsWhateverIsInFlight) {
    ExpectX(Caught([] { throw CMultiFileException(3); }), "CMultiFileException", 3);
    ExpectX(Caught([] { throw CFileException(CFileException::kAccessDenied); }), "CXFileException",
            5);
    ExpectX(Caught([] { throw std::bad_alloc(); }), "CXMemoryException", 0);
    ExpectX(Caught([] { throw CMemoryException(); }), "CXMemoryException", 0);
    ExpectX(Caught([] { throw std::runtime_error("x"); }), "CXException", 1);
    ExpectX(Caught([] { throw 42; }), "CXException", 1);
}

TEST(Throwing, ByValueCaughtByBaseReferenceKeepsTheClass) {
    try {
        throw CZLibException(CZLibException::kBufferError);
    } catch (const CException& e) {
        EXPECT_STREQ(e.GetRuntimeClassName(), "CZLibException");
        EXPECT_STREQ(e.what(), "CZLibException");
        const CXException* x = AsXException(e);
        ASSERT_NE(x, nullptr);
        EXPECT_EQ(x->GetCause(), 4);
    }
    try {
        throw CFileException(CFileException::kFileNotFound, 2, "DISK1.ARC");
    } catch (const CException& e) {
        const CFileException* file = AsFileException(e);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->GetFileName(), "DISK1.ARC");
        EXPECT_EQ(file->GetOsError(), 2);
    }
}

TEST(ZLibCause, FromResultCodes) {
    EXPECT_EQ(CZLibException::CauseFromZlibResult(-2), 2);
    EXPECT_EQ(CZLibException::CauseFromZlibResult(-3), 3);
    EXPECT_EQ(CZLibException::CauseFromZlibResult(-5), 4);
    EXPECT_EQ(CZLibException::CauseFromZlibResult(-1), 1);
    EXPECT_EQ(CZLibException::CauseFromZlibResult(-6), 1);
    EXPECT_EQ(CZLibException::CauseFromZlibResult(2), 1);
}

TEST(DescribeException, GivesClassCauseTextsAndFile) {
    const ExceptionDescription d =
        DescribeException(CFileException(CFileException::kSharingViolation, 32, "C:\\A\\B.DLL"));
    EXPECT_EQ(d.className, "CXFileException");
    EXPECT_EQ(d.cause, 11);
    EXPECT_EQ(d.message.shortText, "Sharing violation.");
    EXPECT_EQ(d.fileName, "C:\\A\\B.DLL");
    EXPECT_EQ(d.osError, 32);
    EXPECT_EQ(FormatExceptionLine(d), "C:\\A\\B.DLL: Sharing violation.");

    const ExceptionDescription m = DescribeException(CMultiFileException(2));
    EXPECT_EQ(m.className, "CMultiFileException");
    EXPECT_EQ(FormatExceptionLine(m), "File is not an archive file.");
}

TEST(DescribeException, ReportLineCarriesMessageTextAndCode) {
    EXPECT_EQ(FormatReportLine(17, "Cannot install files from 'BAD.MFA':",
                               DescribeException(CMultiFileException(2))),
              "Cannot install files from 'BAD.MFA': File is not an archive file. "
              "(17.2 (CMultiFileException))");
    EXPECT_EQ(FormatReportLine(9, "Setup cannot continue",
                               DescribeException(CFileException(CFileException::kSharingViolation,
                                                                32, "C:\\A\\B.DLL"))),
              "Setup cannot continue: C:\\A\\B.DLL: Sharing violation. (9.11 (CXFileException))");
}

// A family member defined elsewhere, without a Clone of its own: described by itself.
constexpr ErrorMessageEntry kOwnRows[] = {{-1, 24603, 24604, 0}};
class CLocalException : public CXException {
public:
    CLocalException() : CXException(8) {}
    const char* GetRuntimeClassName() const override { return "CLocalException"; }
    ErrorMessageTable GetMessageTable() const override { return {kOwnRows, 1}; }
};

TEST(DescribeException, FamilyMemberOfAnyClassDescribesItself) {
    const ExceptionDescription d = DescribeException(CLocalException());
    EXPECT_EQ(d.className, "CLocalException");
    EXPECT_EQ(d.cause, 8);
    EXPECT_EQ(d.message.shortText, "Hardware error.");
    EXPECT_EQ(d.fileName, "");
}

TEST(DescribeException, CurrentExceptionOfAnyKind) {
    auto describe = [](auto thrower) {
        try {
            thrower();
        } catch (...) {
            return DescribeCurrentException();
        }
        return ExceptionDescription{};
    };
    EXPECT_EQ(describe([] { throw std::bad_alloc(); }).message.shortText,
              "Not enough memory available.");
    EXPECT_EQ(describe([] { throw std::logic_error("x"); }).className, "CXException");
    EXPECT_EQ(describe([] { throw CLocalException(); }).className, "CLocalException");
    const ExceptionDescription f =
        describe([] { throw CFileException(CFileException::kEndOfFile, 0, "x.arc"); });
    EXPECT_EQ(FormatExceptionLine(f), "x.arc: End of file.");
}

} // namespace
