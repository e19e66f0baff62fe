// Fuzz target: an arbitrary text as profile file and as record value and path. The portable
// INI reader must list and read whatever it is given within the buffer sizes, a written key
// must read back, and the field splitter and path operations must stay in bounds.
#include "FuzzInput.h"

#include "support/FilePath.h"
#include "support/ProfileBackend.h"
#include "support/StringUtil.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void CheckFieldsAndPath(const std::string& text) {
    std::string field;
    for (int i = 0; i < 4; ++i) {
        std::int16_t s = 0;
        ExtractShortField(s, text, i);
        if (ExtractField(field, text, i)) {
            FUZZ_CHECK(field.size() <= text.size());
        }
    }
    CFilePath path(text);
    (void)path.GetDriveDirectory();
    path.AppendDirectory("SUB");
    path.SetExtension("ini");
    std::string removed;
    path.RemoveLastDirectory(removed);
    path.SetFileName(std::string());
    FUZZ_CHECK(path.GetFileName().empty());
    path.MakeRoot();
}

// The names of a list as the backend returned it; checks that it ends inside the buffer.
std::vector<std::string> Names(const std::vector<char>& buffer, std::uint32_t count) {
    FUZZ_CHECK(count < buffer.size());
    std::vector<std::string> names;
    for (std::size_t at = 0; at < count && buffer[at] != '\0' && names.size() < 64;) {
        const std::size_t length = ::strnlen(buffer.data() + at, buffer.size() - at);
        FUZZ_CHECK(at + length < buffer.size());
        names.emplace_back(buffer.data() + at, length);
        at += length + 1;
    }
    return names;
}

void CheckProfile(const std::string& file, std::uint32_t smallSize) {
    CProfileBackend& backend = PortableProfileBackend();
    std::vector<char> list(4096);
    const auto sections =
        Names(list, backend.GetString(nullptr, nullptr, "", list.data(), 4096, file.c_str()));
    for (const std::string& section : sections) {
        const auto keys = Names(
            list, backend.GetString(section.c_str(), nullptr, "", list.data(), 4096, file.c_str()));
        for (const std::string& key : keys) {
            char value[256];
            std::uint32_t n =
                backend.GetString(section.c_str(), key.c_str(), "d", value, 255, file.c_str());
            FUZZ_CHECK(n < 255 && value[n] == '\0');
            n = backend.GetString(section.c_str(), key.c_str(), "", value, smallSize, file.c_str());
            FUZZ_CHECK(smallSize == 0 ? n == 0 : (n < smallSize && value[n] == '\0'));
        }
    }
    std::vector<char> small(smallSize + 1, 'x');
    const std::uint32_t n =
        backend.GetString("s", nullptr, "", small.data(), smallSize, file.c_str());
    FUZZ_CHECK(smallSize < 2 ? n == 0 : n <= smallSize - 2);
    FUZZ_CHECK(small[smallSize] == 'x');
}

void CheckWriteReadsBack(const std::string& file) {
    CProfileBackend& backend = PortableProfileBackend();
    if (!backend.WriteString("s", "k", "written", file.c_str())) {
        return;
    }
    char value[256] = {};
    backend.GetString("s", "k", "", value, 255, file.c_str());
    FUZZ_CHECK(std::strcmp(value, "written") == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CFuzzInput input(data, size);
    const std::uint32_t smallSize = input.TakeByte() % 12;
    const std::string text(reinterpret_cast<const char*>(input.Rest()), input.RestSize());
    CheckFieldsAndPath(text);
    static const std::string file =
        (std::filesystem::temp_directory_path() / "setup_fuzz_ini.ini").string();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    CheckProfile(file, smallSize);
    CheckWriteReadsBack(file);
    return 0;
}
