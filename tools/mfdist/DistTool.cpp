#include "DistTool.h"

#include "DistBuilder.h"
#include "DistCheck.h"
#include "DistErrors.h"
#include "MemberCoding.h"

#include <cstdio>
#include <ostream>

namespace {

// One line of the error stream, rewritten in place for every step.
class CProgressLine {
public:
    explicit CProgressLine(DistToolIo& io) : m_io(io) {}
    ~CProgressLine() { Clear(); }
    CProgressLine(const CProgressLine&) = delete;
    CProgressLine& operator=(const CProgressLine&) = delete;

    void Show(const std::string& text) {
        if (!m_io.progress)
            return;
        Clear();
        std::string shown = text.size() > 70 ? text.substr(0, 67) + "..." : text;
        m_io.err << shown << std::flush;
        m_width = shown.size();
    }
    void Clear() {
        if (m_width == 0)
            return;
        m_io.err << '\r' << std::string(m_width, ' ') << '\r' << std::flush;
        m_width = 0;
    }

private:
    DistToolIo& m_io;
    std::size_t m_width = 0;
};

std::string Grouped(std::uint64_t n) {
    std::string digits = std::to_string(n);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

void PrintSummary(const BuildResult& r, DistToolIo& io) {
    for (const DisketteSummary& d : r.diskettes) {
        char head[64];
        if (d.number == 0)
            std::snprintf(head, sizeof head, "directory");
        else
            std::snprintf(head, sizeof head, "DISK%02d", d.number);
        io.out << head << ": " << d.files.size() << " files, " << Grouped(d.bytes) << " bytes";
        if (d.freeBytes >= 0)
            io.out << ", " << Grouped(static_cast<std::uint64_t>(d.freeBytes)) << " bytes free";
        if (d.number <= 1)
            io.out << " (setup program " << Grouped(r.setupBytes) << " bytes)";
        io.out << "\n";
        for (const OutputFile& f : d.files)
            io.out << "  " << f.name << " " << Grouped(f.bytes) << "\n";
    }
    io.out << r.memberCount << " files, " << Grouped(r.expandedBytes) << " bytes coded into "
           << Grouped(r.codedBytes) << " (stored " << r.methodCount[0] << ", lh5 "
           << r.methodCount[1] << ", zlib " << r.methodCount[2] << ")\n";
}

struct Arguments {
    BuildOptions build;
    std::vector<std::string> positional;
    std::string check;
    bool help = false;
};

Arguments ParseArguments(const std::vector<std::string>& args) {
    Arguments a;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size())
                throw CDistError(kDistUsage, arg + " needs a value");
            return args[++i];
        };
        if (arg == "--help" || arg == "-h")
            a.help = true;
        else if (arg == "--setup")
            a.build.setupProgram = value();
        else if (arg == "--helper")
            a.build.removalHelper = value();
        else if (arg == "--capacity")
            a.build.capacity = value();
        else if (arg == "--images")
            a.build.images = true;
        else if (arg == "--best")
            a.build.best = true;
        else if (arg == "--check")
            a.check = value();
        else if (arg.size() > 1 && arg[0] == '-')
            throw CDistError(kDistUsage, "unknown option '" + arg + "'");
        else
            a.positional.push_back(arg);
    }
    return a;
}

int Check(const std::string& dir, DistToolIo& io) {
    CProgressLine progress(io);
    CheckReport report =
        CheckDistribution(dir, [&](const std::string& text) { progress.Show(text); });
    progress.Clear();
    for (const std::string& line : report.lines)
        io.out << line << "\n";
    for (const std::string& problem : report.problems)
        io.out << "PROBLEM: " << problem << "\n";
    if (!report.problems.empty()) {
        io.out << report.problems.size()
               << " problem(s): the setup program will not find "
                  "everything it needs\n";
        return kDistCheckFailed;
    }
    io.out << "complete: the setup program finds everything it needs\n";
    return kDistOk;
}

int Build(Arguments& a, DistToolIo& io) {
    if (a.positional.size() != 3)
        throw CDistError(kDistUsage, "expected DESCRIPTION FOLDER OUTPUT");
    if (a.build.setupProgram.empty())
        throw CDistError(kDistUsage, "--setup SETUP.EXE is needed: the setup program that "
                                     "goes on the first diskette");
    a.build.description = a.positional[0];
    a.build.folder = a.positional[1];
    a.build.output = a.positional[2];
    CProgressLine progress(io);
    a.build.progress = [&](const std::string& text) { progress.Show(text); };
    BuildResult result = BuildDistribution(a.build);
    progress.Clear();
    PrintSummary(result, io);
    return kDistOk;
}

} // namespace

std::string DistToolUsage() {
    std::string best = HaveBestCompression()
                           ? "  --best            code zlib members with zopfli (slower, smaller)\n"
                           : "  --best            not in this build (zopfli is linked into the "
                             "native Linux build only)\n";
    return "usage: mfdist [options] --setup SETUP.EXE DESCRIPTION FOLDER OUTPUT\n"
           "       mfdist --check DISTRIBUTION\n"
           "\n"
           "Builds a distribution from the files in FOLDER as DESCRIPTION (an INI file)\n"
           "says: SETUP.INI, the archives split over OUTPUT/DISK01, DISK02, ... (or OUTPUT\n"
           "itself with capacity 0), SETUP.EXE and its profile on the first diskette.\n"
           "\n"
           "  --setup FILE      the setup program to put on the first diskette\n"
           "  --helper FILE     the removal helper _xktinst.exe to put beside it, which the\n"
           "                    setup program installs for the registered removal command\n"
           "  --capacity SIZE   720K, 1.2M, 1.44M, 2.88M, a number of bytes, or 0 for one\n"
           "                    directory (overrides the description's Capacity)\n" +
           best +
           "  --images          also write one 1.44 MB image per diskette (DISK01.IMG, ...)\n"
           "                    with the diskette's label as volume label\n"
           "  --check DIR       read a finished distribution back and say whether the setup\n"
           "                    program will find everything it needs\n"
           "  --help            this text\n"
           "\n"
           "exit codes: 0 done; 1 usage; 2 description error (syntax, unknown section or\n"
           "key); 3 missing source file; 4 wildcard matches nothing; 5 undefined destination\n"
           "id; 6 component without files; 7 name that cannot be stored or collides; 8 does\n"
           "not fit; 9 read or write failure; 10 --check found problems\n";
}

int RunDistTool(const std::vector<std::string>& args, DistToolIo& io) {
    try {
        Arguments a = ParseArguments(args);
        if (a.help) {
            io.out << DistToolUsage();
            return kDistOk;
        }
        if (!a.check.empty()) {
            if (!a.positional.empty())
                throw CDistError(kDistUsage, "--check takes one distribution directory");
            return Check(a.check, io);
        }
        return Build(a, io);
    } catch (const CDistError& e) {
        io.err << "mfdist: " << e.what() << "\n";
        if (e.Code() == kDistUsage)
            io.err << "(mfdist --help shows the usage)\n";
        return e.Code();
    } catch (const std::exception& e) {
        io.err << "mfdist: " << e.what() << "\n";
        return kDistIo;
    }
}
