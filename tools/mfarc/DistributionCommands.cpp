#include "DistributionCommands.h"

#include "ArchiveJson.h"
#include "JsonText.h"

#include "distribution/Distribution.h"

#include <map>
#include <ostream>
#include <set>

namespace {

constexpr int kOk = 0;
constexpr int kUsage = 1;
constexpr int kDamaged = 2;

struct UsageError {
    std::string message;
};

struct Options {
    std::string command;
    std::string profile;
    std::string folder = ".";
    bool json = false;
    bool quiet = false;
    MemberSelection selection;
    std::vector<std::string> inputs;
};

std::string TakeValue(const std::vector<std::string>& args, std::size_t& i) {
    if (i + 1 >= args.size())
        throw UsageError{args[i] + " needs a value"};
    return args[++i];
}

Options ParseOptions(const std::vector<std::string>& args) {
    Options o;
    if (args.empty())
        throw UsageError{"dist needs a command: list, test or extract"};
    o.command = args[0];
    if (o.command != "list" && o.command != "test" && o.command != "extract")
        throw UsageError{"unknown dist command '" + o.command + "'"};
    bool patternsOnly = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (patternsOnly)
            o.selection.patterns.push_back(a);
        else if (a == "--")
            patternsOnly = true;
        else if (a == "-p" || a == "--profile")
            o.profile = TakeValue(args, i);
        else if (a == "-d" || a == "-C" || a == "--directory")
            o.folder = TakeValue(args, i);
        else if (a == "--component")
            o.selection.components.push_back(TakeValue(args, i));
        else if (a == "--member")
            o.selection.patterns.push_back(TakeValue(args, i));
        else if (a == "--all")
            o.selection.allComponents = true;
        else if (a == "--json")
            o.json = true;
        else if (a == "-q" || a == "--quiet")
            o.quiet = true;
        else if (a.size() > 1 && a[0] == '-')
            throw UsageError{"unknown option '" + a + "' for dist " + o.command};
        else
            o.inputs.push_back(a);
    }
    if (o.inputs.empty())
        throw UsageError{"dist " + o.command + " needs the diskettes (folders or images)"};
    if (o.json && o.command != "list")
        throw UsageError{"--json is for dist list"};
    return o;
}

std::string MethodText(std::int32_t method) {
    return method == kMethodPlainCopy ? "copy" : ArchiveMethodName(method);
}

std::string TimeText(std::int64_t seconds) {
    return FormatUtcTime(seconds);
}

std::string DisketteText(const DistributionMember& m) {
    return m.lastDiskette > m.diskette
               ? std::to_string(m.diskette) + "-" + std::to_string(m.lastDiskette)
               : std::to_string(m.diskette);
}

std::string TypesText(const std::array<bool, 3>& types) {
    std::string text;
    for (int i = 0; i < 3; ++i)
        if (types[i])
            text += (text.empty() ? "" : " ") + std::to_string(i + 1);
    return text.empty() ? "none" : text;
}

std::string ProblemText(const DistributionProblem& p) {
    std::string where = "diskette " + std::to_string(p.diskette) + " (" + p.disketteName + ")";
    if (p.lastDiskette > p.diskette)
        where += " to " + std::to_string(p.lastDiskette) + " (" + p.lastDisketteName + ")";
    std::string what = p.archive;
    if (!p.member.empty())
        what += ", " + p.member;
    return where + ", " + what + ": " + p.message;
}

void WriteProblems(const std::vector<DistributionProblem>& problems, std::ostream& err) {
    for (const DistributionProblem& p : problems)
        err << "mfarc: " << ProblemText(p) << "\n";
}

void ListText(const DistributionListing& listing, std::ostream& out) {
    out << listing.appTitle << "\n";
    std::string component;
    for (const DistributionMember& m : listing.members) {
        if (m.component != component || &m == &listing.members.front()) {
            component = m.component;
            out << "\ncomponent " << component << " (setup types " << TypesText(m.setupTypes)
                << ")\n  disk method   expanded modified (UTC)      attr version    "
                   "destination      name\n";
        }
        char line[160];
        std::snprintf(line, sizeof line, "  %-4s %-6s %10lu %s 0x%02x %-10s %-16s ",
                      DisketteText(m).c_str(), MethodText(m.method).c_str(),
                      static_cast<unsigned long>(m.expandedSize), TimeText(m.modifyTime).c_str(),
                      m.attributes & 0xFF, m.hasVersion ? FormatVersion(m.version).c_str() : "-",
                      m.folder.empty() ? "(not installed)" : m.folder.c_str());
        out << line << m.name << "  [" << m.archive << "]\n";
    }
    out << "\nProgram Manager items (group \"" << listing.programGroup << "\"):\n";
    for (const ProgramItem& item : listing.items)
        out << "  " << item.title << ": " << item.commandLine
            << (item.iconPath.empty()
                    ? ""
                    : ", icon " + item.iconPath + "," + std::to_string(item.iconIndex))
            << "\n";
    out << "Registry entries (HKEY_LOCAL_MACHINE):\n";
    for (const RegistryEntry& e : listing.registry)
        out << "  " << e.key << ": " << (e.name.empty() ? "(default)" : e.name) << " = " << e.value
            << "\n";
    out << listing.members.size() << " file(s)\n";
}

void MemberJson(CJsonWriter& json, const DistributionMember& m) {
    json.BeginObject();
    json.Field("name", m.name);
    json.Field("storedName", m.storedName);
    json.Field("component", m.component);
    json.BeginArray("setupTypes");
    for (int i = 0; i < 3; ++i)
        if (m.setupTypes[i])
            json.Number("", i + 1);
    json.EndArray();
    json.Field("archive", m.archive);
    json.Number("diskette", m.diskette);
    json.Number("lastDiskette", m.lastDiskette);
    json.Number("destination", m.destination);
    if (m.folder.empty()) {
        json.Null("folder");
        json.Null("installedPath");
    } else {
        json.Field("folder", m.folder);
        json.Field("installedPath", m.installedPath);
    }
    json.Number("expandedSize", m.expandedSize);
    json.Number("compressedSize", m.compressedSize);
    json.Field("method", MethodText(m.method));
    json.Number("checksum", m.checksum);
    json.Field("modified", TimeText(m.modifyTime));
    json.Number("attributes", m.attributes & 0xFF);
    if (m.hasVersion)
        json.Field("version", FormatVersion(m.version));
    else
        json.Null("version");
    json.EndObject();
}

void ListJson(const DistributionListing& listing, const CDisketteSet& diskettes,
              std::ostream& out) {
    CJsonWriter json(out);
    json.BeginObject();
    json.Field("title", listing.appTitle);
    json.Field("programGroup", listing.programGroup);
    json.BeginArray("diskettes");
    for (std::int32_t n : diskettes.Numbers()) {
        json.BeginObject();
        json.Number("number", n);
        json.Field("source", diskettes.DisketteName(n));
        json.EndObject();
    }
    json.EndArray();
    json.BeginArray("files");
    for (const DistributionMember& m : listing.members)
        MemberJson(json, m);
    json.EndArray();
    json.BeginArray("programItems");
    for (const ProgramItem& item : listing.items) {
        json.BeginObject();
        json.Field("title", item.title);
        json.Field("commandLine", item.commandLine);
        json.Field("iconPath", item.iconPath);
        json.Number("iconIndex", item.iconIndex);
        json.Number("hotKey", item.hotKey);
        json.Bool("minimized", item.minimized);
        json.EndObject();
    }
    json.EndArray();
    json.BeginArray("registry");
    for (const RegistryEntry& e : listing.registry) {
        json.BeginObject();
        json.Field("key", "HKEY_LOCAL_MACHINE\\" + e.key);
        json.Field("name", e.name);
        json.Field("value", e.value);
        json.EndObject();
    }
    json.EndArray();
    json.BeginArray("problems");
    for (const DistributionProblem& p : listing.problems)
        json.Field("", ProblemText(p));
    json.EndArray();
    json.EndObject();
}

const char* OutcomeText(MemberOutcome outcome, bool extracting) {
    switch (outcome) {
    case MemberOutcome::ok:
        return extracting ? "extracted" : "ok";
    case MemberOutcome::damaged:
        return "DAMAGED";
    case MemberOutcome::skipped:
        return "skipped";
    case MemberOutcome::refused:
        return "REFUSED";
    case MemberOutcome::kept:
        return "kept";
    }
    return "?";
}

void ShowResult(const MemberResult& r, bool extracting, bool quiet, std::ostream& out) {
    if (quiet && (r.outcome == MemberOutcome::ok || r.outcome == MemberOutcome::skipped))
        return;
    out << OutcomeText(r.outcome, extracting) << " "
        << (extracting && !r.path.empty() ? r.path : r.member.name);
    if (!r.detail.empty())
        out << " (" << r.detail << ")";
    out << "\n";
}

int Summarize(const DistributionReport& report, bool extracting, DistributionToolIo& io) {
    std::map<MemberOutcome, int> counts;
    for (const MemberResult& r : report.results)
        ++counts[r.outcome];
    io.out << counts[MemberOutcome::ok] << " file(s) " << (extracting ? "extracted" : "ok");
    if (counts[MemberOutcome::damaged] != 0)
        io.out << ", " << counts[MemberOutcome::damaged] << " damaged";
    if (counts[MemberOutcome::refused] != 0)
        io.out << ", " << counts[MemberOutcome::refused] << " refused";
    if (counts[MemberOutcome::kept] != 0)
        io.out << ", " << counts[MemberOutcome::kept] << " not replaced";
    io.out << "\n";
    WriteProblems(report.problems, io.err);
    return report.problems.empty() ? kOk : kDamaged;
}

int Run(const Options& o, DistributionToolIo& io) {
    CDistribution distribution(CDisketteSet::Open(o.inputs, o.profile));
    if (o.command == "list") {
        const DistributionListing listing = distribution.List(o.selection);
        if (o.json)
            ListJson(listing, distribution.Diskettes(), io.out);
        else
            ListText(listing, io.out);
        WriteProblems(listing.problems, io.err);
        return listing.problems.empty() ? kOk : kDamaged;
    }
    const bool extracting = o.command == "extract";
    distribution.SetObserver(
        [&](const MemberResult& r) { ShowResult(r, extracting, o.quiet, io.out); });
    return Summarize(extracting ? distribution.Extract(o.folder, o.selection)
                                : distribution.Test(o.selection),
                     extracting, io);
}

} // namespace

int RunDistributionCommand(const std::vector<std::string>& args, DistributionToolIo& io) {
    try {
        Options options = ParseOptions(args);
        options.quiet = options.quiet || io.quiet;
        return Run(options, io);
    } catch (const UsageError& e) {
        io.err << "mfarc: " << e.message << "\nTry 'mfarc --help'.\n";
        return kUsage;
    } catch (const CDistributionError& e) {
        io.err << "mfarc: " << e.what() << "\n";
        return kDamaged;
    }
}

std::string DistributionUsage() {
    return "distribution commands (read a whole distribution without installing it):\n"
           "  dist list [-p PROFILE] [--json] [--component NAME]... INPUT... [-- PATTERN...]\n"
           "      every file per component with its setup types, diskette, method, size,\n"
           "      time, attributes, version and destination folder; the Program Manager\n"
           "      items and registry entries an installation makes. --json: as JSON.\n"
           "  dist test [-p PROFILE] [-q] INPUT... [-- PATTERN...]\n"
           "      expand every file on every diskette and check its checksum.\n"
           "  dist extract [-p PROFILE] [-q] [-d DIR] [--component NAME]... [--all]\n"
           "               INPUT... [-- PATTERN...]\n"
           "      write the typical components' files (or the named ones, or --all) under\n"
           "      DIR as the setup program lays them out: one folder per destination\n"
           "      (the application folder and its subfolders, WINDOWS, SYSTEM, HELP,\n"
           "      FONTS, TEMP, COMMON). A file that is already there is never replaced.\n"
           "  INPUT: a folder holding DISK01...DISKnn, the first diskette's folder, or\n"
           "  diskette images (.img .ima .vfd .flp, FAT12/FAT16; or a folder of them)\n"
           "  and folders in any order; they are told apart by their contents and\n"
           "  labels, not their names.\n"
           "  PATTERN selects files by name ('*' and '?'); also --member PATTERN.\n"
           "  -q, --quiet: report only what is not ok. The profile is found on diskette 1\n"
           "  unless -p names it.\n";
}
