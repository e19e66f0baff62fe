// A small two-diskette distribution made in a scratch folder with the archive writer: a
// profile with two components (Main: typical; Extra: only setup type 3), a multi-volume
// archive whose third member continues from diskette 1 onto diskette 2, a plain file, a
// program with a version resource, a Program Manager target and diskette labels. It can be
// laid out as DISK01/DISK02 folders and as 1.44 MB images with names that say nothing.
#pragma once

#include "TempDir.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class DistributionFixture {
public:
    // dataFolder: the relative path of destination 1 (below the application directory);
    // appFolder: that of destination 0; libraryDestination: where SYS.DLL goes (the system
    // directory, -3, unless a test installs the distribution for real).
    explicit DistributionFixture(const std::string& dataFolder = "DATA",
                                 const std::string& appFolder = "TESTAPP",
                                 std::int16_t libraryDestination = -3);

    // dir/DISK01, dir/DISK02 with the diskettes' files; returns dir.
    std::string Folders() const { return m_root.File("dist"); }
    // The two diskettes as images: disk 2 first, under names that do not tell.
    std::vector<std::string> Images() const {
        return {m_root.File("aa.ima"), m_root.File("zz.img")};
    }
    std::string ImageOf(int diskette) const {
        return diskette == 1 ? m_root.File("zz.img") : m_root.File("aa.ima");
    }
    // A fresh folder for output.
    std::string OutputFolder(const std::string& name) const { return m_root.File(name); }
    // The source bytes of a member by file name.
    const std::vector<std::uint8_t>& Source(const std::string& name) const {
        return m_sources.at(name);
    }

private:
    void WriteSources();
    void WriteArchives(const std::string& dataFolder, const std::string& appFolder,
                       std::int16_t libraryDestination);
    void WriteImages();

    TempDir m_root;
    std::map<std::string, std::vector<std::uint8_t>> m_sources;
};

// Bytes that carry a version resource of version 1.2.3.4 after some padding.
std::vector<std::uint8_t> ProgramWithVersion();
