// The conversation with Program Manager (or the shell that stands in for it) over DDE.
//
// CDdeClient wraps one client of the DDE management library: one instance, at most one
// conversation, synchronous transactions with a time-out of 1000 ms. CProgramManager is the
// client for service and topic "PROGMAN": it starts Program Manager once when no server
// answers, and sends the commands of ProgmanCommands.h. No failure is thrown or shown: every
// operation reports by its result, and a conversation that could not be opened makes the
// later commands fail quietly.
//
// CreateProgramItems and DeleteProgramItems are the two sequences that put the application's
// items into its group after the installation and take them out again at removal.
#pragma once

#include <windows.h>

#include <ddeml.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/ProgmanCommands.h"

class TargetMap;

class CDdeClient {
public:
    // Every transaction waits at most this long for the server.
    static constexpr DWORD kTimeoutMs = 1000;

    CDdeClient() noexcept = default;
    // Ends the conversation and the library instance.
    virtual ~CDdeClient();
    CDdeClient(const CDdeClient&) = delete;
    CDdeClient& operator=(const CDdeClient&) = delete;

    // Initialises the DDE library for this object (once). False when the library refuses.
    bool Initialize();
    // Opens a conversation with service and topic (an open one is ended first). True when a
    // server answered.
    bool Connect(const std::string& service, const std::string& topic);
    // Ends the conversation. True also when none was open.
    bool Disconnect();
    bool HasConversation() const noexcept { return m_conversation != nullptr; }

    // Requests item in format. True when data came back: out = the data up to its first zero
    // byte. Otherwise out stays as it was.
    bool Request(const std::string& item, std::string& out, UINT format = CF_TEXT);
    // Sends an execute transaction with size bytes of data. True when the server accepted it.
    bool Execute(const void* data, DWORD size, UINT format);
    // Sends a command as zero-terminated text (CF_TEXT). An empty command (one that could not
    // be built) is not sent and gives false.
    bool ExecuteText(const std::string& command);

private:
    static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conversation, HSZ first,
                                      HSZ second, HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);

    bool m_initialized = false;
    DWORD m_instance = 0;
    HCONV m_conversation = nullptr;
};

class CProgramManager : public CDdeClient {
public:
    // starter: the command line run (once per EnsureConnected) when no server answers;
    // service: the service and topic name (tests give their own server a name of its own).
    explicit CProgramManager(std::string starter = "progman.exe", std::string service = "PROGMAN");
    ~CProgramManager() override = default;

    // Connects to the service (topic of the same name) unless connected. When no server answers and
    // allowStart is true, runs the starter once (which returns when the started program waits for
    // input) and tries once more. False when there is still no conversation.
    bool EnsureConnected(bool allowStart);
    bool IsConnected() const noexcept { return HasConversation(); }
    // How many times the starter was run by this object.
    int GetStartCount() const noexcept { return m_startCount; }

    // Creates the group, or opens it when it exists; the following item commands act on it.
    // Connects first. True when Program Manager accepted the command.
    bool CreateGroup(const std::string& name,
                     const std::optional<std::string>& path = std::nullopt);
    // Deletes the group with everything in it. Connects first.
    bool DeleteGroup(const std::string& name);
    // Item commands act on the group that CreateGroup opened; they do not connect.
    bool ReplaceItem(const std::string& name);
    bool DeleteItem(const std::string& name);
    // Connects first.
    bool AddItem(const ProgmanItem& item);

    // The names of the existing groups in the order Program Manager gives them. Connects
    // first. False (groups empty) when no answer came.
    bool ListGroups(std::vector<std::string>& groups);
    // Adds the names of the existing groups to a list box (LB_ADDSTRING), in that order.
    bool ListGroups(HWND listBox);
    // Whether the group holds no items, from the request for the group's own item. nullopt
    // when Program Manager does not tell. Connects first.
    std::optional<bool> IsGroupEmpty(const std::string& name);

private:
    std::string m_starter;
    std::string m_service;
    int m_startCount = 0;
};

// What the two item sequences need besides the targets.
struct ProgramItemsContext {
    // The application's program group. Nothing is done when it is empty: the item commands
    // would otherwise act on whatever group Program Manager has open.
    std::string groupName;
    // The application directory (destination 0), where the targets' icon files lie.
    std::string appDirectory;
    // Runs after each item so that the program's windows stay painted (may be empty).
    std::function<void()> pump;
    // Brought to the top and repainted at the end (may be nullptr).
    HWND mainWindow = nullptr;
};

// Opens (or creates) the group and, for every target with an installed path in map order,
// replaces its item by a new one. Returns the number of items Program Manager accepted.
int CreateProgramItems(CProgramManager& manager, const TargetMap& targets,
                       const ProgramItemsContext& context);
// Opens the group, deletes the item of every target with an installed path, then deletes
// the group when Program Manager reports that nothing else is in it (items the user or other
// applications put there are never deleted with it; a server that does not describe its
// groups keeps the emptied group). Returns the number of items deleted.
int DeleteProgramItems(CProgramManager& manager, const TargetMap& targets,
                       const ProgramItemsContext& context);

// The same with a conversation of their own with "PROGMAN" (started if needed).
int CreateProgramItems(const TargetMap& targets, const ProgramItemsContext& context);
int DeleteProgramItems(const TargetMap& targets, const ProgramItemsContext& context);
