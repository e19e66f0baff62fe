// CDisketteSet: where the diskettes of one distribution are, whatever form they came in.
//
// A distribution is given as one of:
//  - a folder holding DISK01 ... DISKnn (one subfolder per diskette);
//  - the folder of the first diskette (or the whole distribution in one folder): diskette n
//    is then looked for in the numbered sibling (a folder name ending in two digits has them
//    replaced by n, as the setup program does) and in that folder itself;
//  - a set of diskette images (raw FAT12/FAT16 images) or diskette folders, in any order:
//    each is numbered by its contents (the files the profile says are on which diskette, the
//    profile itself being on diskette 1) and, where the contents do not tell, by its volume
//    label (the profile's diskette label). Images are unpacked into a private scratch folder
//    that goes with the set. A folder holding images (and neither DISKnn folders nor a
//    profile) stands for its images.
// The profile is the one given, or the INI file with a "destinations" section on diskette 1.
// File names are matched without regard to case (diskettes store upper-case names).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class CDistributionError : public std::runtime_error {
public:
    explicit CDistributionError(const std::string& what) : std::runtime_error(what) {}
};

// A scratch folder removed with everything in it when the object goes.
class CScratchFolder {
public:
    CScratchFolder();
    ~CScratchFolder();
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// One diskette (image or folder) before it has a number.
struct DisketteCandidate {
    std::string shownName;              // the image's or folder's path, for messages
    std::string volumeLabel;            // images only; empty for folders
    std::vector<std::string> fileNames; // names in its root folder
};

// What the profile says about the diskettes: which file starts on which diskette, and their
// labels. Continuation volumes of multi-file archives are expected on the diskettes after.
struct DisketteExpectations {
    std::multimap<std::string, std::int32_t> diskOfFile; // upper-case file name -> diskette
    std::map<std::int32_t, std::string> labels;          // diskette -> label
    std::string profileName;                             // upper-case name of the profile
};

// The number of every candidate, in order. Throws CDistributionError naming a candidate that
// cannot be placed, or two that claim the same diskette.
std::vector<std::int32_t> NumberDiskettes(const std::vector<DisketteCandidate>& candidates,
                                          const DisketteExpectations& expected);

// The existing entry of folder whose name equals name without regard to case, or "".
std::string FindInFolder(const std::string& folder, const std::string& name);

class CDisketteSet {
public:
    // inputs: folders and image files (see above); profile: the profile's path, or empty to
    // find it on diskette 1. Throws CDistributionError (an image's error names the image).
    static std::unique_ptr<CDisketteSet> Open(const std::vector<std::string>& inputs,
                                              const std::string& profile = std::string());

    const std::string& ProfilePath() const { return m_profile; }
    // The path of fileName on diskette number, or "" when it is not there.
    std::string FindFile(const std::string& fileName, std::int32_t number) const;
    // The image or folder of diskette number, for messages ("diskette 2" when unknown).
    std::string DisketteName(std::int32_t number) const;
    // The diskette numbers known, ascending.
    std::vector<std::int32_t> Numbers() const;

private:
    CDisketteSet() = default;
    void OpenFolder(const std::string& folder);
    void OpenCandidates(const std::vector<std::string>& inputs, const std::string& profile);
    std::string FindProfileOnFirstDiskette() const;

    std::unique_ptr<CScratchFolder> m_scratch;
    std::map<std::int32_t, std::string> m_folders;    // diskette -> folder of its files
    std::map<std::int32_t, std::string> m_shownNames; // diskette -> image or folder
    std::string m_fallbackFolder; // looked in last (the first diskette's folder), may be empty
    std::string m_profile;
};
