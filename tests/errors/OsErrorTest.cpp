#include "errors/Exceptions.h"
#include "errors/Win32ErrorCodes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

TEST(FileCauseFromErrno, MapsTheKnownErrors) {
    const std::pair<int, int> cases[] = {
        {ENOENT, 2},  {ENOTDIR, 3}, {ENAMETOOLONG, 3}, {EMFILE, 4}, {ENFILE, 4}, {EACCES, 5},
        {EPERM, 5},   {EROFS, 5},   {EISDIR, 5},       {EBADF, 6},  {ESPIPE, 9}, {EIO, 10},
        {ENOSPC, 13}, {EINVAL, 1},  {EEXIST, 1},       {0, 1},      {-1, 1},     {99999, 1},
    };
    for (const auto& [error, cause] : cases) {
        EXPECT_EQ(FileCauseFromErrno(error), cause) << "errno " << error;
    }
}

TEST(FileCauseFromWin32Error, MapsTheKnownErrors) {
    using namespace win32_error;
    const std::pair<std::uint32_t, int> cases[] = {
        {kFileNotFound, 2},
        {kPathNotFound, 3},
        {kInvalidDrive, 3},
        {kBadPathName, 3},
        {kInvalidName, 3},
        {kFilenameExcedRange, 3},
        {kTooManyOpenFiles, 4},
        {kAccessDenied, 5},
        {kInvalidHandle, 6},
        {kCurrentDirectory, 7},
        {kCannotMake, 8},
        {kSeek, 9},
        {kNegativeSeek, 9},
        {kWriteProtect, 10},
        {kNotReady, 10},
        {kCrc, 10},
        {kSectorNotFound, 10},
        {kWriteFault, 10},
        {kReadFault, 10},
        {kGenFailure, 10},
        {kIoDevice, 10},
        {kSharingViolation, 11},
        {kLockViolation, 12},
        {kDiskFull, 13},
        {kHandleDiskFull, 13},
        {kHandleEof, 14},
        {0, 1},
        {87, 1},
        {183, 1},
        {0xFFFFFFFFu, 1},
    };
    for (const auto& [error, cause] : cases) {
        EXPECT_EQ(FileCauseFromWin32Error(error), cause) << "Win32 error " << error;
    }
}

TEST(FileExceptionFromOsError, KeepsCauseErrorAndName) {
    const CFileException a = FileExceptionFromErrno(ENOSPC, "/tmp/out.bin");
    EXPECT_EQ(a.GetCause(), CFileException::kDiskFull);
    EXPECT_EQ(a.GetOsError(), ENOSPC);
    EXPECT_EQ(a.GetFileName(), "/tmp/out.bin");

    const CFileException b = FileExceptionFromWin32Error(win32_error::kSharingViolation, "X.DLL");
    EXPECT_EQ(b.GetCause(), CFileException::kSharingViolation);
    EXPECT_EQ(b.GetOsError(), 32);
    EXPECT_EQ(b.GetFileName(), "X.DLL");
}

TEST(FileExceptionFromOsError, ThrowHelpersThrowTheSameException) {
    try {
        ThrowFileExceptionFromErrno(EACCES, "locked");
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetCause(), CFileException::kAccessDenied);
        EXPECT_EQ(e.GetFileName(), "locked");
    }
    try {
        ThrowFileExceptionFromWin32Error(win32_error::kHandleEof, "short.arc");
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetCause(), CFileException::kEndOfFile);
        EXPECT_EQ(e.GetOsError(), 38);
    }
}

#ifdef _WIN32
TEST(FileExceptionFromOsError, LastWin32ErrorOfARealFailure) {
    const DWORD attributes = GetFileAttributesA("Z:\\no\\such\\directory\\file.txt");
    ASSERT_EQ(attributes, INVALID_FILE_ATTRIBUTES);
    try {
        ThrowLastWin32FileError("file.txt");
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetCause(), CFileException::kBadPath);
        EXPECT_EQ(e.GetOsError(), ERROR_PATH_NOT_FOUND);
    }
}
#endif

} // namespace
