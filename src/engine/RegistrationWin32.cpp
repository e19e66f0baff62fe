#include "engine/Registration.h"

#include "engine/RegistryEntries.h"
#include "support/Registry.h"

void CWin32RegistrationTarget::RegisterAppPath(const CFilePath& exePath) {
    ::RegisterAppPath(exePath);
}

void CWin32RegistrationTarget::UnregisterAppPath(const CFilePath& exePath) {
    ::UnregisterAppPath(exePath);
}

void CWin32RegistrationTarget::RegisterUninstall(const std::string& command,
                                                 const std::string& keyName,
                                                 const std::string& displayName) {
    ::RegisterUninstall(command, keyName, displayName);
}

void CWin32RegistrationTarget::UnregisterUninstall(const std::string& keyName) {
    ::UnregisterUninstall(keyName);
}

void CWin32RegistrationTarget::SetStringValue(const std::string& subkey,
                                              const std::string& valueName,
                                              const std::string& data) {
    CRegistryKey key;
    if (key.Create(HKEY_LOCAL_MACHINE, subkey)) {
        key.SetString(valueName, data);
    }
}
