// Helpers shared by the INI tests: fixture files in a private directory and a backend
// wrapper that records the calls made through it.
#pragma once

#include "support/ProfileBackend.h"

#include <cstdint>
#include <string>
#include <vector>

// Writes content to a fresh file under the test directory and returns its full path.
// Every call gives a new name: the platform may cache a file it has read before.
std::string WriteFixture(const std::string& content);
// A fresh full path of a file that does not exist yet.
std::string FreshPath();
std::string ReadWholeFile(const std::string& path);

// Passes every call on and records the buffer sizes and the number of writes.
class CRecordingBackend final : public CProfileBackend {
public:
    explicit CRecordingBackend(CProfileBackend& inner) : m_inner(inner) {}
    std::uint32_t GetString(const char* section, const char* key, const char* defaultValue,
                            char* buffer, std::uint32_t size, const char* file) override {
        sizes.push_back(size);
        return m_inner.GetString(section, key, defaultValue, buffer, size, file);
    }
    bool WriteString(const char* section, const char* key, const char* value,
                     const char* file) override {
        ++writes;
        return m_inner.WriteString(section, key, value, file);
    }

    std::vector<std::uint32_t> sizes;
    int writes = 0;

private:
    CProfileBackend& m_inner;
};
