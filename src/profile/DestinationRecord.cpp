#include "profile/DestinationRecord.h"

#include "errors/Exceptions.h"
#include "profile/RecordSection.h"
#include "profile/SystemFolders.h"
#include "support/StringUtil.h"

namespace {

CFilePath DirectoryPath(const std::string& dir) {
    CFilePath path;
    path.SetDriveDirectory(dir);
    return path;
}

// A resolved path is a directory: without its trailing backslash the file name set on it
// later would replace the last directory level instead of going below it.
CFilePath AsDirectory(std::string text) {
    if (!text.empty()) {
        AddTrailingBackslash(text);
    }
    return CFilePath(text);
}

} // namespace

DestinationMap::DestinationMap(const CSystemFolders& system) {
    const std::string windowsDir = system.WindowsDir();
    const std::string systemDir = system.SystemDir();

    CFilePath help = DirectoryPath(windowsDir);
    help.AppendDirectory("help");
    CFilePath fonts = DirectoryPath(systemDir);
    if (system.OsMajorVersion() >= 4) {
        fonts = DirectoryPath(windowsDir);
        fonts.AppendDirectory("Fonts");
    }
    const std::string common = system.CommonFilesValue();
    CFilePath commonRoot = DirectoryPath(common);
    CFilePath commonDir = DirectoryPath(common);
    if (common.empty()) {
        commonRoot = DirectoryPath(systemDir);
        commonRoot.MakeRoot();
        commonDir = DirectoryPath(systemDir);
    }

    SetResolvedPath(kDestWindows, DirectoryPath(windowsDir));
    SetResolvedPath(kDestSystem, DirectoryPath(systemDir));
    SetResolvedPath(kDestTemp, DirectoryPath(system.TempDir()));
    SetResolvedPath(kDestHelp, help);
    SetResolvedPath(kDestFonts, fonts);
    SetResolvedPath(kDestCommonFilesRoot, commonRoot);
    SetResolvedPath(kDestCommonFiles, commonDir);
}

void DestinationMap::Load(const CFilePath& file) {
    const int keys = ForEachRecord(file, "destinations",
                                   [this](const std::string& key, const std::string& value) {
                                       const std::int16_t id = ParseShort(key);
                                       if (id == kDestNotInstalled) {
                                           return;
                                       }
                                       DestinationRecord& record = FindOrCreate(id);
                                       std::string relative;
                                       ExtractField(relative, value, 0);
                                       std::int16_t parent = kDestNotInstalled;
                                       ExtractShortField(parent, value, 1);
                                       std::string resolved;
                                       ExtractField(resolved, value, 2);
                                       record.relativePath = relative;
                                       record.parentId = parent;
                                       record.resolvedPath = AsDirectory(resolved);
                                   });
    if (keys == 0) {
        throw CInstallProfileException(CInstallProfileException::kNoDestinations);
    }
}

void DestinationMap::SetResolvedPath(std::int16_t id, const CFilePath& path) {
    FindOrCreate(id).resolvedPath = AsDirectory(path.GetText());
}

DestinationRecord& DestinationMap::FindOrCreate(std::int16_t id) {
    auto found = m_records.find(id);
    if (found == m_records.end()) {
        DestinationRecord record;
        record.id = id;
        found = m_records.emplace(id, record).first;
    }
    return found->second;
}

bool DestinationMap::ResolveOne(DestinationRecord& record) {
    if (record.parentId == kDestNotInstalled) {
        return true;
    }
    if (!record.resolvedPath.IsEmpty()) {
        return true;
    }
    const DestinationRecord* parent = Find(record.parentId);
    if (parent == nullptr || parent->resolvedPath.IsEmpty()) {
        return false;
    }
    CFilePath path = parent->resolvedPath;
    path.AppendDirectory(record.relativePath);
    record.resolvedPath = path;
    return true;
}

void DestinationMap::ResolveAll() {
    const std::size_t passes = m_records.size();
    for (std::size_t pass = 0; pass < passes; ++pass) {
        bool allResolved = true;
        for (auto& entry : m_records) {
            if (!ResolveOne(entry.second)) {
                allResolved = false;
            }
        }
        if (allResolved) {
            return;
        }
    }
    throw CInstallProfileException(CInstallProfileException::kUnresolvedDestinations);
}

const DestinationRecord* DestinationMap::Find(std::int16_t id) const {
    const auto found = m_records.find(id);
    return found == m_records.end() ? nullptr : &found->second;
}

DestinationRecord* DestinationMap::Find(std::int16_t id) {
    const auto found = m_records.find(id);
    return found == m_records.end() ? nullptr : &found->second;
}

bool DestinationMap::GetPath(std::int16_t id, CFilePath& out) const {
    const DestinationRecord* record = Find(id);
    if (record == nullptr || record->resolvedPath.IsEmpty()) {
        return false;
    }
    out = record->resolvedPath;
    return true;
}

CFilePath DestinationMap::PathOf(std::int16_t id) const {
    CFilePath path;
    if (!GetPath(id, path)) {
        throw CInstallProfileException(CInstallProfileException::kUnresolvedDestinations);
    }
    return path;
}

void DestinationMap::WriteToLog(const CFilePath& log) const {
    for (const auto& entry : m_records) {
        const DestinationRecord& record = entry.second;
        if (record.id < 0) {
            continue;
        }
        WriteRecord(log, "destinations", std::to_string(record.id),
                    record.relativePath + "|" + std::to_string(record.parentId) + "|" +
                        record.resolvedPath.GetText());
    }
}
