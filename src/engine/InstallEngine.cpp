#include "engine/InstallEngine.h"

#include <algorithm>
#include <cctype>
#include <new>

#include "archive/MemberName.h"
#include "engine/RemovalEngine.h"
#include "errors/Exceptions.h"
#include "profile/ProfileCollections.h"
#include "support/Profile.h"
#include "support/StringUtil.h"

namespace {

CInstallProgress* g_currentProgress = nullptr;

// Makes a sink the current progress display for the lifetime of the scope.
class CCurrentProgressScope {
public:
    explicit CCurrentProgressScope(CInstallProgress& sink) { g_currentProgress = &sink; }
    ~CCurrentProgressScope() { g_currentProgress = nullptr; }
    CCurrentProgressScope(const CCurrentProgressScope&) = delete;
    CCurrentProgressScope& operator=(const CCurrentProgressScope&) = delete;
};

// The sink's current file for one member; cleared however the member ends.
class CCurrentFileScope {
public:
    CCurrentFileScope(CInstallProgress& sink, CInstallFile& file) : m_sink(sink) {
        m_sink.SetCurrentFile(&file);
    }
    ~CCurrentFileScope() { m_sink.SetCurrentFile(nullptr); }
    CCurrentFileScope(const CCurrentFileScope&) = delete;
    CCurrentFileScope& operator=(const CCurrentFileScope&) = delete;

private:
    CInstallProgress& m_sink;
};

// Closes a file without reporting anything. (The archive's own Abort stops its codec
// instead, so the plain file's is called by name.)
void CloseQuietly(CXFile& file) {
    file.CXFile::Abort();
}

bool IsSelected(const ArchiveRecordInfo& record) {
    return record.component != nullptr && record.component->selected;
}

std::string UpperKey(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// A log record's identity: its section and its key (INI keys ignore case).
std::string PlacedKey(const std::string& componentKey, const std::string& fileName) {
    return UpperKey(componentKey + "\n" + fileName);
}

// Sizes are progress units; a negative one (a broken profile) counts nothing.
std::uint32_t ProgressSize(std::int32_t size) {
    return size > 0 ? static_cast<std::uint32_t>(size) : 0;
}

} // namespace

CInstallProgress* GetCurrentInstallProgress() {
    return g_currentProgress;
}

void CInstallFile::ResetMember() {
    destinationPath.Empty();
    temporaryPath.Empty();
    installed = 0;
    replaced = 0;
    SetOutputPath({});
}

std::string MemberFileName(const std::string& storedName, LeadBytePredicate isLead) {
    std::string name = FinalComponent(storedName, isLead);
    if (CheckMemberName(name, isLead).fault != NameFault::kNone) {
        throw CFileException(CFileException::kBadPath, 0, storedName);
    }
    return name;
}

CInstallEngine::CInstallEngine(ProfileCollections& collections, const CFilePath& installLog,
                               CArchiveRun& run, CInstallPlatform& platform)
    : m_collections(collections), m_installLog(installLog), m_run(run), m_platform(platform) {}

bool CInstallEngine::InstallArchives(CInstallProgress& sink) {
    ReadEarlierRecords();
    std::uint32_t total = 0;
    for (const ArchiveRecordInfo& record : m_collections.archives.Records()) {
        if (IsSelected(record)) {
            total += ProgressSize(record.size);
        }
    }
    CCurrentProgressScope current(sink);
    sink.SetRange(total);

    for (const ArchiveRecordInfo& info : m_collections.archives.Records()) {
        if (!IsSelected(info)) {
            continue;
        }
        // A Cancel clicked since the last member is asked about before the next archive.
        m_platform.PumpMessages();
        if (m_run.IsAborted()) {
            break;
        }
        sink.ShowSource(info.fileName);
        CArchiveRecord record(info, m_run);
        InstallArchive(record, sink);
    }

    InstallSetupFiles();
    RemoveTemporaryDirectories();

    // The items belong to a complete installation only. The log's collections are written
    // in any case: they are what a removal needs to take away the files installed so far.
    const bool complete = !m_run.IsAborted();
    if (complete) {
        m_platform.CreateProgramItems(m_collections.targets);
    }
    m_platform.WriteCollections(m_collections, m_installLog);
    return complete && !m_run.IsAborted();
}

void CInstallEngine::InstallArchive(CArchiveRecord& record, CInstallProgress& sink) {
    try {
        if (!m_run.Locate(record.fileName, record.diskNumber)) {
            m_run.SetAbort();
            return;
        }
        const CFilePath source = record.GetSourcePath();
        if (record.kind == kArchiveKindSingleFile) {
            InstallPlainFile(record, source, sink);
        } else if (record.kind == kArchiveKindMultiFile) {
            InstallMultiFile(record, source, sink);
        }
    } catch (const CUserException&) {
        m_run.SetAbort();
    } catch (const CException& error) {
        CloseQuietly(record);
        if (!m_platform.ReportArchiveError(error, record.GetSourcePath().GetFileName())) {
            m_run.SetAbort();
        }
    } catch (const std::bad_alloc&) {
        CloseQuietly(record);
        if (!m_platform.ReportArchiveError(CMemoryException(),
                                           record.GetSourcePath().GetFileName())) {
            m_run.SetAbort();
        }
    }
    CloseQuietly(record);
    RemoveTemporaryDirectories();
}

void CInstallEngine::InstallPlainFile(CArchiveRecord& record, const CFilePath& source,
                                      CInstallProgress& sink) {
    if (record.destination == kDestNotInstalled) {
        sink.AddDone(ProgressSize(record.size));
        return;
    }
    record.OpenForReading(source);
    CInstallFile file(record);
    EntryHeader& header = file.Header();
    file.SetSourceName(source);
    header.destinationId = record.destination;
    header.method = 2;
    header.methodParameter = 0;
    header.checksum = 0;
    // The whole file is copied, whatever the profile says its size is: the profile's size
    // is a progress figure, and a copy cut to it would be a damaged file.
    file.FillFromFile();
    header.compressedSize = header.expandedSize;
    CCurrentFileScope current(sink, file);
    InstallMember(file);
    sink.AddDone(header.expandedSize);
}

void CInstallEngine::InstallMultiFile(CArchiveRecord& record, const CFilePath& source,
                                      CInstallProgress& sink) {
    record.OpenArchive(source);
    CInstallFile file(record);
    file.SetNextHeaderOffset(record.GetFirstEntryOffset());
    while (record.ReadNextEntry(file, 0) != 0) {
        m_platform.PumpMessages();
        if (m_run.IsAborted()) {
            break;
        }
        file.ResetMember();
        CCurrentFileScope current(sink, file);
        InstallMember(file);
        sink.AddDone(file.Header().expandedSize);
    }
}

// Members are expanded in a directory of the run's own inside their destination directory:
// looking up a random name there reads a directory of a few entries instead of one that
// holds every file installed so far (on file systems that match names without regard to
// case by reading the directory, that look-up otherwise grows with each file). When the
// directory cannot be made (a file has its name), the destination directory itself is used.
CFilePath CInstallEngine::TemporaryDirectory(const CFilePath& directory) {
    const auto known = m_temporaryDirectories.find(directory.GetText());
    if (known != m_temporaryDirectories.end()) {
        return known->second;
    }
    // The directory's own separator: '\' on Windows, '/' in the tests' POSIX paths.
    std::string text = directory.GetText();
    const char separator = !text.empty() && text.back() == '/' ? '/' : '\\';
    if (text.empty() || (text.back() != '/' && text.back() != '\\')) {
        text += separator;
    }
    CFilePath temporary(text + kTemporaryDirectoryName + separator);
    try {
        m_platform.MakeDirectory(temporary);
    } catch (const CException&) {
        temporary = directory;
    }
    m_temporaryDirectories.emplace(directory.GetText(), temporary);
    return temporary;
}

void CInstallEngine::RemoveTemporaryDirectories() {
    for (const auto& made : m_temporaryDirectories) {
        if (made.second.GetText() != made.first) {
            m_platform.RemoveEmptyDirectory(made.second);
        }
    }
    m_temporaryDirectories.clear();
}

CFilePath CInstallEngine::MakeTemporaryPath(const CFilePath& path, LeadBytePredicate isLead) {
    const std::string& text = path.GetText();
    const std::string::size_type cut = FindLastOf(text, "\\/", isLead);
    const std::string directory = cut == std::string::npos ? "" : text.substr(0, cut + 1);
    CFilePath temporary(TemporaryDirectory(directory).GetText() + text.substr(directory.size()));
    for (int i = 0; i < kTemporaryNameTries; ++i) {
        temporary.SetFileTitle(RandomHexString(8));
        if (!m_platform.Exists(temporary)) {
            return temporary;
        }
    }
    throw CFileException(CFileException::kDirectoryFull, 0, path);
}

void CInstallEngine::InstallMember(CInstallFile& file) {
    const std::int16_t destination = file.Header().destinationId;
    if (destination == kDestNotInstalled) {
        return;
    }
    const CFilePath directory = m_collections.destinations.PathOf(destination);
    MakeDirectoryOnce(directory);
    file.destinationPath = directory;
    file.destinationPath.SetFileName(MemberFileName(file.Header().GetName()));
    file.temporaryPath = MakeTemporaryPath(file.destinationPath);
    file.SetOutputPath(file.temporaryPath);

    try {
        file.GetArchive().Extract(file);
    } catch (...) {
        // A member that failed (or was cancelled) is not placed; its partial copy goes.
        CloseQuietly(file);
        m_platform.DeleteTemporary(file.temporaryPath);
        throw;
    }

    PlaceMember(file);
}

void CInstallEngine::MakeDirectoryOnce(const CFilePath& directory) {
    if (m_madeDirectories.count(directory.GetText()) != 0) {
        return;
    }
    m_platform.MakeDirectory(directory);
    m_madeDirectories.insert(directory.GetText());
}

CFilePath CInstallEngine::FindPresentFile(std::int16_t destination,
                                          const CFilePath& destinationPath) {
    if (destination == kDestWindows || destination == kDestSystem) {
        for (std::int16_t id : {kDestWindows, kDestSystem}) {
            CFilePath candidate;
            if (m_collections.destinations.GetPath(id, candidate)) {
                candidate.SetFileName(destinationPath.GetFileName());
                if (m_platform.FileExists(candidate)) {
                    return candidate;
                }
            }
        }
        return {};
    }
    return m_platform.FileExists(destinationPath) ? destinationPath : CFilePath();
}

void CInstallEngine::PlaceMember(CInstallFile& file) {
    const ArchiveRecordInfo& record = file.GetArchive();
    CPlacedFile placed;
    placed.destinationPath = file.destinationPath;
    placed.temporaryPath = file.temporaryPath;
    placed.destination = file.Header().destinationId;
    placed.componentKey = record.component != nullptr ? record.component->key : "";
    std::int32_t renameError = 0;
    const bool placedWell = PlaceFile(placed, false, renameError);
    file.installed = placed.installed;
    file.replaced = placed.replaced;
    if (!placedWell) {
        // Reported like any other failure of the record, not passed over as installed.
        throw CFileException(CFileException::kGeneric, renameError, file.destinationPath);
    }
    // A file is there under the destination path (the new one or the copy that was kept).
    m_collections.targets.SetInstalledPath(file.destinationPath);
}

bool CInstallEngine::PlaceFile(CPlacedFile& file, bool alwaysReplace, std::int32_t& renameError) {
    CFilePath present;
    if (file.destination == kDestWindows || file.destination == kDestSystem) {
        present = FindPresentFile(file.destination, file.destinationPath);
    }
    if (present.IsEmpty()) {
        // Moving the new file onto its name tells whether a file of that name is there: one
        // look-up of the name in its directory instead of a test and then the move.
        const auto moved = m_platform.Rename(file.temporaryPath, file.destinationPath, renameError);
        if (moved != CInstallPlatform::RenameResult::kNameTaken) {
            file.installed = moved == CInstallPlatform::RenameResult::kMoved ? 1 : 0;
            if (file.installed == 0) {
                m_platform.DeleteTemporary(file.temporaryPath);
            }
            WriteFileRecord(file);
            return file.installed != 0;
        }
        present = file.destinationPath;
    }

    bool place = false;
    if (alwaysReplace || m_platform.ShouldReplace(present, file.temporaryPath) != 0) {
        file.replaced = 1;
        if (m_platform.DeletePresent(present)) {
            place = true;
        } else if (!m_platform.DeferReplacement(file.temporaryPath, present)) {
            m_platform.DeleteTemporary(file.temporaryPath);
        }
    } else {
        m_platform.DeleteTemporary(file.temporaryPath);
    }

    if (place) {
        if (m_platform.Rename(file.temporaryPath, file.destinationPath, renameError) ==
            CInstallPlatform::RenameResult::kMoved) {
            file.installed = 1;
        } else {
            m_platform.DeleteTemporary(file.temporaryPath);
        }
    }
    WriteFileRecord(file);
    return !place || file.installed != 0;
}

void CInstallEngine::WriteFileRecord(const CPlacedFile& file) {
    m_handled.insert(UpperKey(file.destinationPath.GetText()));
    const std::string key = PlacedKey(file.componentKey, file.destinationPath.GetFileName());
    const auto earlier = m_placed.find(key);
    // A present copy that an earlier installation placed, and that this run keeps (or will
    // replace at the restart), is still that installation's file.
    const bool installed =
        file.installed != 0 || (earlier != m_placed.end() && earlier->second == file.destination);
    if (installed) {
        m_placed[key] = file.destination;
    } else {
        m_placed.erase(key);
    }
    m_platform.WriteFileRecord(m_installLog, file.componentKey, file.destinationPath,
                               file.destination, installed, file.replaced != 0);
}

void CInstallEngine::ReadEarlierRecords() {
    m_placed.clear();
    m_handled.clear();
    for (const auto& [key, component] : m_collections.components.Records()) {
        (void)component;
        if (key.empty()) {
            continue;
        }
        CProfileSection section(key);
        section.SetFile(m_installLog);
        CProfileString entry;
        if (!section.First(entry)) {
            continue;
        }
        do {
            entry.Read();
            RemovalFileRecord record;
            if (ParseRemovalFileRecord(entry.GetValue(), record) && record.installed) {
                m_placed[PlacedKey(key, entry.GetKey())] = record.destination;
            }
        } while (section.Next(entry));
    }
}

std::string CInstallEngine::SetupFilesComponent() const {
    std::string first;
    for (const auto& [key, component] : m_collections.components.Records()) {
        if (component.selected) {
            return key;
        }
        if (first.empty()) {
            first = key;
        }
    }
    return first;
}

void CInstallEngine::InstallSetupFiles() {
    const std::string componentKey = SetupFilesComponent();
    if (componentKey.empty()) {
        return; // no component section could log them
    }
    for (const CSetupFile& setupFile : m_setupFiles) {
        try {
            InstallSetupFile(setupFile, componentKey);
        } catch (const CException& error) {
            // After an abort nothing more is asked; otherwise the user may give up here.
            if (!m_run.IsAborted() &&
                !m_platform.ReportArchiveError(error, setupFile.source.GetFileName())) {
                m_run.SetAbort();
            }
        }
    }
}

void CInstallEngine::InstallSetupFile(const CSetupFile& setupFile,
                                      const std::string& componentKey) {
    const CFilePath directory = m_collections.destinations.PathOf(setupFile.destination);
    if (directory.IsEmpty() || setupFile.source.IsEmpty()) {
        return;
    }
    CPlacedFile file;
    file.destinationPath = directory;
    file.destinationPath.SetFileName(setupFile.source.GetFileName());
    file.destination = setupFile.destination;
    file.componentKey = componentKey;
    if (m_handled.count(UpperKey(file.destinationPath.GetText())) != 0) {
        return; // the distribution's archives brought their own copy
    }
    MakeDirectoryOnce(directory);
    if (m_platform.IsSameFile(setupFile.source, file.destinationPath)) {
        WriteFileRecord(file); // the program runs from there: nothing to copy
        return;
    }
    file.temporaryPath = MakeTemporaryPath(file.destinationPath);
    try {
        m_platform.CopySetupFile(setupFile.source, file.temporaryPath);
    } catch (...) {
        m_platform.DeleteTemporary(file.temporaryPath);
        throw;
    }
    std::int32_t renameError = 0;
    if (!PlaceFile(file, setupFile.alwaysReplace, renameError)) {
        throw CFileException(CFileException::kGeneric, renameError, file.destinationPath);
    }
}
