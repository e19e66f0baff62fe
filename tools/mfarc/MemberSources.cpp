#include "MemberSources.h"

#include "archive/MultiFile.h"
#include "errors/Exceptions.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxStoredName = EntryHeader::kNameSize - 1;
constexpr char kStoredSeparator = '\\';

void CheckComponent(const std::string& part, const std::string& shown) {
    std::string reason = UnsafeNameReason(part);
    if (!reason.empty())
        throw CMemberNameError(shown + ": cannot be stored: the name '" + part + "' " + reason);
}

void CheckLength(const std::string& stored, const std::string& shown) {
    if (stored.size() > kMaxStoredName)
        throw CMemberNameError(shown + ": cannot be stored: its name '" + stored +
                               "' is longer than " + std::to_string(kMaxStoredName) +
                               " characters");
}

// The stored name for path below root: its components joined with '\', each checked.
std::string StoredNameBelow(const fs::path& root, const fs::path& path, const std::string& shown) {
    std::string stored;
    for (const fs::path& component : path.lexically_relative(root)) {
        std::string part = component.string();
        CheckComponent(part, shown);
        if (!stored.empty())
            stored += kStoredSeparator;
        stored += part;
    }
    CheckLength(stored, shown);
    return stored;
}

// What the user sees for a file found under the folder argument: the argument joined with
// the file's path below it.
std::string ShownPath(const std::string& argument, const fs::path& root, const fs::path& file) {
    std::string relative = file.lexically_relative(root).string();
    if (!argument.empty() && (argument.back() == '/' || argument.back() == '\\'))
        return argument + relative;
    return argument + static_cast<char>(fs::path::preferred_separator) + relative;
}

std::vector<MemberSource> CollectFolder(const std::string& argument) {
    fs::path root(argument);
    std::vector<MemberSource> members;
    std::error_code ec;
    fs::recursive_directory_iterator it(root, fs::directory_options::none, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        std::error_code statusError;
        if (entry.is_symlink(statusError) && entry.is_directory(statusError)) {
            it.disable_recursion_pending();
            continue;
        }
        if (entry.is_directory(statusError))
            continue;
        std::string shown = ShownPath(argument, root, entry.path());
        if (!entry.is_regular_file(statusError))
            throw CMemberNameError(shown + ": is not a regular file");
        members.push_back({shown, StoredNameBelow(root, entry.path(), shown)});
    }
    if (ec)
        throw CFileException(CFileException::kGeneric, ec.value(), argument);
    std::sort(members.begin(), members.end(), [](const MemberSource& a, const MemberSource& b) {
        return a.storedName < b.storedName;
    });
    return members;
}

} // namespace

std::vector<MemberSource> CollectMemberSources(const std::string& argument) {
    std::error_code ec;
    fs::file_status status = fs::status(argument, ec);
    if (!fs::exists(status))
        throw CFileException(CFileException::kFileNotFound, ENOENT, argument);
    if (fs::is_directory(status))
        return CollectFolder(argument);
    if (!fs::is_regular_file(status))
        throw CMemberNameError(argument + ": is not a regular file or folder");
    std::string stored = fs::path(argument).filename().string();
    CheckComponent(stored, argument);
    CheckLength(stored, argument);
    return {{argument, stored}};
}

void CMemberNameSet::Add(const MemberSource& member, std::int16_t destinationId) {
    std::error_code ec;
    std::string canonical = fs::weakly_canonical(member.sourcePath, ec).string();
    if (ec)
        canonical = member.sourcePath;
    auto seen = m_bySource.find(canonical);
    if (seen != m_bySource.end())
        throw CMemberNameError(member.sourcePath + ": is given twice" +
                               (seen->second != member.sourcePath
                                    ? " (also as " + seen->second + ")"
                                    : std::string()));
    std::string finalName = FinalComponent(member.storedName);
    auto key = std::make_pair(destinationId, FoldCase(finalName));
    auto clash = m_byTarget.find(key);
    if (clash != m_byTarget.end())
        throw CMemberNameError(member.sourcePath + ": would be extracted to the same file as " +
                               clash->second + " ('" + finalName + "' in destination " +
                               std::to_string(destinationId) +
                               "); rename one of them or give it another --dest-id");
    m_byTarget.emplace(key, member.sourcePath);
    m_bySource.emplace(canonical, member.sourcePath);
}
