#include "engine/RemovalEngine.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string>
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

// The directory's text without trailing separators, upper-cased for comparison. Both go by
// whole characters: a trail byte is neither a separator nor a letter.
std::string DirectoryKey(const CFilePath& directory, LeadBytePredicate isLead = IsLeadByte) {
    const std::string& text = directory.GetText();
    std::string key;
    std::size_t kept = 0; // the key's length up to its last character that is no separator
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isLead(static_cast<unsigned char>(c)) && i + 1 < text.size()) {
            key += c;
            key += text[++i];
            kept = key.size();
            continue;
        }
        key += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        if (c != '\\' && c != '/') {
            kept = key.size();
        }
    }
    key.resize(kept);
    return key;
}

// A drive's root ("C:\", "\\", "/") has nothing left once its separators are gone.
bool IsRootKey(const std::string& key) {
    return key.empty() || (key.size() == 2 && key[1] == ':');
}

// The directory that holds key's directory ("C:\\APP\\DATA" gives "C:\\APP"); "" at a root.
// A trail byte is no separator.
std::string ParentKey(const std::string& key, LeadBytePredicate isLead) {
    const std::string::size_type cut = FindLastOf(key, "\\/", isLead);
    return cut == std::string::npos ? std::string() : key.substr(0, cut);
}

bool Contains(const std::vector<std::string>& keys, const std::string& key) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// The directory of a key (a path without trailing separator) in directory form.
CFilePath DirectoryOfKey(const std::string& key, const CFilePath& sample) {
    // Keys are upper-cased; the path keeps the spelling of the destination it came from.
    std::string text = sample.GetText().substr(0, key.size());
    return CFilePath(text + "\\");
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
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 32) {
            return false;
        }
    }
    return name.find_first_of("\\/:*?\"<>|") == std::string::npos;
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
        } else {
            m_platform.LogRefusal("Removal passed over " + entry.GetKey() + " in " + componentKey +
                                  ": not a file record");
        }
    } while (section.Next(entry));
}

bool CRemovalPlatform::IsSameFile(const CFilePath& a, const CFilePath& b) {
    return DirectoryKey(a) == DirectoryKey(b);
}

bool CRemovalEngine::IsLeftToHelper(const CFilePath& path) const {
    for (const CFilePath& file : m_leftToHelper) {
        if (m_platform.IsSameFile(file, path)) {
            return true;
        }
    }
    return false;
}

void CRemovalEngine::RemoveFile(const std::string& name, const RemovalFileRecord& record) {
    if (!IsPlainFileName(name)) {
        m_platform.LogRefusal("Removal passed over " + name + ": not a file name");
        return;
    }
    CFilePath path;
    if (!m_collections.destinations.GetPath(record.destination, path) || path.IsEmpty()) {
        m_platform.LogRefusal("Removal passed over " + name + ": no directory for destination " +
                              std::to_string(record.destination));
        return;
    }
    path.SetFileName(name);
    if (IsLeftToHelper(path)) {
        return;
    }
    m_platform.ShowRemoving(path);

    bool erase = false;
    if (record.destination == kDestSystem) {
        // Other programs may use a file of the system directory without counting it: it
        // stays, and only this installation's use is given back.
        m_platform.ReleaseSharedCount(path);
    } else if (record.destination == kDestHelp) {
        // Another application may still use it: only the last release of a file that this
        // installation placed takes it away.
        erase = m_platform.ReleaseSharedCount(path) == 1 && record.installed;
    } else if (record.destination < 0) {
        erase = record.installed;
    } else {
        // An application destination that a hand-edited log points at a predefined
        // directory or a root is not the application's own: only a file this installation
        // placed goes, and never one of the system directory. No count is touched, since the
        // installation set none for it.
        const std::int16_t place = PredefinedPlaceOf(path);
        erase = place == kDestApplication || (place != kDestSystem && record.installed);
    }
    if (erase && m_platform.DeleteLoggedFile(path)) {
        ++m_deleted;
    }
}

std::int16_t CRemovalEngine::PredefinedPlaceOf(const CFilePath& file) const {
    CFilePath directory = file;
    directory.SetFileName(std::string());
    const std::string key = DirectoryKey(directory);
    std::int16_t place = IsRootKey(key) ? kDestWindows : kDestApplication;
    for (const auto& [id, record] : m_collections.destinations.Records()) {
        if (id < 0 && !record.resolvedPath.IsEmpty() && DirectoryKey(record.resolvedPath) == key) {
            // Several predefined destinations may share a directory; the system directory's
            // rule is the strictest.
            place = place == kDestSystem ? place : id;
        }
    }
    return place;
}

void CRemovalEngine::RemoveDestinationDirectories(LeadBytePredicate isLead) {
    std::vector<std::string> predefined;
    std::vector<std::pair<std::string, CFilePath>> own;
    for (const auto& [id, record] : m_collections.destinations.Records()) {
        if (record.resolvedPath.IsEmpty()) {
            continue;
        }
        const std::string key = DirectoryKey(record.resolvedPath, isLead);
        if (id < 0) {
            predefined.push_back(key);
        } else if (!IsRootKey(key)) {
            own.emplace_back(key, record.resolvedPath);
        }
    }
    std::vector<std::string> ownKeys;
    for (const auto& entry : own) {
        ownKeys.push_back(entry.first);
    }
    // The directories between a destination and an enclosing one were made for it.
    const std::size_t destinations = own.size();
    for (std::size_t i = 0; i < destinations; ++i) {
        const std::string start = own[i].first;
        const CFilePath sample = own[i].second;
        std::vector<std::string> between;
        for (std::string key = ParentKey(start, isLead); !IsRootKey(key);
             key = ParentKey(key, isLead)) {
            if (Contains(ownKeys, key)) {
                for (const std::string& middle : between) {
                    own.emplace_back(middle, DirectoryOfKey(middle, sample));
                    ownKeys.push_back(middle);
                }
                break;
            }
            between.push_back(key);
        }
    }
    // Deepest first: a subdirectory goes before the directory that holds it (its key is
    // longer); directories whose keys are as long go in the order found. No key is empty:
    // the empty key is a root, and roots are never among the own directories.
    std::size_t longest = 0;
    for (const auto& entry : own) {
        longest = std::max(longest, entry.first.size());
    }
    std::vector<std::string> done;
    for (std::size_t length = longest; length != 0; --length) {
        for (const auto& [key, directory] : own) {
            if (key.size() == length && !Contains(predefined, key) && !Contains(done, key)) {
                done.push_back(key);
                m_platform.RemoveEmptyDirectory(directory);
            }
        }
    }
}
