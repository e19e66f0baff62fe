// The machine facts behind the predefined destinations: the Windows, system and temporary
// directories, the operating system's major version and the registry's "CommonFilesDir".
//
// The destination model asks them through CSystemFolders so that it stays portable: the
// Windows build answers from the platform (CreatePlatformSystemFolders), tests and the
// command-line tools answer from fixed values (CFixedSystemFolders).
#pragma once

#include <memory>
#include <string>
#include <utility>

class CSystemFolders {
public:
    virtual ~CSystemFolders() = default;

    // Directory texts as the platform gives them (with or without a trailing backslash).
    virtual std::string WindowsDir() const = 0;
    virtual std::string SystemDir() const = 0;
    virtual std::string TempDir() const = 0;
    // Major version of the operating system (fonts live in the Windows directory from 4 on).
    virtual int OsMajorVersion() const = 0;
    // The value "CommonFilesDir" of the key CurrentVersion under HKEY_LOCAL_MACHINE, or ""
    // when it is missing or cannot be read.
    virtual std::string CommonFilesValue() const = 0;
};

// Fixed answers, for tests and for tools that load a profile without installing it.
class CFixedSystemFolders : public CSystemFolders {
public:
    CFixedSystemFolders() = default;
    CFixedSystemFolders(std::string windowsDir, std::string systemDir, std::string tempDir,
                        int osMajorVersion, std::string commonFiles)
        : m_windowsDir(std::move(windowsDir)), m_systemDir(std::move(systemDir)),
          m_tempDir(std::move(tempDir)), m_osMajorVersion(osMajorVersion),
          m_commonFiles(std::move(commonFiles)) {}

    std::string WindowsDir() const override { return m_windowsDir; }
    std::string SystemDir() const override { return m_systemDir; }
    std::string TempDir() const override { return m_tempDir; }
    int OsMajorVersion() const override { return m_osMajorVersion; }
    std::string CommonFilesValue() const override { return m_commonFiles; }

private:
    std::string m_windowsDir = "C:\\WINDOWS";
    std::string m_systemDir = "C:\\WINDOWS\\SYSTEM";
    std::string m_tempDir = "C:\\WINDOWS\\TEMP\\";
    int m_osMajorVersion = 4;
    std::string m_commonFiles;
};

#ifdef _WIN32
// The running machine's answers (GetWindowsDirectoryA, GetSystemDirectoryA, GetTempPathA,
// GetVersion and the registry value read with full access).
std::unique_ptr<CSystemFolders> CreatePlatformSystemFolders();
#endif
