#include <gtest/gtest.h>

#include <windows.h>

#include "engine/RegistryEntries.h"
#include "profile/DestinationRecord.h"
#include "profile/SystemFolders.h"

namespace {

// Reads a REG_SZ value with the raw platform calls; "<absent>" when it is not there.
std::string RawString(const std::string& subkey, const char* name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return "<absent>";
    }
    char buffer[1024] = {};
    DWORD type = 0;
    DWORD size = sizeof(buffer) - 1;
    const LONG result =
        ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    ::RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ) {
        return "<absent>";
    }
    return buffer;
}

bool KeyExists(const std::string& subkey) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

// The SharedDLLs count of path: -1 when there is no value.
long long SharedCount(const std::string& path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return -1;
    }
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    const LONG result = ::RegQueryValueExA(key, path.c_str(), nullptr, &type,
                                           reinterpret_cast<BYTE*>(&value), &size);
    ::RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_DWORD ? static_cast<long long>(value) : -1;
}

void SetSharedCount(const std::string& path, long long count) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (count < 0) {
        ::RegDeleteValueA(key, path.c_str());
    } else {
        const DWORD value = static_cast<DWORD>(count);
        ::RegSetValueExA(key, path.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                         sizeof(value));
    }
    ::RegCloseKey(key);
}

// Sets "CommonFilesDir" for the life of the object and puts the old value back afterwards.
class CCommonFilesOverride {
public:
    explicit CCommonFilesOverride(const char* value)
        : m_old(RawString(kCurrentVersionKey, kCommonFilesValue)) {
        Set(value);
    }
    ~CCommonFilesOverride() { Set(m_old == "<absent>" ? nullptr : m_old.c_str()); }

private:
    static void Set(const char* value) {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_ALL_ACCESS, &key) !=
            ERROR_SUCCESS) {
            return;
        }
        if (value == nullptr) {
            ::RegDeleteValueA(key, kCommonFilesValue);
        } else {
            ::RegSetValueExA(key, kCommonFilesValue, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value),
                             static_cast<DWORD>(strlen(value) + 1));
        }
        ::RegCloseKey(key);
    }
    std::string m_old;
};

std::string SystemDirectory() {
    char buffer[MAX_PATH] = {};
    ::GetSystemDirectoryA(buffer, MAX_PATH);
    return std::string(buffer) + "\\";
}

} // namespace

TEST(RegistryEntries, AppPathKeyAndValues) {
    const std::string key = std::string(kAppPathsKey) + "PROFTEST.EXE";
    const std::string rootKey = std::string(kAppPathsKey) + "PROFROOT.EXE";
    RegisterAppPath(CFilePath("C:\\APP\\PROFTEST.EXE"));
    RegisterAppPath(CFilePath("C:\\PROFROOT.EXE"));
    EXPECT_EQ(key, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\PROFTEST.EXE");
    EXPECT_EQ(RawString(key, ""), "C:\\APP\\PROFTEST.EXE");
    EXPECT_EQ(RawString(key, "Path"), "C:\\APP");
    EXPECT_EQ(RawString(rootKey, "Path"), "C:\\");

    UnregisterAppPath(CFilePath("C:\\ELSEWHERE\\PROFTEST.EXE"));
    UnregisterAppPath(CFilePath("C:\\PROFROOT.EXE"));
    EXPECT_FALSE(KeyExists(key));
    EXPECT_FALSE(KeyExists(rootKey));
    UnregisterAppPath(CFilePath("C:\\PROFROOT.EXE")); // already gone: ignored
}

TEST(RegistryEntries, UninstallKeyIsCreatedAndOverwritten) {
    const std::string key =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Profile Test App";
    RegisterUninstall("C:\\OLD\\SETUP.EXE /U", "Profile Test App", "Old name");
    EXPECT_EQ(RawString(key, "UninstallString"), "C:\\OLD\\SETUP.EXE /U");
    RegisterUninstall("C:\\APP\\SETUP.EXE /U", "Profile Test App", "Profile Test App");
    EXPECT_EQ(RawString(key, "UninstallString"), "C:\\APP\\SETUP.EXE /U");
    EXPECT_EQ(RawString(key, "DisplayName"), "Profile Test App");
    UnregisterUninstall("Profile Test App");
    EXPECT_FALSE(KeyExists(key));
}

TEST(RegistryEntries, SharedDllCountsOnInstallAndRemoval) {
    const std::string three = "C:\\windows\\system32\\proftest_three.dll";
    const std::string absent = "C:\\windows\\system32\\proftest_absent.dll";
    const std::string one = "C:\\windows\\system32\\proftest_one.dll";
    const std::string zero = "C:\\windows\\system32\\proftest_zero.dll";
    SetSharedCount(three, 3);
    SetSharedCount(absent, -1);
    SetSharedCount(one, 1);
    SetSharedCount(zero, 0);

    CountSharedFileInstalled(CFilePath(three));
    CountSharedFileInstalled(CFilePath(absent));
    CountSharedFileInstalled(CFilePath(zero));
    EXPECT_EQ(SharedCount(three), 3);
    EXPECT_EQ(SharedCount(absent), 1);
    EXPECT_EQ(SharedCount(zero), 1);

    CountSharedFileRemoved(CFilePath(three));
    CountSharedFileRemoved(CFilePath(one));
    EXPECT_EQ(SharedCount(three), 2);
    EXPECT_EQ(SharedCount(one), -1);        // the value is deleted at 0
    CountSharedFileRemoved(CFilePath(one)); // absent: stays absent
    EXPECT_EQ(SharedCount(one), -1);

    {
        CSharedDllCount count{CFilePath(three)};
        EXPECT_TRUE(count.IsInUse());
        EXPECT_EQ(count.GetCount(), 2u);
        count.Release();
        count.Release();
        count.Release(); // never below 0
        EXPECT_EQ(count.GetCount(), 0u);
        EXPECT_FALSE(count.IsInUse());
    }
    EXPECT_EQ(SharedCount(three), -1);
    SetSharedCount(absent, -1);
    SetSharedCount(zero, -1);
}

TEST(RegistryEntries, CommonFilesDirAndFallBacks) {
    {
        CCommonFilesOverride value("C:\\Common Test");
        CFilePath dir;
        CFilePath root;
        EXPECT_TRUE(GetCommonFilesDir(dir));
        EXPECT_TRUE(GetCommonFilesRoot(root));
        EXPECT_EQ(dir.GetText(), "C:\\Common Test\\");
        EXPECT_EQ(root.GetText(), "C:\\Common Test\\");

        // The platform's predefined destinations use the same value.
        const auto system = CreatePlatformSystemFolders();
        const DestinationMap map(*system);
        EXPECT_EQ(map.PathOf(kDestCommonFiles).GetText(), "C:\\Common Test\\");
        EXPECT_EQ(map.PathOf(kDestCommonFilesRoot).GetText(), "C:\\Common Test\\");
    }
    for (const char* missing : {"", static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(missing == nullptr ? "absent" : "empty");
        CCommonFilesOverride value(missing);
        CFilePath dir("unchanged");
        CFilePath root("unchanged");
        EXPECT_FALSE(GetCommonFilesDir(dir));
        EXPECT_FALSE(GetCommonFilesRoot(root));
        EXPECT_EQ(dir.GetText(), SystemDirectory());
        EXPECT_EQ(root.GetText(), SystemDirectory().substr(0, 3));

        const auto system = CreatePlatformSystemFolders();
        const DestinationMap map(*system);
        EXPECT_EQ(map.PathOf(kDestCommonFiles).GetText(), dir.GetText());
        EXPECT_EQ(map.PathOf(kDestCommonFilesRoot).GetText(), root.GetText());
    }
}

TEST(RegistryEntries, PlatformPredefinedDestinations) {
    const auto system = CreatePlatformSystemFolders();
    const DestinationMap map(*system);
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string windowsDir = std::string(windows) + "\\";
    EXPECT_EQ(map.PathOf(kDestWindows).GetText(), windowsDir);
    EXPECT_EQ(map.PathOf(kDestSystem).GetText(), SystemDirectory());
    EXPECT_EQ(map.PathOf(kDestHelp).GetText(), windowsDir + "help\\");
    // The platform reports version 6: fonts live in the Windows directory.
    EXPECT_EQ(map.PathOf(kDestFonts).GetText(), windowsDir + "Fonts\\");
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    EXPECT_EQ(map.PathOf(kDestTemp).GetText(), temp);
}

TEST(RegistryEntries, FileRecordsOfSharedDirectoriesSetTheirCount) {
    char dir[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, dir);
    const CFilePath log(std::string(dir) + "\\shared_records.log");
    ::DeleteFileA(log.c_str());
    const std::string system = SystemDirectory() + "proftest_rec_sys.dll";
    const std::string help = "C:\\windows\\help\\proftest_rec.hlp";
    const std::string app = "C:\\APP\\proftest_rec.dll";
    SetSharedCount(system, 3);
    SetSharedCount(help, -1);
    SetSharedCount(app, -1);

    WriteInstalledFileRecord(log, "Main", CFilePath(system), kDestSystem, true, true);
    WriteInstalledFileRecord(log, "Main", CFilePath(help), kDestHelp, false, false);
    WriteInstalledFileRecord(log, "Main", CFilePath(app), 0, true, false);
    EXPECT_EQ(SharedCount(system), 3);
    EXPECT_EQ(SharedCount(help), 1);
    EXPECT_EQ(SharedCount(app), -1);

    char value[64] = {};
    ::GetPrivateProfileStringA("Main", "proftest_rec_sys.dll", "", value, sizeof(value),
                               log.c_str());
    EXPECT_STREQ(value, "-3|1|1");
    ::GetPrivateProfileStringA("Main", "PROFTEST_REC.HLP", "", value, sizeof(value), log.c_str());
    EXPECT_STREQ(value, "-8|0|0");
    ::GetPrivateProfileStringA("Main", "proftest_rec.dll", "", value, sizeof(value), log.c_str());
    EXPECT_STREQ(value, "0|1|0");

    SetSharedCount(system, -1);
    SetSharedCount(help, -1);
    ::DeleteFileA(log.c_str());
}
