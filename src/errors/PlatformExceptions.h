// Portable equivalents of the platform's exception classes: the base CException and the
// file, memory, serialization, resource, user-cancel and not-supported exceptions.
//
// All exceptions of the program are thrown by value and caught by const reference:
//     throw CFileException(CFileException::kDiskFull, ENOSPC, path);
//     catch (const CException& e) { ... }
// Every class reports its run-time class name (GetRuntimeClassName), which the error
// dialog shows, and its kind (GetKind), by which the conversions tell the classes apart: the
// Windows programs are built without run-time type information, so nothing casts
// dynamically. Failures of the operating system become a CFileException where they
// happen, with the cause derived from the system's error number (FileExceptionFromErrno,
// FileExceptionFromWin32Error), the error number itself and the file's name.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

// Root of every exception the program throws. what() gives the run-time class name.
class CException : public std::exception {
public:
    // The class below CException that an exception is or derives from. kFamily stands for
    // CXException and the classes of its family (XException.h).
    enum class Kind { kOther, kFile, kMemory, kArchive, kResource, kUser, kNotSupported, kFamily };

    ~CException() override = default;
    virtual const char* GetRuntimeClassName() const { return "CException"; }
    virtual Kind GetKind() const { return Kind::kOther; }
    const char* what() const noexcept override { return GetRuntimeClassName(); }
};

// A failed file or directory operation.
class CFileException : public CException {
public:
    // Causes (the numbers are part of what users see: "<message id>.<cause> (class)").
    static constexpr int kNone = 0;
    static constexpr int kGeneric = 1; // any other failure, e.g. a failed read or write
    static constexpr int kFileNotFound = 2;
    static constexpr int kBadPath = 3;
    static constexpr int kTooManyOpenFiles = 4;
    static constexpr int kAccessDenied = 5;
    static constexpr int kInvalidFile = 6;
    static constexpr int kRemoveCurrentDir = 7;
    static constexpr int kDirectoryFull = 8;
    static constexpr int kBadSeek = 9;
    static constexpr int kHardIO = 10;
    static constexpr int kSharingViolation = 11;
    static constexpr int kLockViolation = 12;
    static constexpr int kDiskFull = 13;
    static constexpr int kEndOfFile = 14;

    // osError: the system's error number (errno or a Win32 error code), 0 if none.
    explicit CFileException(int cause = kNone, std::int32_t osError = 0, std::string fileName = {})
        : m_cause(cause), m_osError(osError), m_fileName(std::move(fileName)) {}

    const char* GetRuntimeClassName() const override { return "CFileException"; }
    Kind GetKind() const override { return Kind::kFile; }
    int GetCause() const { return m_cause; }
    std::int32_t GetOsError() const { return m_osError; }
    const std::string& GetFileName() const { return m_fileName; }

private:
    int m_cause;
    std::int32_t m_osError;
    std::string m_fileName;
};

// Memory could not be allocated.
class CMemoryException : public CException {
public:
    const char* GetRuntimeClassName() const override { return "CMemoryException"; }
    Kind GetKind() const override { return Kind::kMemory; }
};

// Saving or loading serialized data failed.
class CArchiveException : public CException {
public:
    static constexpr int kNone = 0;
    static constexpr int kGeneric = 1;
    static constexpr int kReadOnly = 2;  // writing to an archive opened for loading
    static constexpr int kEndOfFile = 3; // the data ended early
    static constexpr int kWriteOnly = 4; // reading from an archive opened for storing
    static constexpr int kBadIndex = 5;
    static constexpr int kBadClass = 6;
    static constexpr int kBadSchema = 7;

    explicit CArchiveException(int cause = kNone) : m_cause(cause) {}
    const char* GetRuntimeClassName() const override { return "CArchiveException"; }
    Kind GetKind() const override { return Kind::kArchive; }
    int GetCause() const { return m_cause; }

private:
    int m_cause;
};

// A resource (dialog template, string, bitmap, window) could not be loaded or created.
class CResourceException : public CException {
public:
    const char* GetRuntimeClassName() const override { return "CResourceException"; }
    Kind GetKind() const override { return Kind::kResource; }
};

// The user cancelled the operation; travels silently and is never reported.
class CUserException : public CException {
public:
    const char* GetRuntimeClassName() const override { return "CUserException"; }
    Kind GetKind() const override { return Kind::kUser; }
};

// The operation is not supported.
class CNotSupportedException : public CException {
public:
    const char* GetRuntimeClassName() const override { return "CNotSupportedException"; }
    Kind GetKind() const override { return Kind::kNotSupported; }
};

// e as a file or serialization exception, or nullptr when it is none.
inline const CFileException* AsFileException(const CException& e) {
    return e.GetKind() == CException::Kind::kFile ? static_cast<const CFileException*>(&e)
                                                  : nullptr;
}
inline const CArchiveException* AsArchiveException(const CException& e) {
    return e.GetKind() == CException::Kind::kArchive ? static_cast<const CArchiveException*>(&e)
                                                     : nullptr;
}

// Cause of a file exception for a POSIX/CRT errno value (generic for unknown values).
int FileCauseFromErrno(int error);

// Cause of a file exception for a Win32 error code as GetLastError returns it (generic for
// unknown codes). Portable: the codes are plain numbers, so the mapping is testable anywhere.
int FileCauseFromWin32Error(std::uint32_t error);

CFileException FileExceptionFromErrno(int error, const std::string& fileName);
CFileException FileExceptionFromWin32Error(std::uint32_t error, const std::string& fileName);

// Throws the file exception for errno value `error` and the file's name.
[[noreturn]] void ThrowFileExceptionFromErrno(int error, const std::string& fileName);
[[noreturn]] void ThrowFileExceptionFromWin32Error(std::uint32_t error,
                                                   const std::string& fileName);

#ifdef _WIN32
// Throws the file exception for the calling thread's last Win32 error (GetLastError).
[[noreturn]] void ThrowLastWin32FileError(const std::string& fileName);
#endif
