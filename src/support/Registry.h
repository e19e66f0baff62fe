// Registry access: CRegistryKey holds one open key and the result of the last registry call
// made through it; CRegistryString and CRegistryDword bind one named value under a root and
// subkey, read it at construction when asked, and write it back at destruction when it was
// changed through SetData and write-back is on.
//
// Nothing here throws or shows a message: every operation returns true on success and keeps
// the platform's result code in GetLastError() (0 = success). Values are read only in their
// proper type (REG_SZ for strings, REG_DWORD for 32-bit values); any other type is a failed
// read with error 1804 (ERROR_INVALID_DATATYPE). Keys are opened with KEY_ALL_ACCESS.
// Windows only.
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <string>

#include "support/Handle.h"

constexpr REGSAM kRegistryAccess = KEY_ALL_ACCESS;

class CRegistryKey {
public:
    CRegistryKey() = default;
    virtual ~CRegistryKey() { Close(); }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // RegOpenKeyExA(parent, subkey) into this object (an open key is closed first).
    bool Open(HKEY parent, const std::string& subkey, REGSAM access = kRegistryAccess);
    // RegCreateKeyExA(parent, subkey, class, non-volatile, access); creates or opens the key.
    bool Create(HKEY parent, const std::string& subkey, const char* keyClass = nullptr,
                REGSAM access = kRegistryAccess);
    // RegDeleteKeyA(parent, subkey); does not touch this object's key.
    bool DeleteKey(HKEY parent, const std::string& subkey);
    // Closes the key. True when none was open (the last error is then left alone).
    bool Close();
    bool DeleteValue(const std::string& name);

    // A REG_SZ value; out keeps what it held on any failure. "" names the default value.
    bool QueryString(const std::string& name, std::string& out);
    // Writes text as REG_SZ, the terminating zero byte counted in the length.
    bool SetString(const std::string& name, const std::string& text);
    // A REG_DWORD value; out keeps what it held on any failure.
    bool QueryDword(const std::string& name, DWORD& out);
    bool SetDword(const std::string& name, DWORD value);

    bool IsOpen() const { return m_key.IsValid(); }
    HKEY GetHandle() const { return m_key.Get(); }
    LONG GetLastError() const { return m_lastError; }

protected:
    bool Result(LONG result) {
        m_lastError = result;
        return result == ERROR_SUCCESS;
    }

private:
    CRegKeyHandle m_key;
    LONG m_lastError = ERROR_SUCCESS;
};

class CRegistryString : public CRegistryKey {
public:
    // Binds valueName under root\subkey; data starts empty; readNow calls Read(defaultValue).
    CRegistryString(HKEY root, std::string subkey, std::string valueName,
                    const std::string& defaultValue = "", bool readNow = true,
                    bool writeBack = true);
    // Writes when the data was changed and write-back is on; a failure is ignored.
    ~CRegistryString() override;

    // data = defaultValue, then opens root\subkey and reads the value into data. The key stays
    // open so that a later Write reuses it.
    bool Read(const std::string& defaultValue);
    // Creates the key when none is open, then writes data; clears the changed flag.
    bool Write();

    const std::string& GetData() const { return m_data; }
    void SetData(const std::string& text) {
        m_data = text;
        m_changed = true;
    }
    bool IsChanged() const { return m_changed; }
    void SetWriteBack(bool writeBack) { m_writeBack = writeBack; }

private:
    HKEY m_root;
    std::string m_subkey;
    std::string m_valueName;
    std::string m_data;
    bool m_changed = false;
    bool m_writeBack;
};

class CRegistryDword : public CRegistryKey {
public:
    CRegistryDword(HKEY root, std::string subkey, std::string valueName, DWORD defaultValue = 0,
                   bool readNow = true, bool writeBack = true);
    ~CRegistryDword() override;

    bool Read(DWORD defaultValue);
    bool Write();

    DWORD GetData() const { return m_data; }
    void SetData(DWORD value) {
        m_data = value;
        m_changed = true;
    }
    bool IsChanged() const { return m_changed; }
    void SetWriteBack(bool writeBack) { m_writeBack = writeBack; }

protected:
    const std::string& GetValueName() const { return m_valueName; }

private:
    HKEY m_root;
    std::string m_subkey;
    std::string m_valueName;
    DWORD m_data = 0;
    bool m_changed = false;
    bool m_writeBack;
};

#endif
