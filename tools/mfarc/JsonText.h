// A small writer of JSON text for the tools' machine-readable listings: objects and arrays
// written in order, with commas and indentation handled. Strings are the system's byte
// strings: bytes 0x80-0xFF are written as the characters U+0080-U+00FF (\u00XX), so any name
// gives valid JSON and the original bytes can be recovered.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// The string as a JSON string literal, quotes included.
std::string JsonString(const std::string& text);

class CJsonWriter {
public:
    explicit CJsonWriter(std::ostream& out) : m_out(out) {}
    ~CJsonWriter() = default;
    CJsonWriter(const CJsonWriter&) = delete;
    CJsonWriter& operator=(const CJsonWriter&) = delete;

    // Containers: key is used inside an object and ignored inside an array (or at the top).
    void BeginObject(const std::string& key = std::string());
    void EndObject();
    void BeginArray(const std::string& key = std::string());
    void EndArray();
    void Field(const std::string& key, const std::string& value);
    void Field(const std::string& key, const char* value) { Field(key, std::string(value)); }
    void Number(const std::string& key, std::int64_t value);
    void Bool(const std::string& key, bool value);
    // A field whose value is null.
    void Null(const std::string& key);

private:
    void Open(const std::string& key, char bracket);
    void Close(char bracket);
    void Key(const std::string& key);

    std::ostream& m_out;
    std::vector<bool> m_inObject; // per open container: object (true) or array
    std::vector<bool> m_empty;    // per open container: nothing written yet
};
