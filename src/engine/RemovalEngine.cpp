#include "engine/RemovalEngine.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "profile/ProfileCollections.h"
#include "support/Profile.h"

namespace {

// Reads an optional decimal field that ends at '|' or the end; false when it is not a number
// or does not fit a long.
bool ReadField(const char*& p, long& out) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(p, &end, 10);
    if (end == p || errno == ERANGE || (*end != '|' && *end != '\0')) {
        return false;
    }
    out = value;
    p = *end == '|' ? end + 1 : end;
    return true;
}

// The directory's text without trailing separators, upper-cased for comparison.
std::string DirectoryKey(const CFilePath& directory) {
    std::string text = directory.GetText();
    while (!text.empty() && (text.back() == '\\' || text.back() == '/')) {
        text.pop_back();
    }
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// A drive's root ("C:\", "\\", "/") has nothing left once its separators are gone.
bool IsRootKey(const std::string& key) {
    return key.empty() || (key.size() == 2 && key[1] == ':');
}

bool IsSharedDestination(std::int16_t id) {
    return id == kDestSystem || id == kDestHelp;
}

} // namespace

bool ParseRemovalFileRecord(const std::string& value, RemovalFileRecord& out) {
    const char* p = value.c_str();
    long destination = 0;
    if (!ReadField(p, destination)) {
        return false;
    }
    long installed = 0;
    long replaced = 0;
    if (*p != '\0' && !ReadField(p, installed)) {
        installed = 0;
    }
    if (*p != '\0' && !ReadField(p, replaced)) {
        replaced = 0;
    }
    // The id is the low 16 bits, as the installation wrote it.
    out.destination = static_cast<std::int16_t>(static_cast<std::uint16_t>(destination & 0xFFFF));
    out.installed = installed != 0;
    out.replaced = replaced != 0;
    return true;
}

bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    return name.find_first_of("\\/:") == std::string::npos;
}

CRemovalEngine::CRemovalEngine(const ProfileCollections& collections, const CFilePath& installLog,
                               CRemovalPlatform& platform)
    : m_collections(collections), m_installLog(installLog), m_platform(platform) {}

void CRemovalEngine::RemoveInstallation() {
    // Unregistering needs the libraries' files, so it comes before any file is deleted.
    m_platform.UnregisterLibraries();
    for (const auto& [key, component] : m_collections.components.Records()) {
        (void)component;
        RemoveComponentFiles(key);
    }
    m_platform.DeleteProgramItems(m_collections.targets);
    RemoveDestinationDirectories();
}

void CRemovalEngine::RemoveComponentFiles(const std::string& componentKey) {
    if (componentKey.empty()) {
        return;
    }
    CProfileSection section(componentKey);
    section.SetFile(m_installLog);
    CProfileString entry;
    if (!section.First(entry)) {
        return;
    }
    do {
        entry.Read();
        RemovalFileRecord record;
        if (ParseRemovalFileRecord(entry.GetValue(), record)) {
            RemoveFile(entry.GetKey(), record);
        }
    } while (section.Next(entry));
}

void CRemovalEngine::RemoveFile(const std::string& name, const RemovalFileRecord& record) {
    CFilePath path;
    if (!IsPlainFileName(name) || !m_collections.destinations.GetPath(record.destination, path) ||
        path.IsEmpty()) {
        return;
    }
    path.SetFileName(name);
    m_platform.ShowRemoving(path);

    bool erase = false;
    if (IsSharedDestination(record.destination)) {
        // Another application may still use it: only the last release of a file that this
        // installation placed takes it away.
        erase = m_platform.ReleaseSharedCount(path) == 1 && record.installed;
    } else if (record.destination < 0) {
        erase = record.installed;
    } else {
        erase = true;
    }
    if (erase && m_platform.DeleteLoggedFile(path)) {
        ++m_deleted;
    }
}

void CRemovalEngine::RemoveDestinationDirectories() {
    std::vector<std::string> predefined;
    std::vector<std::pair<std::string, CFilePath>> own;
    for (const auto& [id, record] : m_collections.destinations.Records()) {
        if (record.resolvedPath.IsEmpty()) {
            continue;
        }
        const std::string key = DirectoryKey(record.resolvedPath);
        if (id < 0) {
            predefined.push_back(key);
        } else if (!IsRootKey(key)) {
            own.emplace_back(key, record.resolvedPath);
        }
    }
    // Deepest first: a subdirectory goes before the directory that holds it.
    std::stable_sort(own.begin(), own.end(),
                     [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    for (const auto& [key, directory] : own) {
        if (std::find(predefined.begin(), predefined.end(), key) == predefined.end()) {
            m_platform.RemoveEmptyDirectory(directory);
        }
    }
}
