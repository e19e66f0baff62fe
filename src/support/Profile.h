// Record-by-record access to INI files: CProfileString names one value (file, section, key)
// and reads or writes it; CProfileSection walks the key names of one section.
//
// Both go through a CProfileBackend (ProfileBackend.h): the platform's private-profile
// functions on Windows, the portable reader elsewhere; tests choose one with SetBackend.
// Nothing here throws except std::bad_alloc; failures show in the results.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "support/FilePath.h"
#include "support/ProfileBackend.h"

// The profile name used when an entry's file was never set: the program's own base name
// followed by ".INI", without a directory.
std::string DefaultProfileName();

// One named value of an INI file.
class CProfileEntry {
public:
    CProfileEntry() = default;
    CProfileEntry(const std::string& section, const std::string& key, const CFilePath& file,
                  bool autoWrite, bool autoRead);
    virtual ~CProfileEntry() = default;

    virtual bool IsModified() const = 0;
    virtual bool Read() = 0;
    virtual bool Write() = 0;

    const std::string& GetSection() const { return m_section; }
    const std::string& GetKey() const { return m_key; }
    const CFilePath& GetFile() const { return m_file; }
    void SetSection(const std::string& section) { m_section = section; }
    void SetKey(const std::string& key) { m_key = key; }
    void SetFile(const CFilePath& file) { m_file = file; }
    void SetAutoWrite(bool autoWrite) { m_autoWrite = autoWrite; }
    void SetBackend(CProfileBackend& backend) { m_backend = &backend; }
    CProfileBackend& GetBackend() const { return *m_backend; }

protected:
    CProfileEntry(const CProfileEntry&) = default;
    CProfileEntry& operator=(const CProfileEntry&) = default;
    // Sets the file to DefaultProfileName() when it is empty.
    void UseDefaultFileIfEmpty();

    bool m_autoWrite = false;
    bool m_autoRead = false;
    std::string m_section;
    std::string m_key;
    CFilePath m_file;
    CProfileBackend* m_backend = &DefaultProfileBackend();
};

// One string value: at most kMaxValueLength characters are read (longer values are cut).
// With autoWrite the value is written back on destruction when it differs from the value as
// last read.
class CProfileString : public CProfileEntry {
public:
    static constexpr std::size_t kMaxValueLength = 254;

    CProfileString() = default;
    // Reads at once when autoRead is set and both section and key are non-empty.
    CProfileString(const std::string& defaultValue, const std::string& section,
                   const std::string& key, const CFilePath& file, bool autoWrite = false,
                   bool autoRead = true);
    // The same, reading through the given backend.
    CProfileString(CProfileBackend& backend, const std::string& defaultValue,
                   const std::string& section, const std::string& key, const CFilePath& file,
                   bool autoWrite = false, bool autoRead = true);
    ~CProfileString() override;
    CProfileString(const CProfileString&) = delete;
    CProfileString& operator=(const CProfileString&) = delete;

    // value and lastRead differ (exact comparison).
    bool IsModified() const override;
    // Reads the value, the current value serving as default; value and lastRead become the
    // text read. True when at least one character came back.
    bool Read() override;
    // Writes the value (lastRead is not updated); the backend's result.
    bool Write() override;

    const std::string& GetValue() const { return m_value; }
    void SetValue(const std::string& text) { m_value = text; }

private:
    std::string m_value;
    std::string m_lastRead;
};

// Enumerates the key names of one section in file order:
//   if (section.First(entry)) do { entry.Read(); ... } while (section.Next(entry));
// Handing a key to an entry sets its section, file, key and backend; it does not read.
class CProfileSection {
public:
    explicit CProfileSection(const std::string& section);
    CProfileSection(const CProfileSection&) = delete;
    CProfileSection& operator=(const CProfileSection&) = delete;

    void SetFile(const CFilePath& file) { m_file = file; }
    const CFilePath& GetFile() const { return m_file; }
    const std::string& GetSection() const { return m_section; }
    void SetBackend(CProfileBackend& backend) { m_backend = &backend; }

    // Loads the key list (a 256-byte buffer, doubled while the list comes back cut) and hands
    // out the first key. False for an empty or missing section.
    bool First(CProfileEntry& entry);
    // Hands out the next key; false at the end, where the key list is released.
    bool Next(CProfileEntry& entry);

private:
    void Release();

    CFilePath m_file;
    std::string m_section;
    std::vector<char> m_keyList; // empty: no list loaded
    std::size_t m_position = 0;
    CProfileBackend* m_backend = &DefaultProfileBackend();
};
