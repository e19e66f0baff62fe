// The sample's self-registering library: DllRegisterServer records itself under
// HKEY_LOCAL_MACHINE\Software\Sample Viewer, DllUnregisterServer removes that key.
#include <windows.h>

static const char kKey[] = "Software\\Sample Viewer";

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer(void) {
    HKEY key;
    static const char value[] = "VIEWREG.DLL";
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) !=
        ERROR_SUCCESS)
        return E_FAIL;
    LONG result = RegSetValueExA(key, "Registered", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                 sizeof value);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? S_OK : E_FAIL;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer(void) {
    LONG result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ? S_OK : E_FAIL;
}
