// Codec benchmark: expand throughput of each method through the real extraction path (an
// archive written by CArchiveWriter, read with CMultiFile::ReadNextEntry and Extract: counted
// reads in 4096-byte blocks, the codec, the counted output file with its running checksum
// and the checksum test, file to file), side by side with a peer measured in the same run on
// the same coded bytes:
//   stored  - a plain file copy (64 KiB reads and writes);
//   -lh5-   - the independent LHA decoder "lhasa" extracting the same streams from a .lzh;
//   zlib    - zlib's own inflate, file to file, on the same streams.
// Also the checksum alone, and the -lh5- compression ratio against the independent encoder
// "jlha" on the same corpus.
//   codec_bench <work directory> [corpus MiB, default 32]
#include "archive/ArchiveWriter.h"
#include "archive/Checksum.h"
#include "archive/ChecksumKernels.h"
#include "archive/MultiFile.h"

#include "CodecTestData.h"
#include "LzhArchiveFile.h"

#include <sys/resource.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using codectest::Bytes;

namespace {

constexpr int kRepeats = 3;

struct Member {
    std::string name;
    Bytes data;
};

void WriteFile(const fs::path& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// CPU time (user + system) of this process and of its finished children, in seconds. The
// build machines are shared, so wall-clock time says more about the neighbours than about
// the code; CPU time is stable under load and counts a child tool the same way.
double CpuSeconds() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage u{};
        getrusage(who, &u);
        total += static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                 static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

// Best of kRepeats runs, in CPU seconds.
double Time(const std::function<void()>& run) {
    double best = 1e30;
    for (int i = 0; i < kRepeats; ++i) {
        const double start = CpuSeconds();
        run();
        best = std::min(best, CpuSeconds() - start);
    }
    return std::max(best, 1e-6);
}

// Writes the corpus as one archive with every member coded by `method`; returns the coded
// bytes of each member as they lie in the archive.
std::vector<Bytes> WriteArchive(int method, const fs::path& archive,
                                const std::vector<Member>& corpus, const fs::path& dir) {
    CArchiveWriter writer(archive.string());
    for (const Member& m : corpus) {
        ArchiveMemberOptions options;
        options.method = method;
        options.storedName = m.name;
        writer.AddFile((dir / m.name).string(), options);
    }
    writer.Finish();
    const Bytes whole = ReadFile(archive);
    std::vector<Bytes> coded;
    std::size_t offset = MultiFileHeader::kSize;
    for (const EntryHeader& h : writer.Headers()) {
        offset += EntryHeader::kSize;
        coded.emplace_back(whole.begin() + static_cast<std::ptrdiff_t>(offset),
                           whole.begin() + static_cast<std::ptrdiff_t>(offset + h.compressedSize));
        offset += h.compressedSize;
    }
    return coded;
}

// Extracts every member of the archive into dir, as the setup program does.
void ExtractArchive(const fs::path& archive, const fs::path& dir) {
    CMultiFile file;
    file.OpenArchive(archive.string());
    const std::unique_ptr<CMultiFileEntry> entry = file.CreateEntry();
    while (file.ReadNextEntry(*entry) != 0) {
        entry->SetOutputPath((dir / entry->Header().name).string());
        file.Extract(*entry);
    }
    file.Close();
}

void PlainCopy(const fs::path& in, const fs::path& out) {
    std::FILE* f = std::fopen(in.string().c_str(), "rb");
    std::FILE* g = std::fopen(out.string().c_str(), "wb");
    if (f == nullptr || g == nullptr) {
        std::fprintf(stderr, "copy: cannot open\n");
        std::exit(2);
    }
    std::vector<char> buffer(65536);
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), f)) != 0) {
        std::fwrite(buffer.data(), 1, n, g);
    }
    std::fclose(f);
    std::fclose(g);
}

void RawInflate(const fs::path& in, const fs::path& out) {
    std::FILE* f = std::fopen(in.string().c_str(), "rb");
    std::FILE* g = std::fopen(out.string().c_str(), "wb");
    std::vector<Bytef> input(65536);
    std::vector<Bytef> output(65536);
    z_stream s{};
    inflateInit(&s);
    int r = Z_OK;
    while (r != Z_STREAM_END) {
        if (s.avail_in == 0) {
            s.avail_in = static_cast<uInt>(std::fread(input.data(), 1, input.size(), f));
            s.next_in = input.data();
            if (s.avail_in == 0) {
                break;
            }
        }
        s.next_out = output.data();
        s.avail_out = static_cast<uInt>(output.size());
        r = inflate(&s, Z_NO_FLUSH);
        if (r != Z_OK && r != Z_STREAM_END) {
            std::fprintf(stderr, "inflate failed: %d\n", r);
            std::exit(2);
        }
        std::fwrite(output.data(), 1, output.size() - s.avail_out, g);
    }
    inflateEnd(&s);
    std::fclose(f);
    std::fclose(g);
}

int Shell(const fs::path& dir, const std::string& command) {
    const std::string line = "cd '" + dir.string() + "' && " + command + " >/dev/null 2>&1";
    return std::system(line.c_str());
}

double MiBps(std::size_t bytes, double seconds) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0) / seconds;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: codec_bench <work directory> [corpus MiB]\n");
        return 1;
    }
    const fs::path work = fs::absolute(argv[1]);
    const std::size_t mib = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 32;
    fs::remove_all(work);
    fs::create_directories(work / "out");
    fs::create_directories(work / "peer");

    // The corpus: half text, three eighths structured binary, one eighth random.
    const std::size_t total = mib << 20;
    const std::vector<Member> corpus = {
        {"text.txt", codectest::TextBytes(total / 2, 1)},
        {"binary.bin", codectest::BinaryBytes(total / 8 * 3, 2)},
        {"random.bin", codectest::RandomBytes(total - total / 2 - total / 8 * 3, 3)},
    };
    for (const Member& m : corpus) {
        WriteFile(work / m.name, m.data);
    }
    std::printf(
        "corpus: %zu MiB (text %zu, binary %zu, random %zu bytes), best of %d runs, CPU time\n\n",
        mib, corpus[0].data.size(), corpus[1].data.size(), corpus[2].data.size(), kRepeats);

    struct Result {
        const char* method;
        std::size_t coded = 0;
        double ours = 0;
        const char* peerName;
        double peer = 0;
    };
    std::vector<Result> results;
    bool allGood = true;

    for (int method : {2, 3, 4}) {
        Result r{method == 2   ? "stored"
                 : method == 3 ? "-lh5-"
                               : "zlib",
                 0, 0,
                 method == 2   ? "file copy"
                 : method == 3 ? "lhasa"
                               : "raw inflate",
                 0};
        const fs::path archive = work / ("m" + std::to_string(method) + ".mfa");
        const std::vector<Bytes> coded = WriteArchive(method, archive, corpus, work);
        for (std::size_t i = 0; i < corpus.size(); ++i) {
            WriteFile(work / (corpus[i].name + ".m" + std::to_string(method)), coded[i]);
            r.coded += coded[i].size();
        }
        r.ours = Time([&] { ExtractArchive(archive, work / "out"); });
        for (const Member& m : corpus) {
            if (ReadFile(work / "out" / m.name) != m.data) {
                std::fprintf(stderr, "%s: %s differs\n", r.method, m.name.c_str());
                allGood = false;
            }
        }
        if (method == 2) {
            r.peer = Time([&] {
                for (const Member& m : corpus) {
                    PlainCopy(work / (m.name + ".m2"), work / "peer" / m.name);
                }
            });
        } else if (method == 4) {
            r.peer = Time([&] {
                for (const Member& m : corpus) {
                    RawInflate(work / (m.name + ".m4"), work / "peer" / m.name);
                }
            });
        } else {
            std::vector<lzharchive::Member> members;
            for (std::size_t i = 0; i < corpus.size(); ++i) {
                lzharchive::Member lm;
                lm.method = "-lh5-";
                lm.name = corpus[i].name;
                lm.coded = coded[i];
                lm.originalSize = static_cast<std::uint32_t>(corpus[i].data.size());
                lm.crc = lzharchive::Crc16(corpus[i].data);
                members.push_back(std::move(lm));
            }
            WriteFile(work / "ours.lzh", lzharchive::MakeLevel0Archive(members));
            r.peer = Time([&] {
                if (Shell(work / "peer", "lhasa xf ../ours.lzh") != 0) {
                    std::fprintf(stderr, "lhasa failed\n");
                    allGood = false;
                }
            });
            for (const Member& m : corpus) {
                if (ReadFile(work / "peer" / m.name) != m.data) {
                    std::fprintf(stderr, "lhasa's output differs for %s\n", m.name.c_str());
                    allGood = false;
                }
            }
        }
        results.push_back(r);
    }

    std::printf("%-8s %12s %7s %12s  %-12s %12s  %s\n", "method", "coded bytes", "ratio",
                "ours MiB/s", "peer", "peer MiB/s", "ours/peer speed");
    for (const Result& r : results) {
        std::printf("%-8s %12zu %6.1f%% %12.1f  %-12s %12.1f  %.2f\n", r.method, r.coded,
                    100.0 * static_cast<double>(r.coded) / static_cast<double>(total),
                    MiBps(total, r.ours), r.peerName, MiBps(total, r.peer), r.peer / r.ours);
    }

    // The checksum alone over the corpus in memory: as extraction computes it, and with the
    // table kernel that processors without the wide kernel use.
    const double checksumSeconds = Time([&] {
        CChecksum c;
        for (const Member& m : corpus) {
            c.Update(m.data.data(), m.data.size());
        }
        if (c.GetValue() == 0x12345678u) {
            std::printf(" ");
        }
    });
    const double tableSeconds = Time([&] {
        std::uint32_t reg = 0;
        for (const Member& m : corpus) {
            reg = checksum::UpdateWithTables(reg, m.data.data(), m.data.size());
        }
        if (reg == 0x12345678u) {
            std::printf(" ");
        }
    });
    double fastest = 0;
    for (const Result& r : results) {
        fastest = std::max(fastest, MiBps(total, r.ours));
    }
    std::printf("\nchecksum alone: %.1f MiB/s (%.1f times the fastest expand; %s kernel)\n",
                MiBps(total, checksumSeconds), MiBps(total, checksumSeconds) / fastest,
                checksum::HasWidePath() ? "wide" : "table");
    std::printf("checksum, table kernel: %.1f MiB/s\n", MiBps(total, tableSeconds));

    // -lh5- compression against the independent encoder on the same corpus.
    std::string files;
    for (const Member& m : corpus) {
        files += " " + m.name;
    }
    if (Shell(work, "jlha a jlha.lzh" + files) == 0) {
        const std::vector<lzharchive::Member> theirs =
            lzharchive::ParseArchive(ReadFile(work / "jlha.lzh"));
        std::printf("\n-lh5- compressed size per file (ours / jlha):\n");
        std::size_t oursTotal = 0;
        std::size_t theirsTotal = 0;
        for (std::size_t i = 0; i < corpus.size() && i < theirs.size(); ++i) {
            const std::size_t ours = fs::file_size(work / (corpus[i].name + ".m3"));
            std::printf("  %-11s %10zu / %10zu (%s)  %.3f\n", corpus[i].name.c_str(), ours,
                        theirs[i].coded.size(), theirs[i].method.c_str(),
                        static_cast<double>(ours) / static_cast<double>(theirs[i].coded.size()));
            oursTotal += ours;
            theirsTotal += theirs[i].coded.size();
        }
        std::printf("  %-11s %10zu / %10zu          %.3f\n", "total", oursTotal, theirsTotal,
                    static_cast<double>(oursTotal) / static_cast<double>(theirsTotal));
    } else {
        std::printf("\njlha not available: no compression comparison\n");
    }
    fs::remove_all(work);
    return allGood ? 0 : 1;
}
