#include "support/FileVersion.h"

namespace {

std::uint32_t ReadLittleEndian32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// Offsets in the fixed file information record.
constexpr std::size_t kSignatureOffset = 0;
constexpr std::size_t kFileVersionMostOffset = 8;
constexpr std::size_t kFileVersionLeastOffset = 12;

} // namespace

bool IsVersionNewer(const CVersionNumber& a, const CVersionNumber& b) {
    for (std::size_t i = 0; i < a.parts.size(); ++i) {
        if (a.parts[i] != b.parts[i]) {
            return a.parts[i] > b.parts[i];
        }
    }
    return false;
}

std::string FormatVersion(const CVersionNumber& version) {
    std::string text;
    for (std::size_t i = 0; i < version.parts.size(); ++i) {
        if (i != 0) {
            text += '.';
        }
        text += std::to_string(version.parts[i]);
    }
    return text;
}

bool ReadFixedFileVersion(const void* record, std::size_t length, CVersionNumber& version) {
    if (record == nullptr || length < kFixedFileInfoSize) {
        return false;
    }
    const auto* bytes = static_cast<const unsigned char*>(record);
    if (ReadLittleEndian32(bytes + kSignatureOffset) != kFixedFileInfoSignature) {
        return false;
    }
    const std::uint32_t most = ReadLittleEndian32(bytes + kFileVersionMostOffset);
    const std::uint32_t least = ReadLittleEndian32(bytes + kFileVersionLeastOffset);
    version.parts = {
        static_cast<std::uint16_t>(most >> 16), static_cast<std::uint16_t>(most & 0xFFFFu),
        static_cast<std::uint16_t>(least >> 16), static_cast<std::uint16_t>(least & 0xFFFFu)};
    return true;
}
