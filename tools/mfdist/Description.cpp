#include "Description.h"

#include "DistErrors.h"

#include "support/StringUtil.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <set>

namespace {

// Longest value the setup program reads from its profile.
constexpr std::size_t kMaxValue = 254;
const std::string kFilesPrefix = "files:";

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> SplitFields(const std::string& value) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t bar = value.find('|', start);
        fields.push_back(value.substr(start, bar - start));
        if (bar == std::string::npos)
            return fields;
        start = bar + 1;
    }
}

[[noreturn]] void Fail(int code, const DescLocation& where, const std::string& message) {
    throw CDistError(code, where.Text() + ": " + message);
}

// A whole decimal number in [low, high]; anything else is a description error.
long ParseNumber(const std::string& text, long low, long high, const DescLocation& where,
                 const std::string& what) {
    std::string t(TrimBlanks(text));
    char* end = nullptr;
    long value = std::strtol(t.c_str(), &end, 10);
    if (t.empty() || *end != '\0' || value < low || value > high)
        Fail(kDistDescription, where,
             what + " must be a number from " + std::to_string(low) + " to " +
                 std::to_string(high) + ", not '" + text + "'");
    return value;
}

bool ParseFlag(const std::string& text, const DescLocation& where, const std::string& what) {
    return ParseNumber(text, 0, 1, where, what) != 0;
}

struct RawLine {
    std::string key;
    std::string value;
    DescLocation where;
};

struct RawSection {
    std::string name;
    DescLocation where;
    std::vector<RawLine> lines;
};

std::vector<RawSection> ReadSections(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw CDistError(kDistDescription, path + ": cannot read the description file");
    std::vector<RawSection> sections;
    std::set<std::string> sectionNames;
    std::set<std::string> keys;
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
        ++number;
        DescLocation where{path, number};
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        std::string line(TrimBlanks(text));
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']')
                Fail(kDistDescription, where, "a section line must end with ']'");
            std::string name(TrimBlanks(line.substr(1, line.size() - 2)));
            if (!sectionNames.insert(Lower(name)).second)
                Fail(kDistDescription, where, "section [" + name + "] appears twice");
            sections.push_back(RawSection{name, where, {}});
            keys.clear();
            continue;
        }
        std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            Fail(kDistDescription, where, "expected key=value, a [section] or a ; comment");
        if (sections.empty())
            Fail(kDistDescription, where, "key=value before the first [section]");
        std::string key(TrimBlanks(line.substr(0, eq)));
        std::string value(TrimBlanks(line.substr(eq + 1)));
        if (key.empty())
            Fail(kDistDescription, where, "empty key");
        if (!keys.insert(Lower(key)).second)
            Fail(kDistDescription, where,
                 "key '" + key + "' appears twice in [" + sections.back().name + "]");
        if (value.size() > kMaxValue)
            Fail(kDistDescription, where,
                 "value longer than " + std::to_string(kMaxValue) +
                     " characters: the setup program would cut it");
        sections.back().lines.push_back(RawLine{key, value, where});
    }
    return sections;
}

void ReadGeneral(const RawSection& section, Description& d) {
    for (const RawLine& line : section.lines) {
        auto known =
            std::find_if(GeneralKeys().begin(), GeneralKeys().end(),
                         [&](const std::string& k) { return Lower(k) == Lower(line.key); });
        if (known == GeneralKeys().end())
            Fail(kDistDescription, line.where,
                 "unknown key '" + line.key +
                     "' in [general] (known: App Title, App Setup, PM Group, Primary "
                     "NameExtension, Display Name, Splash Path)");
        for (auto& entry : d.general)
            if (entry.first == *known)
                entry.second = line.value;
    }
}

void ReadDistribution(const RawSection& section, Description& d) {
    for (const RawLine& line : section.lines) {
        std::string key = Lower(line.key);
        if (key == "capacity") {
            d.capacity = line.value;
        } else if (key == "method") {
            if (!IsMethodName(Lower(line.value)))
                Fail(kDistDescription, line.where,
                     "unknown method '" + line.value + "' (use smallest, stored, lh5 or zlib)");
            d.method = Lower(line.value);
        } else {
            Fail(kDistDescription, line.where,
                 "unknown key '" + line.key + "' in [distribution] (known: Capacity, Method)");
        }
    }
}

void ReadDestinations(const RawSection& section, Description& d) {
    for (const RawLine& line : section.lines) {
        DescDestination dest;
        dest.id = static_cast<std::int16_t>(
            ParseNumber(line.key, 0, 32767, line.where, "a destination id"));
        std::vector<std::string> f = SplitFields(line.value);
        if (f.size() > 2)
            Fail(kDistDescription, line.where,
                 "a destination is relative path|parent id (the directory is worked out "
                 "when installing)");
        dest.relativePath = f[0];
        if (f.size() > 1 && !TrimBlanks(f[1]).empty())
            dest.parent =
                static_cast<std::int16_t>(ParseNumber(f[1], -8, 32767, line.where, "a parent id"));
        dest.where = line.where;
        d.destinations.push_back(dest);
    }
}

std::string CheckedMethod(const std::string& text, const DescLocation& where) {
    std::string m = Lower(std::string(TrimBlanks(text)));
    if (!m.empty() && !IsMethodName(m))
        Fail(kDistDescription, where,
             "unknown method '" + text + "' (use smallest, stored, lh5 or zlib)");
    return m;
}

// A component key names its section of the profile, so it must not name another section
// (section names compare without regard to case) nor break the section line. Keys that
// differ only in case are refused as duplicates when the file is read.
void CheckComponentKey(const RawLine& line) {
    static const char* reserved[] = {"general", "destinations", "groups",
                                     "targets", "diskettes",    "selfregisterdlls"};
    std::string lower = Lower(line.key);
    for (const char* r : reserved)
        if (lower == r)
            Fail(kDistBadName, line.where,
                 "component key '" + line.key + "' is the name of another profile section");
    if (line.key.find_first_of("[]=|;") != std::string::npos)
        Fail(kDistBadName, line.where,
             "component key '" + line.key + "' cannot name a profile section");
}

void ReadComponents(const RawSection& section, Description& d) {
    for (const RawLine& line : section.lines) {
        CheckComponentKey(line);
        std::vector<std::string> f = SplitFields(line.value);
        if (f.size() < 5 || f.size() > 7)
            Fail(kDistDescription, line.where,
                 "a component is text|description|type-1|type-2|type-3[|method[|archive "
                 "name]]");
        DescComponent c;
        c.key = line.key;
        c.text1 = f[0];
        c.description = f[1];
        for (int t = 0; t < 3; ++t)
            c.typeFlags[t] =
                ParseFlag(f[2 + t], line.where, "setup-type flag " + std::to_string(t + 1));
        if (f.size() > 5)
            c.method = CheckedMethod(f[5], line.where);
        if (f.size() > 6)
            c.archiveName = std::string(TrimBlanks(f[6]));
        c.where = line.where;
        d.components.push_back(c);
    }
}

void ReadDiskettes(const RawSection& section, Description& d) {
    for (const RawLine& line : section.lines) {
        int number =
            static_cast<int>(ParseNumber(line.key, 1, 99, line.where, "a diskette number"));
        d.diskettes[number] = line.value;
    }
}

std::vector<DescRecord> CopyRecords(const RawSection& section) {
    std::vector<DescRecord> records;
    for (const RawLine& line : section.lines)
        records.push_back(DescRecord{line.key, line.value, line.where});
    return records;
}

void ReadFiles(const RawSection& section, DescComponent& c) {
    for (const RawLine& line : section.lines) {
        std::vector<std::string> f = SplitFields(line.value);
        if (f.size() > 2)
            Fail(kDistDescription, line.where, "a file line is pattern=destination id[|method]");
        DescFileLine file;
        file.pattern = line.key;
        file.destination = static_cast<std::int16_t>(
            ParseNumber(f[0], -32768, 32767, line.where, "a destination id"));
        if (f.size() > 1)
            file.method = CheckedMethod(f[1], line.where);
        file.where = line.where;
        c.files.push_back(file);
    }
}

DescComponent* FindComponent(Description& d, const std::string& key) {
    for (DescComponent& c : d.components)
        if (Lower(c.key) == Lower(key))
            return &c;
    return nullptr;
}

bool IsDefined(const Description& d, int id) {
    if (IsPredefinedDestination(id))
        return true;
    return std::any_of(d.destinations.begin(), d.destinations.end(),
                       [id](const DescDestination& x) { return x.id == id; });
}

void RequireDefined(const Description& d, int id, const DescLocation& where) {
    if (!IsDefined(d, id))
        Fail(kDistUndefinedDestination, where,
             "destination id " + std::to_string(id) +
                 " is not defined in [destinations] and is not a predefined one (-2 to -8)");
}

// Every destination must reach one without a parent: a missing parent or a cycle would stop
// the setup program on its Select Folder page.
void CheckDestinationChains(const Description& d) {
    bool hasZero = false;
    for (const DescDestination& dest : d.destinations) {
        hasZero = hasZero || dest.id == 0;
        std::set<int> seen{dest.id};
        int parent = dest.parent;
        while (parent != -1 && !IsPredefinedDestination(parent)) {
            RequireDefined(d, parent, dest.where);
            if (!seen.insert(parent).second)
                Fail(kDistDescription, dest.where,
                     "destination " + std::to_string(dest.id) + " lies in a cycle of parents");
            auto next = std::find_if(d.destinations.begin(), d.destinations.end(),
                                     [parent](const DescDestination& x) { return x.id == parent; });
            parent = next->parent;
        }
    }
    if (!hasZero)
        throw CDistError(kDistDescription, d.path +
                                               ": [destinations] must define destination 0, the "
                                               "application directory");
}

void CheckReferences(const Description& d) {
    CheckDestinationChains(d);
    for (const DescComponent& c : d.components) {
        if (c.files.empty())
            Fail(kDistNoFiles, c.where,
                 "component '" + c.key + "' has no files (add a [files:" + c.key +
                     "] section with at least one line)");
        for (const DescFileLine& f : c.files)
            RequireDefined(d, f.destination, f.where);
    }
    if (d.components.empty())
        throw CDistError(kDistNoFiles, d.path + ": [components] lists no component");
    for (const DescRecord& r : d.selfRegister) {
        std::vector<std::string> f = SplitFields(r.value);
        int id = static_cast<int>(ParseNumber(f[0], -32768, 32767, r.where, "a destination id"));
        RequireDefined(d, id, r.where);
        if (f.size() > 1)
            ParseFlag(f[1], r.where, "the use-entry-point flag");
    }
}

} // namespace

const std::vector<std::string>& GeneralKeys() {
    static const std::vector<std::string> keys = {"App Title",    "App Setup",
                                                  "PM Group",     "Primary NameExtension",
                                                  "Display Name", "Splash Path"};
    return keys;
}

bool IsMethodName(const std::string& name) {
    return name == "smallest" || name == "stored" || name == "lh5" || name == "zlib";
}

bool IsPredefinedDestination(int id) {
    return id <= -2 && id >= -8;
}

std::string Description::General(const std::string& key) const {
    for (const auto& entry : general)
        if (entry.first == key)
            return entry.second;
    return std::string();
}

Description ReadDescription(const std::string& path) {
    Description d;
    d.path = path;
    for (const std::string& key : GeneralKeys())
        d.general.emplace_back(key, std::string());
    std::vector<RawSection> sections = ReadSections(path);
    std::vector<const RawSection*> fileSections;
    for (const RawSection& s : sections) {
        std::string name = Lower(s.name);
        if (name == "general")
            ReadGeneral(s, d);
        else if (name == "distribution")
            ReadDistribution(s, d);
        else if (name == "destinations")
            ReadDestinations(s, d);
        else if (name == "components")
            ReadComponents(s, d);
        else if (name == "targets")
            d.targets = CopyRecords(s);
        else if (name == "diskettes")
            ReadDiskettes(s, d);
        else if (name == "selfregisterdlls")
            d.selfRegister = CopyRecords(s);
        else if (name.compare(0, kFilesPrefix.size(), kFilesPrefix) == 0)
            fileSections.push_back(&s);
        else
            Fail(kDistDescription, s.where,
                 "unknown section [" + s.name +
                     "] (known: general, distribution, destinations, components, targets, "
                     "diskettes, SelfRegisterDLLs, files:<component>)");
    }
    for (const RawSection* s : fileSections) {
        std::string key(TrimBlanks(s->name.substr(kFilesPrefix.size())));
        DescComponent* c = FindComponent(d, key);
        if (c == nullptr)
            Fail(kDistDescription, s->where,
                 "[" + s->name + "] names no component of [components]");
        ReadFiles(*s, *c);
    }
    CheckReferences(d);
    return d;
}
