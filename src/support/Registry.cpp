#include "support/Registry.h"

#include <utility>
#include <vector>

bool CRegistryKey::Open(HKEY parent, const std::string& subkey, REGSAM access) {
    Close();
    HKEY key = nullptr;
    const bool ok = Result(::RegOpenKeyExA(parent, subkey.c_str(), 0, access, &key));
    if (ok) {
        m_key.Attach(key);
    }
    return ok;
}

bool CRegistryKey::Create(HKEY parent, const std::string& subkey, const char* keyClass,
                          REGSAM access) {
    Close();
    HKEY key = nullptr;
    const bool ok =
        Result(::RegCreateKeyExA(parent, subkey.c_str(), 0, const_cast<char*>(keyClass),
                                 REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr));
    if (ok) {
        m_key.Attach(key);
    }
    return ok;
}

bool CRegistryKey::DeleteKey(HKEY parent, const std::string& subkey) {
    return Result(::RegDeleteKeyA(parent, subkey.c_str()));
}

bool CRegistryKey::Close() {
    if (!m_key.IsValid()) {
        return true;
    }
    return Result(::RegCloseKey(m_key.Detach()));
}

bool CRegistryKey::DeleteValue(const std::string& name) {
    return Result(::RegDeleteValueA(m_key.Get(), name.c_str()));
}

bool CRegistryKey::QueryString(const std::string& name, std::string& out) {
    DWORD type = 0;
    DWORD size = 0;
    if (!Result(::RegQueryValueExA(m_key.Get(), name.c_str(), nullptr, &type, nullptr, &size))) {
        return false;
    }
    if (type != REG_SZ) {
        m_lastError = ERROR_INVALID_DATATYPE;
        return false;
    }
    // One byte more than asked for, zeroed: a value stored without its terminating zero still
    // ends inside the buffer.
    std::vector<char> buffer(static_cast<std::size_t>(size) + 1, '\0');
    DWORD got = size;
    if (!Result(::RegQueryValueExA(m_key.Get(), name.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(buffer.data()), &got))) {
        return false;
    }
    if (type != REG_SZ) {
        m_lastError = ERROR_INVALID_DATATYPE;
        return false;
    }
    out.assign(buffer.data());
    return true;
}

bool CRegistryKey::SetString(const std::string& name, const std::string& text) {
    return Result(::RegSetValueExA(m_key.Get(), name.c_str(), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(text.c_str()),
                                   static_cast<DWORD>(text.size() + 1)));
}

bool CRegistryKey::QueryDword(const std::string& name, DWORD& out) {
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (!Result(::RegQueryValueExA(m_key.Get(), name.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(&value), &size))) {
        return false;
    }
    if (type != REG_DWORD || size != sizeof(value)) {
        m_lastError = ERROR_INVALID_DATATYPE;
        return false;
    }
    out = value;
    return true;
}

bool CRegistryKey::SetDword(const std::string& name, DWORD value) {
    return Result(::RegSetValueExA(m_key.Get(), name.c_str(), 0, REG_DWORD,
                                   reinterpret_cast<const BYTE*>(&value), sizeof(value)));
}

CRegistryString::CRegistryString(HKEY root, std::string subkey, std::string valueName,
                                 const std::string& defaultValue, bool readNow, bool writeBack)
    : m_root(root), m_subkey(std::move(subkey)), m_valueName(std::move(valueName)),
      m_writeBack(writeBack) {
    if (readNow) {
        Read(defaultValue);
    }
}

CRegistryString::~CRegistryString() {
    if (m_changed && m_writeBack) {
        Write();
    }
}

bool CRegistryString::Read(const std::string& defaultValue) {
    m_data = defaultValue;
    if (!Open(m_root, m_subkey, kRegistryAccess)) {
        return false;
    }
    return QueryString(m_valueName, m_data);
}

bool CRegistryString::Write() {
    if (!IsOpen() && !Create(m_root, m_subkey, nullptr, kRegistryAccess)) {
        return false;
    }
    if (!SetString(m_valueName, m_data)) {
        return false;
    }
    m_changed = false;
    return true;
}

CRegistryDword::CRegistryDword(HKEY root, std::string subkey, std::string valueName,
                               DWORD defaultValue, bool readNow, bool writeBack)
    : m_root(root), m_subkey(std::move(subkey)), m_valueName(std::move(valueName)),
      m_writeBack(writeBack) {
    if (readNow) {
        Read(defaultValue);
    }
}

CRegistryDword::~CRegistryDword() {
    if (m_changed && m_writeBack) {
        Write();
    }
}

bool CRegistryDword::Read(DWORD defaultValue) {
    m_data = defaultValue;
    if (!Open(m_root, m_subkey, kRegistryAccess)) {
        return false;
    }
    return QueryDword(m_valueName, m_data);
}

bool CRegistryDword::Write() {
    if (!IsOpen() && !Create(m_root, m_subkey, nullptr, kRegistryAccess)) {
        return false;
    }
    if (!SetDword(m_valueName, m_data)) {
        return false;
    }
    m_changed = false;
    return true;
}
