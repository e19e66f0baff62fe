#include "engine/RegistryEntries.h"

#include "profile/DestinationRecord.h"
#include "profile/ProfileCollections.h"

namespace {

bool ReadCommonFilesDir(CFilePath& out) {
    CRegistryString value(HKEY_LOCAL_MACHINE, kCurrentVersionKey, kCommonFilesValue, "", true,
                          false);
    if (value.GetData().empty()) {
        return false;
    }
    out.Empty();
    out.SetDriveDirectory(value.GetData());
    return true;
}

} // namespace

void RegisterAppPath(const CFilePath& exePath) {
    CRegistryKey key;
    if (!key.Create(HKEY_LOCAL_MACHINE, kAppPathsKey + exePath.GetFileName())) {
        return;
    }
    key.SetString("", exePath.GetText());
    key.SetString("Path", exePath.GetDriveDirectory());
}

void UnregisterAppPath(const CFilePath& exePath) {
    CRegistryKey key;
    key.DeleteKey(HKEY_LOCAL_MACHINE, kAppPathsKey + exePath.GetFileName());
}

void RegisterUninstall(const std::string& command, const std::string& keyName,
                       const std::string& displayName) {
    const std::string subkey = std::string(kUninstallKey) + "\\" + keyName;
    // Destroyed in reverse order: "UninstallString" is written first.
    CRegistryString display(HKEY_LOCAL_MACHINE, subkey, "DisplayName", "", true, true);
    CRegistryString uninstall(HKEY_LOCAL_MACHINE, subkey, "UninstallString", "", true, true);
    uninstall.SetData(command);
    display.SetData(displayName);
}

void UnregisterUninstall(const std::string& keyName) {
    CRegistryKey key;
    key.DeleteKey(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\" + keyName);
}

bool GetCommonFilesDir(CFilePath& out) {
    if (ReadCommonFilesDir(out)) {
        return true;
    }
    out = CFilePath(CFilePath::pathSystemDir);
    return false;
}

bool GetCommonFilesRoot(CFilePath& out) {
    if (ReadCommonFilesDir(out)) {
        return true;
    }
    out = CFilePath(CFilePath::pathSystemDir);
    out.MakeRoot();
    return false;
}

CSharedDllCount::CSharedDllCount(const CFilePath& path)
    : CRegistryDword(HKEY_LOCAL_MACHINE, kSharedDllsKey, path.GetText(), 0, true, true) {}

CSharedDllCount::~CSharedDllCount() {
    SetWriteBack(false);
    if (GetData() != 0) {
        Write();
    } else {
        DeleteValue(GetValueName());
        Close();
    }
}

void CountSharedFileInstalled(const CFilePath& path) {
    CSharedDllCount count(path);
    if (!count.IsInUse()) {
        count.AddRef();
    }
}

void CountSharedFileRemoved(const CFilePath& path) {
    CSharedDllCount count(path);
    count.Release();
}

void WriteInstalledFileRecord(const CFilePath& log, const std::string& componentKey,
                              const CFilePath& installedPath, std::int16_t destination,
                              bool installed, bool replaced) {
    WriteFileRecord(log, componentKey, installedPath.GetFileName(), destination, installed,
                    replaced);
    if (destination == kDestSystem || destination == kDestHelp) {
        CountSharedFileInstalled(installedPath);
    }
}
