#include "profile/SystemFolders.h"

#include <windows.h>

#include "support/Registry.h"

namespace {

// Platform directory queries into a buffer of MAX_PATH bytes; "" when the answer does not fit.
template <typename Query> std::string AskDirectory(Query query) {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = query(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::string();
    }
    return std::string(buffer, length);
}

class CWindowsSystemFolders : public CSystemFolders {
public:
    std::string WindowsDir() const override {
        return AskDirectory([](char* b, DWORD n) { return ::GetWindowsDirectoryA(b, n); });
    }
    std::string SystemDir() const override {
        return AskDirectory([](char* b, DWORD n) { return ::GetSystemDirectoryA(b, n); });
    }
    std::string TempDir() const override {
        return AskDirectory([](char* b, DWORD n) { return ::GetTempPathA(n, b); });
    }
    int OsMajorVersion() const override { return LOBYTE(LOWORD(::GetVersion())); }
    std::string CommonFilesValue() const override {
        CRegistryString value(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                              "CommonFilesDir", "", true, false);
        return value.GetData();
    }
};

} // namespace

std::unique_ptr<CSystemFolders> CreatePlatformSystemFolders() {
    return std::make_unique<CWindowsSystemFolders>();
}
