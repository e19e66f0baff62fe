// The description file of a distribution: an INI file that says what the builder packs and
// how the setup program installs it.
//
//   [general]         the six keys the setup program reads at start-up
//   [distribution]    Capacity (diskette size) and Method (default coding method)
//   [destinations]    id=relative path|parent id, as in the install profile
//   [components]      key=text|description|type-1|type-2|type-3[|method[|archive name]]
//   [targets]         Program Manager items, as in the install profile
//   [diskettes]       number=label[|second text]
//   [SelfRegisterDLLs] file name=destination id|use entry point
//   [files:KEY]       per component: pattern=destination id[|method]
//
// Lines starting with ';' or '#' are comments. Section and key names compare without
// regard to case. Everything the builder does not know is an error, so a typo never passes
// silently.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// A line's place in the description, for error messages.
struct DescLocation {
    std::string file;
    int line = 0;
    std::string Text() const { return file + ":" + std::to_string(line); }
};

struct DescFileLine {
    std::string pattern;          // relative to the folder; wildcards in the last part only
    std::int16_t destination = 0; // where the matched files are installed
    std::string method;           // empty = the component's default
    DescLocation where;
};

struct DescComponent {
    std::string key;
    std::string text1;
    std::string description;
    bool typeFlags[3] = {false, false, false};
    std::string method;      // empty = the distribution's default
    std::string archiveName; // empty = made from the key
    std::vector<DescFileLine> files;
    DescLocation where;
};

struct DescDestination {
    std::int16_t id = 0;
    std::string relativePath;
    std::int16_t parent = -1;
    DescLocation where;
};

// A record copied into the profile as it stands (targets, self-registration list).
struct DescRecord {
    std::string key;
    std::string value;
    DescLocation where;
};

struct Description {
    std::string path;
    // "general" keys in the order the setup program documents them, with their values.
    std::vector<std::pair<std::string, std::string>> general;
    std::string capacity = "1.44M";
    std::string method = "smallest";
    std::vector<DescDestination> destinations;
    std::vector<DescComponent> components; // in description order
    std::map<int, std::string> diskettes;  // number -> "label|second text"
    std::vector<DescRecord> targets;
    std::vector<DescRecord> selfRegister;

    // The value of a "general" key, or empty.
    std::string General(const std::string& key) const;
};

// The six "general" keys, in the order the builder writes them.
const std::vector<std::string>& GeneralKeys();

// Methods a description may name: smallest, stored, lh5, zlib.
bool IsMethodName(const std::string& name);

// Reads and checks the description at path. Throws CDistError: kDistDescription for an
// unreadable file, a syntax error, an unknown section or key, a duplicate, a bad value;
// kDistUndefinedDestination for an id neither defined nor predefined; kDistNoFiles for a
// component without a files section or with an empty one.
Description ReadDescription(const std::string& path);

// True for the predefined destinations -2 to -8.
bool IsPredefinedDestination(int id);
