// The distribution builder: turns a folder of application files and a description file
// into a finished distribution.
//
// Output (capacity not 0): DISK01, DISK02, ... below the output directory. DISK01 holds
// SETUP.EXE, its profile SETUP.INI and the splash picture; then one archive per component
// (components in the order the setup program loads them, byte-wise by key), each split over
// as many diskettes as it needs (volumes NAME.MF1, NAME.MF2, ...). Every file takes whole
// clusters of the chosen diskette size. With capacity 0 everything lies in the output
// directory itself, one volume per archive.
//
// The result depends on the inputs only: the members carry their files' times, and every
// written file gets the newest source time as its own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A diskette size: the bytes its data area holds and the cluster that every file rounds up
// to. bytes 0 = one directory, no diskettes.
struct DisketteCapacity {
    std::int64_t bytes = 0;
    std::int64_t cluster = 1;
};

// "720K", "1.2M", "1.44M", "2.88M" (free bytes of a freshly formatted diskette, clusters of
// 1024, 512, 512 and 1024 bytes), a plain number of bytes (clusters of 1 byte) or "0".
// Throws CDistError (kDistDescription) for anything else.
DisketteCapacity ParseCapacity(const std::string& text);

struct BuildOptions {
    std::string description;
    std::string folder;
    std::string output;
    std::string setupProgram;
    // The removal helper to put beside it (empty: none). The setup program installs it into
    // the system directory, where the registered removal command looks for it.
    std::string removalHelper;
    std::string capacity; // overrides the description's Capacity when not empty
    bool best = false;
    // Also one 1.44 MB image per diskette (DISKnn.IMG), labelled with its label.
    bool images = false;
    // Called with a short text for every step of long work (coding a file, writing).
    std::function<void(const std::string&)> progress;
};

struct OutputFile {
    std::string name;
    std::uint64_t bytes = 0;
};

struct DisketteSummary {
    int number = 0;        // 0 = the one directory of capacity 0
    std::string directory; // full path
    std::vector<OutputFile> files;
    std::uint64_t bytes = 0;     // sum of the file sizes
    std::int64_t freeBytes = -1; // -1 = no limit
};

struct BuildResult {
    std::vector<DisketteSummary> diskettes;
    std::uint64_t setupBytes = 0;
    std::uint64_t memberCount = 0;
    std::uint64_t expandedBytes = 0;
    std::uint64_t codedBytes = 0;
    std::uint64_t methodCount[3] = {0, 0, 0}; // stored, lh5, zlib
};

// Builds the distribution. The output directory must not exist or be empty. Throws
// CDistError with the exit code of the failure (DistErrors.h); nothing half-made is left in
// the output directory's place when it was created here.
BuildResult BuildDistribution(const BuildOptions& options);
