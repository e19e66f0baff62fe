#include "engine/ProgmanCommands.h"

#include "profile/TargetRecord.h"

namespace {

// Characters that no argument form can carry: a quoted argument ends at the next double
// quote, and the command travels as one zero-terminated line.
bool IsCarriable(const std::string& text) {
    return text.find_first_of(std::string("\"\r\n\0", 4)) == std::string::npos;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A quoted argument; false when the text cannot be carried.
bool AppendQuoted(std::string& command, const std::string& text) {
    if (!IsCarriable(text)) {
        return false;
    }
    command += '"';
    command += text;
    command += '"';
    return true;
}

// A plain argument as it is, or quoted when the text would end a plain argument early or lose
// blanks at its ends; false when the text cannot be carried.
bool AppendPlain(std::string& command, const std::string& text) {
    if (!IsCarriable(text)) {
        return false;
    }
    const bool needsQuotes = text.find_first_of(",()[]") != std::string::npos ||
                             (!text.empty() && (IsBlank(text.front()) || IsBlank(text.back())));
    if (needsQuotes) {
        return AppendQuoted(command, text);
    }
    command += text;
    return true;
}

std::string OneArgumentCommand(const char* opening, const std::string& name, bool quoted) {
    std::string command = opening;
    if (!(quoted ? AppendQuoted(command, name) : AppendPlain(command, name))) {
        return {};
    }
    command += ")]";
    return command;
}

} // namespace

std::string CreateGroupCommand(const std::string& name, const std::optional<std::string>& path) {
    std::string command = "[CreateGroup (";
    if (!AppendQuoted(command, name)) {
        return {};
    }
    if (path) {
        command += ", ";
        if (!AppendQuoted(command, *path)) {
            return {};
        }
    }
    command += ")]";
    return command;
}

std::string DeleteGroupCommand(const std::string& name) {
    return OneArgumentCommand("[DeleteGroup(", name, true);
}

std::string ReplaceItemCommand(const std::string& name) {
    return OneArgumentCommand("[ReplaceItem (", name, false);
}

std::string DeleteItemCommand(const std::string& name) {
    return OneArgumentCommand("[DeleteItem (", name, false);
}

std::string AddItemCommand(const ProgmanItem& item) {
    // Without an icon path Program Manager is given the command line again.
    const std::string& iconPath = item.iconPath.empty() ? item.commandLine : item.iconPath;
    std::string command = "[AddItem (";
    if (!AppendPlain(command, item.commandLine)) {
        return {};
    }
    command += ',';
    if (!AppendQuoted(command, item.name)) {
        return {};
    }
    command += ',';
    if (!AppendPlain(command, iconPath)) {
        return {};
    }
    command += ',' + std::to_string(item.iconIndex) + ',' + std::to_string(item.x) + ',' +
               std::to_string(item.y) + ',';
    if (!AppendPlain(command, item.defaultDir)) {
        return {};
    }
    command += ',';
    if (item.hotKey != -1) {
        command += std::to_string(item.hotKey);
    }
    command += item.minimize ? ",1)]" : ",0)]";
    return command;
}

std::vector<std::string> SplitGroupList(const std::string& text) {
    std::vector<std::string> groups;
    std::string current;
    for (char c : text) {
        if (c == '\0') {
            break;
        }
        if (c == '\r' || c == '\n') {
            if (!current.empty()) {
                groups.push_back(std::move(current));
                current.clear();
            }
            continue;
        }
        current += c;
    }
    if (!current.empty()) {
        groups.push_back(std::move(current));
    }
    return groups;
}

bool HasBlankOrTab(const std::string& path) {
    return path.find_first_of(" \t") != std::string::npos;
}

namespace {

std::string ShortIfBlank(const std::string& path, const ShortPathFunction& shortPath) {
    if (!HasBlankOrTab(path) || !shortPath) {
        return path;
    }
    std::string shortForm = shortPath(path);
    return shortForm.empty() ? path : shortForm;
}

} // namespace

ProgmanItem MakeTargetItem(const TargetRecord& target, const std::string& appDirectory,
                           const ShortPathFunction& shortPath) {
    ProgmanItem item;
    item.commandLine = "winhlp32 " + target.viewerArguments + " " +
                       ShortIfBlank(target.installedPath.GetText(), shortPath);
    item.name = target.itemTitle;
    if (!target.iconFile.empty()) {
        std::string iconPath = appDirectory;
        if (!iconPath.empty() && iconPath.back() != '\\' && iconPath.back() != '/') {
            iconPath += '\\';
        }
        iconPath += target.iconFile;
        item.iconPath = ShortIfBlank(iconPath, shortPath);
    }
    item.iconIndex = target.iconIndex;
    item.hotKey = target.hotKey;
    item.minimize = target.minimized;
    return item;
}
