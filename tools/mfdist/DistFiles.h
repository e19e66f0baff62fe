// The few file-system operations the distribution builder needs, over the plain Windows API
// of Windows 95 and NT 4 (ANSI functions) and over POSIX, so that the Windows build of the
// tool imports nothing newer. Paths are byte strings in the ANSI code page; both '/' and
// '\' separate on Windows, '/' natively.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace distfiles {

// dir joined with name by the system's separator (name alone when dir is empty).
std::string Join(const std::string& dir, const std::string& name);
// The final component, and everything before it (without the separator).
std::string FileName(const std::string& path);
std::string Parent(const std::string& path);
// The full path of path (relative ones are taken from the current directory).
std::string Absolute(const std::string& path);
// The directory for scratch files.
std::string TempDirectory();

bool IsFile(const std::string& path);
bool IsDirectory(const std::string& path);
// Size of a file; false when it cannot be examined.
bool FileSize(const std::string& path, std::uint64_t& size);
// Names in dir (without "." and ".."), sorted; files only when filesOnly is set.
std::vector<std::string> List(const std::string& dir, bool filesOnly);

// The operations below report failure by their result.
bool MakeDirectories(const std::string& path);
bool RemoveTree(const std::string& path);
bool MoveOneFile(const std::string& from, const std::string& to);
bool CopyOneFile(const std::string& from, const std::string& to);
// Last-write time in seconds since 1970 (0 when unknown), and setting it.
std::int64_t ModifyTime(const std::string& path);
bool SetModifyTime(const std::string& path, std::int64_t seconds);

} // namespace distfiles
