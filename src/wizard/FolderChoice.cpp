#include "wizard/FolderChoice.h"

#include <cstring>

#include "profile/ComponentRecord.h"
#include "profile/DestinationRecord.h"
#include "profile/ProfileCollections.h"
#include "support/StringUtil.h"

namespace {

// The typical setup: the components selected when the user has chosen the folder.
constexpr int kTypicalSetup = 2;

// Characters that no file or directory name may hold (':' is allowed only after the drive).
constexpr const char* kForbiddenCharacters = "<>\"|*?";

bool StartsWithDrive(const std::string& text) {
    return text.size() >= 2 && text[1] == ':';
}

bool IsNetworkPath(const std::string& text) {
    return text.size() >= 2 && text[0] == '\\' && text[1] == '\\';
}

// "\\server\share" with both names present (and anything after it).
bool HasShare(const std::string& text) {
    if (!IsNetworkPath(text)) {
        return false;
    }
    const std::size_t shareStart = text.find('\\', 2);
    return shareStart != std::string::npos && shareStart > 2 && shareStart + 1 < text.size() &&
           text[shareStart + 1] != '\\';
}

// Whether path (no trailing backslash) is a root that is never created: a drive ("C:") or a
// network share ("\\server\share") or a part of one.
bool IsRoot(const std::string& path) {
    if (path.empty() || (path.size() == 2 && path[1] == ':')) {
        return true;
    }
    if (IsNetworkPath(path)) {
        std::size_t separators = 0;
        for (std::size_t i = 2; i < path.size(); ++i) {
            separators += path[i] == '\\' ? 1 : 0;
        }
        return separators <= 1;
    }
    return false;
}

bool HoldsForbiddenCharacter(const std::string& text, std::size_t start) {
    for (std::size_t i = start; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(c) && i + 1 < text.size()) {
            ++i;
            continue;
        }
        if (c < 0x20 || c == ':' || std::strchr(kForbiddenCharacters, c) != nullptr) {
            return true;
        }
    }
    return false;
}

bool MakeLevel(const std::string& path, CFolderMaker& maker) {
    if (maker.CreateOneDirectory(path) || maker.IsDirectory(path)) {
        return true;
    }
    const std::size_t cut = FindLastChar(path, '\\');
    if (cut == std::string::npos) {
        return false;
    }
    const std::string parent = path.substr(0, cut);
    if (IsRoot(parent) || !MakeLevel(parent, maker)) {
        return false;
    }
    return maker.CreateOneDirectory(path);
}

} // namespace

std::string ProposeLocation(const std::string& systemDir, const std::string& profileDirectory) {
    CFilePath location;
    if (StartsWithDrive(profileDirectory) || IsNetworkPath(profileDirectory)) {
        location.SetDriveDirectory(profileDirectory);
        return location.GetText();
    }
    location.SetDrive(CFilePath(systemDir).GetDrive());
    location.SetDirectory(profileDirectory);
    return location.GetText();
}

std::optional<CFilePath> MakeFolderPath(const std::string& typed) {
    std::string text(TrimBlanks(typed));
    for (char& c : text) {
        if (c == '/') {
            c = '\\';
        }
    }
    const bool onDrive = text.size() >= 3 && text[1] == ':' && text[2] == '\\' &&
                         std::strchr(kForbiddenCharacters, text[0]) == nullptr &&
                         static_cast<unsigned char>(text[0]) > 0x20 && text[0] != '\\';
    if (!onDrive && !HasShare(text)) {
        return std::nullopt;
    }
    if (HoldsForbiddenCharacter(text, onDrive ? 2 : 0)) {
        return std::nullopt;
    }
    CFilePath path;
    path.SetDriveDirectory(text);
    if (path.IsTooLong()) {
        return std::nullopt;
    }
    return path;
}

bool AcceptFolder(const CFilePath& folder, CFolderMaker& maker) {
    std::string path = folder.GetText();
    // "C:\" stays as it is; any other directory loses its trailing backslash.
    if (!(path.size() == 3 && path[1] == ':')) {
        RemoveTrailingBackslash(path);
    }
    if (path.empty()) {
        return false;
    }
    return maker.HasSubdirectory(path) || MakeLevel(path, maker);
}

void ApplyFolderChoice(ProfileCollections& collections, const DestinationMap& asLoaded,
                       const CFilePath& folder) {
    DestinationMap trial = asLoaded;
    trial.SetResolvedPath(kDestApplication, folder);
    trial.ResolveAll();
    collections.destinations = trial;
    collections.components.SelectBySetupType(kTypicalSetup);
}
