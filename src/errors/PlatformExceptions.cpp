#include "errors/PlatformExceptions.h"

#include "errors/Win32ErrorCodes.h"

#include <cerrno>

#ifdef _WIN32
#include <windows.h>

static_assert(win32_error::kFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(win32_error::kPathNotFound == ERROR_PATH_NOT_FOUND);
static_assert(win32_error::kTooManyOpenFiles == ERROR_TOO_MANY_OPEN_FILES);
static_assert(win32_error::kAccessDenied == ERROR_ACCESS_DENIED);
static_assert(win32_error::kInvalidHandle == ERROR_INVALID_HANDLE);
static_assert(win32_error::kInvalidDrive == ERROR_INVALID_DRIVE);
static_assert(win32_error::kCurrentDirectory == ERROR_CURRENT_DIRECTORY);
static_assert(win32_error::kWriteProtect == ERROR_WRITE_PROTECT);
static_assert(win32_error::kBadUnit == ERROR_BAD_UNIT);
static_assert(win32_error::kNotReady == ERROR_NOT_READY);
static_assert(win32_error::kBadCommand == ERROR_BAD_COMMAND);
static_assert(win32_error::kCrc == ERROR_CRC);
static_assert(win32_error::kBadLength == ERROR_BAD_LENGTH);
static_assert(win32_error::kSeek == ERROR_SEEK);
static_assert(win32_error::kNotDosDisk == ERROR_NOT_DOS_DISK);
static_assert(win32_error::kSectorNotFound == ERROR_SECTOR_NOT_FOUND);
static_assert(win32_error::kOutOfPaper == ERROR_OUT_OF_PAPER);
static_assert(win32_error::kWriteFault == ERROR_WRITE_FAULT);
static_assert(win32_error::kReadFault == ERROR_READ_FAULT);
static_assert(win32_error::kGenFailure == ERROR_GEN_FAILURE);
static_assert(win32_error::kSharingViolation == ERROR_SHARING_VIOLATION);
static_assert(win32_error::kLockViolation == ERROR_LOCK_VIOLATION);
static_assert(win32_error::kHandleEof == ERROR_HANDLE_EOF);
static_assert(win32_error::kHandleDiskFull == ERROR_HANDLE_DISK_FULL);
static_assert(win32_error::kCannotMake == ERROR_CANNOT_MAKE);
static_assert(win32_error::kDiskFull == ERROR_DISK_FULL);
static_assert(win32_error::kInvalidName == ERROR_INVALID_NAME);
static_assert(win32_error::kNegativeSeek == ERROR_NEGATIVE_SEEK);
static_assert(win32_error::kBadPathName == ERROR_BAD_PATHNAME);
static_assert(win32_error::kFilenameExcedRange == ERROR_FILENAME_EXCED_RANGE);
static_assert(win32_error::kIoDevice == ERROR_IO_DEVICE);
#endif

int FileCauseFromErrno(int error) {
    switch (error) {
    case ENOENT:
        return CFileException::kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
#ifdef ELOOP
    case ELOOP:
#endif
        return CFileException::kBadPath;
    case EMFILE:
    case ENFILE:
        return CFileException::kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: // opening a directory as a file; Windows reports access denied too
        return CFileException::kAccessDenied;
    case EBADF:
        return CFileException::kInvalidFile;
    case ESPIPE:
        return CFileException::kBadSeek;
    case EIO:
        return CFileException::kHardIO;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return CFileException::kDiskFull;
    default:
        return CFileException::kGeneric;
    }
}

namespace {

bool IsHardwareError(std::uint32_t error) {
    using namespace win32_error;
    switch (error) {
    case kWriteProtect:
    case kBadUnit:
    case kNotReady:
    case kBadCommand:
    case kCrc:
    case kBadLength:
    case kNotDosDisk:
    case kSectorNotFound:
    case kOutOfPaper:
    case kWriteFault:
    case kReadFault:
    case kGenFailure:
    case kIoDevice:
        return true;
    default:
        return false;
    }
}

} // namespace

int FileCauseFromWin32Error(std::uint32_t error) {
    using namespace win32_error;
    if (IsHardwareError(error)) {
        return CFileException::kHardIO;
    }
    switch (error) {
    case kFileNotFound:
        return CFileException::kFileNotFound;
    case kPathNotFound:
    case kInvalidDrive:
    case kInvalidName:
    case kBadPathName:
    case kFilenameExcedRange:
        return CFileException::kBadPath;
    case kTooManyOpenFiles:
        return CFileException::kTooManyOpenFiles;
    case kAccessDenied:
        return CFileException::kAccessDenied;
    case kInvalidHandle:
        return CFileException::kInvalidFile;
    case kCurrentDirectory:
        return CFileException::kRemoveCurrentDir;
    case kCannotMake:
        return CFileException::kDirectoryFull;
    case kSeek:
    case kNegativeSeek:
        return CFileException::kBadSeek;
    case kSharingViolation:
        return CFileException::kSharingViolation;
    case kLockViolation:
        return CFileException::kLockViolation;
    case kDiskFull:
    case kHandleDiskFull:
        return CFileException::kDiskFull;
    case kHandleEof:
        return CFileException::kEndOfFile;
    default:
        return CFileException::kGeneric;
    }
}

CFileException FileExceptionFromErrno(int error, const std::string& fileName) {
    return CFileException(FileCauseFromErrno(error), error, fileName);
}

CFileException FileExceptionFromWin32Error(std::uint32_t error, const std::string& fileName) {
    return CFileException(FileCauseFromWin32Error(error), static_cast<std::int32_t>(error),
                          fileName);
}

void ThrowFileExceptionFromErrno(int error, const std::string& fileName) {
    throw FileExceptionFromErrno(error, fileName);
}

void ThrowFileExceptionFromWin32Error(std::uint32_t error, const std::string& fileName) {
    throw FileExceptionFromWin32Error(error, fileName);
}

#ifdef _WIN32
void ThrowLastWin32FileError(const std::string& fileName) {
    ThrowFileExceptionFromWin32Error(GetLastError(), fileName);
}
#endif
