#include "JsonText.h"

#include <cstdio>

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u >= 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", u);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

void CJsonWriter::Key(const std::string& key) {
    if (!m_empty.empty()) {
        if (!m_empty.back())
            m_out << ',';
        m_empty.back() = false;
        m_out << '\n' << std::string(2 * m_empty.size(), ' ');
        if (m_inObject.back())
            m_out << JsonString(key) << ": ";
    }
}

void CJsonWriter::Open(const std::string& key, char bracket) {
    Key(key);
    m_out << bracket;
    m_inObject.push_back(bracket == '{');
    m_empty.push_back(true);
}

void CJsonWriter::Close(char bracket) {
    const bool wasEmpty = m_empty.back();
    m_inObject.pop_back();
    m_empty.pop_back();
    if (!wasEmpty)
        m_out << '\n' << std::string(2 * m_empty.size(), ' ');
    m_out << bracket;
    if (m_empty.empty())
        m_out << '\n';
}

void CJsonWriter::BeginObject(const std::string& key) {
    Open(key, '{');
}
void CJsonWriter::EndObject() {
    Close('}');
}
void CJsonWriter::BeginArray(const std::string& key) {
    Open(key, '[');
}
void CJsonWriter::EndArray() {
    Close(']');
}

void CJsonWriter::Field(const std::string& key, const std::string& value) {
    Key(key);
    m_out << JsonString(value);
}

void CJsonWriter::Number(const std::string& key, std::int64_t value) {
    Key(key);
    m_out << value;
}

void CJsonWriter::Bool(const std::string& key, bool value) {
    Key(key);
    m_out << (value ? "true" : "false");
}

void CJsonWriter::Null(const std::string& key) {
    Key(key);
    m_out << "null";
}
