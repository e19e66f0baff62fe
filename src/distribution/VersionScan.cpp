#include "distribution/VersionScan.h"

#include "distribution/SafeNames.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr char kKey[] = "VS_VERSION_INFO";
constexpr std::size_t kKeyLength = sizeof kKey - 1;

// The fixed record after a key that ends at keyEnd (its terminator included), the block
// starting at blockStart; false when it is not there or not valid.
bool ReadAfterKey(const std::vector<std::uint8_t>& bytes, std::size_t blockStart,
                  std::size_t keyEnd, CVersionNumber& version) {
    const std::size_t record = blockStart + ((keyEnd - blockStart + 3) & ~std::size_t{3});
    if (record >= bytes.size())
        return false;
    return ReadFixedFileVersion(bytes.data() + record, bytes.size() - record, version);
}

bool ScanWide(const std::vector<std::uint8_t>& bytes, CVersionNumber& version) {
    std::vector<std::uint8_t> wide;
    for (std::size_t i = 0; i < kKeyLength; ++i) {
        wide.push_back(static_cast<std::uint8_t>(kKey[i]));
        wide.push_back(0);
    }
    for (auto it = bytes.begin();
         (it = std::search(it, bytes.end(), wide.begin(), wide.end())) != bytes.end(); ++it) {
        const auto key = static_cast<std::size_t>(it - bytes.begin());
        // 32-bit block: length, value length and type (3 words) before the key.
        if (key >= 6 && ReadAfterKey(bytes, key - 6, key + wide.size() + 2, version))
            return true;
    }
    return false;
}

bool ScanNarrow(const std::vector<std::uint8_t>& bytes, CVersionNumber& version) {
    for (auto it = bytes.begin();
         (it = std::search(it, bytes.end(), kKey, kKey + kKeyLength)) != bytes.end(); ++it) {
        const auto key = static_cast<std::size_t>(it - bytes.begin());
        // 16-bit block: length and value length (2 words) before the key.
        if (key >= 4 && ReadAfterKey(bytes, key - 4, key + kKeyLength + 1, version))
            return true;
    }
    return false;
}

} // namespace

bool ScanFileVersion(const std::vector<std::uint8_t>& bytes, CVersionNumber& version) {
    return ScanWide(bytes, version) || ScanNarrow(bytes, version);
}

bool MayHaveVersion(const std::string& fileName) {
    static const char* const kExtensions[] = {".EXE", ".DLL", ".DRV", ".OCX", ".VBX", ".CPL",
                                              ".SCR", ".SYS", ".FON", ".TLB", ".386", ".COM"};
    const std::string upper = FoldCase(fileName);
    const std::size_t dot = upper.rfind('.');
    if (dot == std::string::npos)
        return false;
    const std::string extension = upper.substr(dot);
    return std::any_of(std::begin(kExtensions), std::end(kExtensions),
                       [&](const char* e) { return extension == e; });
}
