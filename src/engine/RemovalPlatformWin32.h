// The removal engine's file and registry operations on Windows. The page that runs the
// removal supplies the rest (progress and cancel, Program Manager, libraries).
#pragma once

#include "engine/RemovalEngine.h"

class CWin32RemovalFiles : public CRemovalPlatform {
public:
    // Clears a read-only attribute first: the installation gave the file its archived
    // attributes, and a read-only file of ours is still ours to delete.
    bool DeleteLoggedFile(const CFilePath& path) override;
    // Through CSharedDllCount: one less, the value deleted at 0.
    std::uint32_t ReleaseSharedCount(const CFilePath& path) override;
    // RemoveDirectory only succeeds on an empty directory.
    bool RemoveEmptyDirectory(const CFilePath& directory) override;
    // Also when one path is written with short (8.3) names and the other with long ones.
    bool IsSameFile(const CFilePath& a, const CFilePath& b) override;
};
