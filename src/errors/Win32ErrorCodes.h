// The Win32 error codes that decide a file exception's cause, as plain numbers so that the
// mapping compiles and is tested on every platform. On Windows, PlatformExceptions.cpp
// checks each value against the system headers at compile time.
#pragma once

#include <cstdint>

namespace win32_error {

constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kTooManyOpenFiles = 4;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kInvalidHandle = 6;
constexpr std::uint32_t kInvalidDrive = 15;
constexpr std::uint32_t kCurrentDirectory = 16;
constexpr std::uint32_t kWriteProtect = 19;
constexpr std::uint32_t kBadUnit = 20;
constexpr std::uint32_t kNotReady = 21;
constexpr std::uint32_t kBadCommand = 22;
constexpr std::uint32_t kCrc = 23;
constexpr std::uint32_t kBadLength = 24;
constexpr std::uint32_t kSeek = 25;
constexpr std::uint32_t kNotDosDisk = 26;
constexpr std::uint32_t kSectorNotFound = 27;
constexpr std::uint32_t kOutOfPaper = 28;
constexpr std::uint32_t kWriteFault = 29;
constexpr std::uint32_t kReadFault = 30;
constexpr std::uint32_t kGenFailure = 31;
constexpr std::uint32_t kSharingViolation = 32;
constexpr std::uint32_t kLockViolation = 33;
constexpr std::uint32_t kHandleEof = 38;
constexpr std::uint32_t kHandleDiskFull = 39;
constexpr std::uint32_t kCannotMake = 82;
constexpr std::uint32_t kDiskFull = 112;
constexpr std::uint32_t kInvalidName = 123;
constexpr std::uint32_t kNegativeSeek = 131;
constexpr std::uint32_t kBadPathName = 161;
constexpr std::uint32_t kFilenameExcedRange = 206;
constexpr std::uint32_t kIoDevice = 1117;

} // namespace win32_error
