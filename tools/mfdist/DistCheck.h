// Reading a finished distribution back: the profile as the setup program loads it, and
// every archive across its diskettes, expanded and verified, so that the answer says
// whether the setup program will find everything it needs.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct CheckReport {
    std::vector<std::string> problems; // empty = the distribution is complete
    std::vector<std::string> lines;    // what was checked, one line per archive
};

// dir is the distribution: the directory holding SETUP.INI, or the one holding DISK01.
// Never throws for a damaged distribution; every finding is a problem of the report.
CheckReport CheckDistribution(const std::string& dir,
                              const std::function<void(const std::string&)>& progress = {});
