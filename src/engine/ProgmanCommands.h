// The Program Manager command language: the command strings the program sends over DDE to
// create and delete groups and items, the parsing of the group list, and the fields of one
// item made from a target record. Portable: the conversation itself is in ProgramManager.h.
//
// A command is "[Name (arg,arg,...)]". An argument is either quoted ("text": everything up
// to the next double quote) or plain (text up to the next ',' ')' '[' or ']'). The commands
// are sent exactly as Program Manager expects them, for example
//   [CreateGroup ("Tools")]            [DeleteGroup("Tools")]
//   [ReplaceItem (Tool)]               [DeleteItem (Tool)]
//   [AddItem (C:\X.EXE,"Tool",C:\X.EXE,0,-1,-1,,,0)]
// Arguments that Program Manager takes plain are quoted only when the text would otherwise
// end the argument early (a comma, parenthesis or bracket, or blanks at either end that the
// server would strip). No command is ever built from a text that no form can carry: a double
// quote, CR, LF or NUL inside a name gives an empty command, which the caller does not send.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct TargetRecord;

// One Program Manager item as AddItem creates it.
struct ProgmanItem {
    std::string commandLine;
    std::string name;
    // Empty: Program Manager takes the icon from the command line's program.
    std::string iconPath;
    int iconIndex = 0;
    int x = -1;
    int y = -1;
    // Empty: no default directory.
    std::string defaultDir;
    // Hot-key code; -1 = none.
    int hotKey = -1;
    bool minimize = false;
};

// The commands; each returns "" when a name cannot be carried (see above).
std::string CreateGroupCommand(const std::string& name,
                               const std::optional<std::string>& path = std::nullopt);
std::string DeleteGroupCommand(const std::string& name);
std::string ReplaceItemCommand(const std::string& name);
std::string DeleteItemCommand(const std::string& name);
std::string AddItemCommand(const ProgmanItem& item);

// The answer to the "Progman" request: group names separated by CR and/or LF; every CR and
// every LF separates, empty pieces are skipped. Stops at a NUL byte.
std::vector<std::string> SplitGroupList(const std::string& text);

// Whether a path holds a blank or a tab (such paths go into a command line in short form).
bool HasBlankOrTab(const std::string& path);

// The platform's short (8.3) form of an existing path, or "" when there is none.
using ShortPathFunction = std::function<std::string(const std::string&)>;

// The item for a target that has an installed path: the command line "winhlp32 " + viewer
// arguments + " " + path, the target's item title, the icon path (appDirectory + icon file
// when the target names one, else empty), icon index, hot key and minimized. The installed
// path and the icon path are replaced by their short form when they hold a blank or a tab and
// shortPath gives one.
ProgmanItem MakeTargetItem(const TargetRecord& target, const std::string& appDirectory,
                           const ShortPathFunction& shortPath);
