#include "engine/ProgramManager.h"

#include <utility>

#include "profile/TargetRecord.h"
#include "support/StringUtil.h"

namespace {

// A DDE string handle, made in the ANSI code page and freed when it goes.
class CDdeString {
public:
    CDdeString(DWORD instance, const std::string& text) noexcept
        : m_instance(instance),
          m_handle(::DdeCreateStringHandleA(instance, text.c_str(), CP_WINANSI)) {}
    ~CDdeString() {
        if (m_handle != nullptr) {
            ::DdeFreeStringHandle(m_instance, m_handle);
        }
    }
    CDdeString(const CDdeString&) = delete;
    CDdeString& operator=(const CDdeString&) = delete;

    HSZ Get() const noexcept { return m_handle; }

private:
    DWORD m_instance;
    HSZ m_handle;
};

} // namespace

CDdeClient::~CDdeClient() {
    if (m_initialized) {
        Disconnect();
        ::DdeUninitialize(m_instance);
    }
}

bool CDdeClient::Initialize() {
    if (m_initialized) {
        return true;
    }
    DWORD instance = 0;
    if (::DdeInitializeA(&instance, Callback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
        return false;
    }
    m_instance = instance;
    m_initialized = true;
    return true;
}

bool CDdeClient::Connect(const std::string& service, const std::string& topic) {
    if (!Initialize()) {
        return false;
    }
    Disconnect();
    CDdeString serviceName(m_instance, service);
    CDdeString topicName(m_instance, topic);
    if (serviceName.Get() == nullptr || topicName.Get() == nullptr) {
        return false;
    }
    m_conversation = ::DdeConnect(m_instance, serviceName.Get(), topicName.Get(), nullptr);
    return m_conversation != nullptr;
}

bool CDdeClient::Disconnect() {
    if (m_conversation == nullptr) {
        return true;
    }
    if (!::DdeDisconnect(m_conversation)) {
        return false;
    }
    m_conversation = nullptr;
    return true;
}

bool CDdeClient::Request(const std::string& item, std::string& out, UINT format) {
    if (!Initialize() || m_conversation == nullptr) {
        return false;
    }
    CDdeString itemName(m_instance, item);
    if (itemName.Get() == nullptr) {
        return false;
    }
    HDDEDATA data = ::DdeClientTransaction(nullptr, 0, m_conversation, itemName.Get(), format,
                                           XTYP_REQUEST, kTimeoutMs, nullptr);
    if (data == nullptr) {
        return false;
    }
    DWORD size = 0;
    const BYTE* bytes = ::DdeAccessData(data, &size);
    const bool answered = bytes != nullptr;
    if (answered) {
        std::string text(reinterpret_cast<const char*>(bytes), size);
        ::DdeUnaccessData(data);
        // The answer is zero-terminated text; the data block may be longer than the text.
        const std::size_t end = text.find('\0');
        if (end != std::string::npos) {
            text.resize(end);
        }
        out = std::move(text);
    }
    ::DdeFreeDataHandle(data);
    return answered;
}

bool CDdeClient::Execute(const void* data, DWORD size, UINT format) {
    if (!Initialize() || m_conversation == nullptr) {
        return false;
    }
    // The library copies the bytes and does not change them.
    auto* bytes = static_cast<BYTE*>(const_cast<void*>(data));
    // An execute result is a flag, not a data handle: nothing to free.
    return ::DdeClientTransaction(bytes, size, m_conversation, nullptr, format, XTYP_EXECUTE,
                                  kTimeoutMs, nullptr) != nullptr;
}

bool CDdeClient::ExecuteText(const std::string& command) {
    if (command.empty()) {
        return false;
    }
    return Execute(command.c_str(), static_cast<DWORD>(command.size() + 1), CF_TEXT);
}

HDDEDATA CALLBACK CDdeClient::Callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR,
                                       ULONG_PTR) {
    // A client has nothing to answer; every notification is accepted.
    return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(1));
}

CProgramManager::CProgramManager(std::string starter, std::string service)
    : m_starter(std::move(starter)), m_service(std::move(service)) {}

bool CProgramManager::EnsureConnected(bool allowStart) {
    while (!IsConnected()) {
        if (Connect(m_service, m_service)) {
            break;
        }
        if (!allowStart) {
            return false;
        }
        // WinExec returns once the started program waits for input (or after its own
        // time-out), so a Program Manager that registers itself at start-up answers the
        // second attempt.
        ::WinExec(m_starter.c_str(), SW_SHOW);
        ++m_startCount;
        allowStart = false;
    }
    return true;
}

bool CProgramManager::CreateGroup(const std::string& name, const std::optional<std::string>& path) {
    EnsureConnected(true);
    return ExecuteText(CreateGroupCommand(name, path));
}

bool CProgramManager::DeleteGroup(const std::string& name) {
    EnsureConnected(true);
    return ExecuteText(DeleteGroupCommand(name));
}

bool CProgramManager::ReplaceItem(const std::string& name) {
    return ExecuteText(ReplaceItemCommand(name));
}

bool CProgramManager::DeleteItem(const std::string& name) {
    return ExecuteText(DeleteItemCommand(name));
}

bool CProgramManager::AddItem(const ProgmanItem& item) {
    EnsureConnected(true);
    return ExecuteText(AddItemCommand(item));
}

bool CProgramManager::ListGroups(std::vector<std::string>& groups) {
    groups.clear();
    EnsureConnected(true);
    std::string text;
    if (!Request("Progman", text, CF_TEXT)) {
        return false;
    }
    groups = SplitGroupList(text);
    return true;
}

bool CProgramManager::ListGroups(HWND listBox) {
    std::vector<std::string> groups;
    const bool answered = ListGroups(groups);
    for (const std::string& group : groups) {
        ::SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(group.c_str()));
    }
    return answered;
}

std::optional<bool> CProgramManager::IsGroupEmpty(const std::string& name) {
    EnsureConnected(true);
    std::string text;
    if (name.empty() || !Request(name, text, CF_TEXT)) {
        return std::nullopt;
    }
    // The answer describes the group in its first line and each item in one further line.
    const std::vector<std::string> lines = SplitGroupList(text);
    if (lines.empty()) {
        return std::nullopt;
    }
    return lines.size() == 1;
}

namespace {

void RaiseMainWindow(HWND window) {
    if (window != nullptr && ::IsWindow(window)) {
        ::BringWindowToTop(window);
        ::InvalidateRect(window, nullptr, TRUE);
        ::UpdateWindow(window);
    }
}

} // namespace

namespace {

// Opens the conversation on the group and applies action to every installed target,
// pumping messages between targets; returns how many actions succeeded.
template <typename Action>
int ForEachInstalledTarget(CProgramManager& manager, const TargetMap& targets,
                           const ProgramItemsContext& context, Action action) {
    int done = 0;
    manager.EnsureConnected(true);
    manager.CreateGroup(context.groupName);
    for (const auto& entry : targets.Records()) {
        const TargetRecord& target = entry.second;
        if (target.installedPath.IsEmpty()) {
            continue;
        }
        if (action(target)) {
            ++done;
        }
        if (context.pump) {
            context.pump();
        }
    }
    return done;
}

// Ends the conversation and brings the setup program's window back to the front.
void EndConversation(CProgramManager& manager, const ProgramItemsContext& context) {
    manager.Disconnect();
    RaiseMainWindow(context.mainWindow);
}

} // namespace

int CreateProgramItems(CProgramManager& manager, const TargetMap& targets,
                       const ProgramItemsContext& context) {
    if (context.groupName.empty()) {
        return 0;
    }
    const int added =
        ForEachInstalledTarget(manager, targets, context, [&](const TargetRecord& target) {
            const ProgmanItem item = MakeTargetItem(target, context.appDirectory, GetShortPath);
            manager.ReplaceItem(item.name);
            return manager.AddItem(item);
        });
    EndConversation(manager, context);
    return added;
}

int DeleteProgramItems(CProgramManager& manager, const TargetMap& targets,
                       const ProgramItemsContext& context) {
    if (context.groupName.empty()) {
        return 0;
    }
    const int deleted =
        ForEachInstalledTarget(manager, targets, context, [&](const TargetRecord& target) {
            return manager.DeleteItem(target.itemTitle);
        });
    // The group may hold items the user or another application put there: it goes only when
    // Program Manager says that nothing is left in it.
    if (manager.IsGroupEmpty(context.groupName) == true) {
        manager.DeleteGroup(context.groupName);
    }
    EndConversation(manager, context);
    return deleted;
}

int CreateProgramItems(const TargetMap& targets, const ProgramItemsContext& context) {
    CProgramManager manager;
    return CreateProgramItems(manager, targets, context);
}

int DeleteProgramItems(const TargetMap& targets, const ProgramItemsContext& context) {
    CProgramManager manager;
    return DeleteProgramItems(manager, targets, context);
}
