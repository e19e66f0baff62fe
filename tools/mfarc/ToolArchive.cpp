#include "ToolArchive.h"

#include "errors/Exceptions.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The volume before path in a set (last character's code minus one), or "" when none.
std::string PreviousVolumeName(const std::string& path) {
    std::string dir = DirectoryPart(path);
    std::string name = path.substr(dir.size());
    if (name.empty() || static_cast<unsigned char>(name.back()) <= 0x20)
        return std::string();
    name.back() = static_cast<char>(static_cast<unsigned char>(name.back()) - 1);
    return dir + name;
}

} // namespace

void CToolArchive::OpenFirstVolume(const std::string& path) {
    m_firstVolume = path;
    std::error_code ec;
    if (fs::is_directory(path, ec))
        throw ToolFailure{path + ": is a directory, not an archive"};
    try {
        OpenArchive(path);
    } catch (const CFileException& e) {
        if (e.GetCause() == CFileException::kEndOfFile) {
            std::uintmax_t size = fs::file_size(path, ec);
            m_detail = !ec && size == 0 ? "is empty"
                                        : "is too short to be an archive (" +
                                              std::to_string(ec ? 0 : size) + " bytes)";
        }
        throw;
    }
}

bool CToolArchive::ReadNext(CMultiFileEntry& entry) {
    m_member.clear();
    try {
        if (ReadNextEntry(entry, 0) == 0)
            return false;
    } catch (const CMultiFileException& e) {
        // A later volume of a set starts inside a member's coded data, never with a header.
        if (e.GetCause() == CMultiFileException::kMissingEntryHeader && m_membersRead == 0 &&
            m_volumeNumber == 1) {
            m_detail = "is not the first volume of a set";
            std::string previous = PreviousVolumeName(m_firstVolume);
            std::error_code ec;
            if (!previous.empty() && fs::is_regular_file(previous, ec))
                m_detail += " (start with " + previous + ")";
        }
        throw;
    }
    ++m_membersRead;
    m_member = entry.Header().GetName();
    return true;
}

void CToolArchive::OnBlockBoundary() {
    const CMultiFileEntry* entry = GetCurrentEntry();
    if (entry != nullptr)
        m_progress.Show(m_verb, entry->Header().GetName(),
                        static_cast<std::uint64_t>(entry->GetCount(dirWrite)),
                        entry->Header().expandedSize);
}

void CToolArchive::ReopenForReading(const std::string& path) {
    CMultiFile::ReopenForReading(path);
    ++m_volumeNumber;
}

std::string CToolArchive::LocateVolume(const std::string& fileName) {
    std::string found = CMultiFile::LocateVolume(fileName);
    if (found.empty() && m_missingVolume.empty()) {
        m_missingVolume = DirectoryPart(GetPath()) + fileName;
        m_missingNumber = m_volumeNumber + 1;
    }
    return found;
}

std::string CToolArchive::Subject() const {
    std::string volume = GetPath().empty() ? m_firstVolume : GetPath();
    return m_member.empty() ? volume : volume + ": " + m_member;
}

std::string CToolArchive::Detail() const {
    if (VolumeMissing())
        return "volume " + std::to_string(m_missingNumber) + " (" + m_missingVolume +
               ") is missing";
    return m_detail;
}
