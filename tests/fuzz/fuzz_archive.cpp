// libFuzzer target: archive reading. The input is one to three volumes separated by the
// bytes "VOL!"; they are written as scratch files x.mf1, x.mf2, x.mf3 and every member is
// extracted. Damaged input may only end in one of the archive's exceptions.
#include "archive/MultiFile.h"
#include "errors/Exceptions.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

namespace {

// Expanded output beyond this is cut off by the harness (a few coded bytes may legally
// expand to far more than a fuzzing run should write).
constexpr std::int64_t kOutputCap = 1024 * 1024;

struct OutputCapReached {};

class CCappedEntry : public CMultiFileEntry {
public:
    void Write(const void* buffer, std::size_t n) override {
        if (GetCount(dirWrite) + static_cast<std::int64_t>(n) > kOutputCap)
            throw OutputCapReached();
        CMultiFileEntry::Write(buffer, n);
    }
};

// One scratch directory per process, removed at exit.
class ScratchDirectory {
public:
    ScratchDirectory() {
        std::random_device random;
        auto base = std::filesystem::temp_directory_path();
        for (int i = 0; i < 100 && m_path.empty(); ++i) {
            auto candidate = base / ("fuzz-archive-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate))
                m_path = candidate;
        }
        if (m_path.empty())
            std::abort();
    }
    ~ScratchDirectory() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string Path() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

std::string ScratchDir() {
    static const ScratchDirectory dir;
    return dir.Path();
}

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    if (size != 0 && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string dir = ScratchDir();
    const std::uint8_t marker[4] = {'V', 'O', 'L', '!'};
    std::size_t start = 0;
    int volume = 1;
    for (std::size_t i = 0; volume < 3 && i + 4 <= size; ++i) {
        if (std::memcmp(data + i, marker, 4) == 0) {
            WriteFile(dir + "/x.mf" + std::to_string(volume++), data + start, i - start);
            start = i + 4;
            i += 3;
        }
    }
    WriteFile(dir + "/x.mf" + std::to_string(volume), data + start, size - start);
    for (int v = volume + 1; v <= 3; ++v)
        std::remove((dir + "/x.mf" + std::to_string(v)).c_str());

    try {
        CMultiFile archive;
        archive.OpenArchive(dir + "/x.mf1");
        CCappedEntry entry;
        entry.SetOutputPath(dir + "/out");
        while (archive.ReadNextEntry(entry, 0) != 0) {
            if (entry.Header().destinationId == -1)
                continue;
            archive.Extract(entry);
            entry.Close();
        }
    } catch (const CFileException&) {
    } catch (const CMemoryException&) {
    } catch (const CUserException&) {
    } catch (const CMultiFileException&) {
    } catch (const CZLibException&) {
    } catch (const OutputCapReached&) {
    }
    return 0;
}
