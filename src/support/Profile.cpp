#include "support/Profile.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// Largest key list the enumerator asks for; a section that still does not fit is walked as
// far as it came back rather than growing the buffer without end.
constexpr std::size_t kMaxKeyListSize = std::size_t(1) << 26;

std::string ProgramPath() {
#ifdef _WIN32
    char buffer[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return std::string(buffer, length < MAX_PATH ? length : 0);
#else
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
#endif
}

} // namespace

std::string DefaultProfileName() {
    // A native program path uses '/', which CFilePath takes as a separator as well.
    return CFilePath(ProgramPath()).GetFileTitle() + ".INI";
}

bool WriteProfileValue(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& value) {
    return DefaultProfileBackend().WriteString(section.c_str(), key.c_str(), value.c_str(),
                                               file.c_str());
}

CProfileBackend& DefaultProfileBackend() {
#ifdef _WIN32
    return PlatformProfileBackend();
#else
    return PortableProfileBackend();
#endif
}

CProfileEntry::CProfileEntry(const std::string& section, const std::string& key,
                             const CFilePath& file, bool autoWrite, bool autoRead)
    : m_autoWrite(autoWrite), m_autoRead(autoRead), m_section(section), m_key(key), m_file(file) {}

void CProfileEntry::UseDefaultFileIfEmpty() {
    if (m_file.IsEmpty()) {
        m_file = DefaultProfileName();
    }
}

CProfileString::CProfileString(const std::string& defaultValue, const std::string& section,
                               const std::string& key, const CFilePath& file, bool autoWrite,
                               bool autoRead)
    : CProfileString(DefaultProfileBackend(), defaultValue, section, key, file, autoWrite,
                     autoRead) {}

CProfileString::CProfileString(CProfileBackend& backend, const std::string& defaultValue,
                               const std::string& section, const std::string& key,
                               const CFilePath& file, bool autoWrite, bool autoRead)
    : CProfileEntry(section, key, file, autoWrite, autoRead), m_value(defaultValue) {
    m_backend = &backend;
    if (m_autoRead && !m_section.empty() && !m_key.empty()) {
        Read();
    }
}

CProfileString::~CProfileString() {
    if (m_autoWrite && IsModified()) {
        try {
            Write();
        } catch (...) {
            // A destructor cannot report; the write-back ignores failure by design.
        }
    }
}

bool CProfileString::IsModified() const {
    return m_value != m_lastRead;
}

bool CProfileString::Read() {
    UseDefaultFileIfEmpty();
    char buffer[256] = {};
    const std::uint32_t count = m_backend->GetString(m_section.c_str(), m_key.c_str(),
                                                     m_value.c_str(), buffer, 255, m_file.c_str());
    buffer[255] = '\0';
    m_value = buffer;
    m_lastRead = m_value;
    return count > 0;
}

bool CProfileString::Write() {
    UseDefaultFileIfEmpty();
    return m_backend->WriteString(m_section.c_str(), m_key.c_str(), m_value.c_str(),
                                  m_file.c_str());
}

CProfileSection::CProfileSection(const std::string& section)
    : m_file(DefaultProfileName()), m_section(section) {}

void CProfileSection::Release() {
    m_keyList.clear();
    m_keyList.shrink_to_fit();
    m_position = 0;
}

bool CProfileSection::First(CProfileEntry& entry) {
    if (m_file.IsEmpty()) {
        m_file = DefaultProfileName();
    }
    std::size_t size = 256;
    for (;;) {
        // Two spare zero bytes after the buffer keep the walk inside the list whatever the
        // backend left in it.
        m_keyList.assign(size + 2, '\0');
        const std::uint32_t count =
            m_backend->GetString(m_section.c_str(), nullptr, "", m_keyList.data(),
                                 static_cast<std::uint32_t>(size), m_file.c_str());
        if (count < size - 2 || size >= kMaxKeyListSize) {
            break;
        }
        size *= 2;
    }
    m_position = 0;
    return Next(entry);
}

bool CProfileSection::Next(CProfileEntry& entry) {
    if (m_keyList.empty()) {
        return false;
    }
    const char* name = m_keyList.data() + m_position;
    const std::size_t length = std::strlen(name);
    if (length == 0) {
        Release();
        return false;
    }
    entry.SetSection(m_section);
    entry.SetFile(m_file);
    entry.SetKey(std::string(name, length));
    entry.SetBackend(*m_backend);
    m_position += length + 1;
    return true;
}
