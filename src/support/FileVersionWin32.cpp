// CFileVersion over the platform's version API (GetFileVersionInfoSizeA, GetFileVersionInfoA,
// VerQueryValueA).
#include "support/FileVersion.h"

#include <cstring>

bool CFileVersion::Load(const std::string& fileName) {
    m_block.clear();
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(fileName.c_str(), &handle);
    if (size == 0) {
        return false;
    }
    // One zero byte beyond the reported size keeps a string at the very end terminated.
    m_block.assign(static_cast<std::size_t>(size) + 1, 0);
    if (!::GetFileVersionInfoA(fileName.c_str(), handle, size, m_block.data())) {
        // A block that was not filled must not be read as a version resource.
        m_block.clear();
        return false;
    }
    return true;
}

bool CFileVersion::GetFixedInfo(VS_FIXEDFILEINFO& out) const {
    if (m_block.empty()) {
        return false;
    }
    void* value = nullptr;
    UINT length = 0;
    char root[] = "\\";
    if (!::VerQueryValueA(m_block.data(), root, &value, &length) || value == nullptr) {
        return false;
    }
    // The platform answers for a root without a fixed block, or with a short one, with success
    // and the length it has: copying a whole record from there would read past the value.
    CVersionNumber checked;
    if (!ReadFixedFileVersion(value, length, checked)) {
        return false;
    }
    static_assert(sizeof(VS_FIXEDFILEINFO) == kFixedFileInfoSize, "fixed block layout");
    std::memcpy(&out, value, sizeof(out));
    return true;
}

bool CFileVersion::GetFileVersion(std::uint16_t& part1, std::uint16_t& part2, std::uint16_t* part3,
                                  std::uint16_t* part4) const {
    VS_FIXEDFILEINFO fixed;
    if (!GetFixedInfo(fixed)) {
        return false;
    }
    part1 = HIWORD(fixed.dwFileVersionMS);
    part2 = LOWORD(fixed.dwFileVersionMS);
    if (part3 != nullptr) {
        *part3 = HIWORD(fixed.dwFileVersionLS);
    }
    if (part4 != nullptr) {
        *part4 = LOWORD(fixed.dwFileVersionLS);
    }
    return true;
}

bool CFileVersion::GetFileVersion(CVersionNumber& version) const {
    CVersionNumber read;
    if (!GetFileVersion(read.parts[0], read.parts[1], &read.parts[2], &read.parts[3])) {
        return false;
    }
    version = read;
    return true;
}

bool CFileVersion::IsNewerThan(const CFileVersion& other) const {
    CVersionNumber mine;
    CVersionNumber theirs;
    return GetFileVersion(mine) && other.GetFileVersion(theirs) && IsVersionNewer(mine, theirs);
}
