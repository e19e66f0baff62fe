// -lh5- interop with independent LHA tools installed on the build host: streams from our
// encoder must extract with them, and streams from their encoder must decode with ours.
#include "archive/LzhDecoder.h"
#include "archive/LzhEncoder.h"

#include "CodecTestData.h"
#include "LzhArchiveFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#ifndef _WIN32
#include <unistd.h>
#endif
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

using codectest::Bytes;

#ifndef _WIN32
const char* const kLhasa = "/usr/bin/lhasa";
const char* const kJlha = "/usr/bin/jlha";

bool HaveTool(const char* path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}

// A fresh directory under the system's temporary directory, removed afterwards.
class CScratchDir {
public:
    explicit CScratchDir(const std::string& tag) {
        m_path =
            fs::temp_directory_path() / ("codec-interop-" + tag + "-" + std::to_string(::getpid()));
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~CScratchDir() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

int RunTool(const fs::path& dir, const std::string& command) {
    const std::string line =
        "cd '" + dir.string() + "' && " + command + " >'" + (dir / "tool.log").string() + "' 2>&1";
    return std::system(line.c_str());
}

std::string ToolLog(const fs::path& dir) {
    const Bytes log = ReadFile(dir / "tool.log");
    return std::string(log.begin(), log.end());
}

struct Sample {
    std::string name;
    Bytes data;
};

std::vector<Sample> Samples() {
    return {
        {"one.bin", {0x42}},
        {"text8193.txt", codectest::TextBytes(8193, 2)},
        {"text.txt", codectest::TextBytes(400000, 3)},
        {"binary.bin", codectest::BinaryBytes(300000, 4)},
        {"random.bin", codectest::RandomBytes(120000, 5)},
        {"edge.bin", codectest::DictionaryEdgeBytes()},
        {"zeros.bin", Bytes(1 << 20, 0)},
    };
}

Bytes Compress(const Bytes& data, const CLzhEncoder::Options& options) {
    CMemorySource source(data);
    CMemorySink sink;
    CLzhEncoder encoder(options);
    encoder.Compress(source, sink);
    return sink.Data();
}

// Writes our streams as one .lzh archive, has `extract` unpack it in a fresh directory and
// compares every file.
void CheckToolExtractsOurStreams(const char* tool, const std::string& extract) {
    CScratchDir dir(fs::path(tool).filename().string());
    const CLzhEncoder::Options settings[] = {{}, {4, 3}};
    std::vector<lzharchive::Member> members;
    std::vector<Sample> expected;
    int variant = 0;
    for (const CLzhEncoder::Options& options : settings) {
        for (const Sample& s : Samples()) {
            lzharchive::Member m;
            m.method = "-lh5-";
            m.name = std::to_string(variant) + s.name;
            m.coded = Compress(s.data, options);
            m.originalSize = static_cast<std::uint32_t>(s.data.size());
            m.crc = lzharchive::Crc16(s.data);
            members.push_back(m);
            expected.push_back({m.name, s.data});
        }
        ++variant;
    }
    WriteFile(dir.Path() / "ours.lzh", lzharchive::MakeLevel0Archive(members));
    fs::create_directories(dir.Path() / "out");
    const int rc = RunTool(dir.Path() / "out", extract + " ../ours.lzh");
    EXPECT_EQ(rc, 0) << ToolLog(dir.Path() / "out");
    for (const Sample& s : expected) {
        const fs::path file = dir.Path() / "out" / s.name;
        ASSERT_TRUE(fs::exists(file))
            << s.name << " not extracted: " << ToolLog(dir.Path() / "out");
        EXPECT_TRUE(ReadFile(file) == s.data) << s.name << " differs";
    }
}
#endif

TEST(LhaInterop, OurStreamsExtractWithLhasa) {
#ifdef _WIN32
    GTEST_SKIP() << "the independent LHA tools run on the Linux build host only";
#else
    if (!HaveTool(kLhasa)) {
        GTEST_SKIP() << kLhasa << " is missing (package lhasa; scripts/bootstrap installs it)";
    }
    CheckToolExtractsOurStreams(kLhasa, std::string(kLhasa) + " xf");
#endif
}

TEST(LhaInterop, OurStreamsExtractWithJlha) {
#ifdef _WIN32
    GTEST_SKIP() << "the independent LHA tools run on the Linux build host only";
#else
    if (!HaveTool(kJlha)) {
        GTEST_SKIP() << kJlha << " is missing (package jlha-utils; scripts/bootstrap installs it)";
    }
    CheckToolExtractsOurStreams(kJlha, std::string(kJlha) + " xf");
#endif
}

TEST(LhaInterop, JlhaStreamsDecodeWithOurs) {
#ifdef _WIN32
    GTEST_SKIP() << "the independent LHA tools run on the Linux build host only";
#else
    if (!HaveTool(kJlha)) {
        GTEST_SKIP() << kJlha << " is missing (package jlha-utils; scripts/bootstrap installs it)";
    }
    const std::vector<Sample> samples = Samples();
    for (const char* level : {"0", "1", "2"}) {
        CScratchDir dir(std::string("jlha-level") + level);
        std::string files;
        for (const Sample& s : samples) {
            WriteFile(dir.Path() / s.name, s.data);
            files += " " + s.name;
        }
        ASSERT_EQ(RunTool(dir.Path(), std::string(kJlha) + " a" + level + " theirs.lzh" + files), 0)
            << ToolLog(dir.Path());
        const std::vector<lzharchive::Member> members =
            lzharchive::ParseArchive(ReadFile(dir.Path() / "theirs.lzh"));
        ASSERT_EQ(members.size(), samples.size()) << "level " << level;
        int lh5 = 0;
        for (std::size_t i = 0; i < members.size(); ++i) {
            const lzharchive::Member& m = members[i];
            const Bytes& original = samples[i].data;
            ASSERT_EQ(m.originalSize, original.size()) << samples[i].name;
            EXPECT_EQ(m.crc, lzharchive::Crc16(original)) << samples[i].name;
            if (m.method != "-lh5-") {
                continue; // stored ("-lh0-") when it does not compress
            }
            ++lh5;
            CMemorySource source(m.coded);
            CMemorySink sink;
            CLzhDecoder decoder;
            decoder.Expand(source, sink, static_cast<std::uint32_t>(m.coded.size()),
                           m.originalSize);
            EXPECT_TRUE(sink.Data() == original) << samples[i].name << " level " << level;
        }
        EXPECT_GE(lh5, 5) << "level " << level;
    }
#endif
}

} // namespace
